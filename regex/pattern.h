// The program's ECMAScript dialect, compiled once per entry on PCRE2 (16-bit
// code units, JIT where available) and reused for every line.
//
// A compiled Pattern never changes, so one pattern serves any number of
// matchers at once. What a match needs besides it (match data, the engine's
// limits, the JIT stack) is a MatchWorkspace that the caller owns, one per
// thread of matching; the groups of a match are read from that workspace.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "regex/ecma_translate.h"

namespace vesk::regex {

struct CompiledPattern;  // PCRE2 code and what the translator learnt; see pattern.cpp

struct Pattern {
  std::shared_ptr<const CompiledPattern> compiled;  // empty until compiled
};

// Whether a pattern is compiled to machine code. Never is what a system
// without a working JIT gets anyway; tests use it to take that path.
enum class JitUse { WhenAvailable, Never };

// Why a pattern did not compile.
enum class PatternError {
  Invalid,      // not valid in the dialect, or refused by the engine
  OutOfMemory,  // the engine or the translator ran out of memory
};

struct CompileResult {
  std::optional<Pattern> pattern;  // set when the pattern compiled
  PatternError error = PatternError::Invalid;
};

CompileResult compilePattern(std::u16string_view ecmaPattern, bool ignoreCase,
                             JitUse jit = JitUse::WhenAvailable);

// True when matching runs the JIT-compiled code (the interpreter otherwise).
bool usesJit(const Pattern& pattern);

// Characters that every match holds side by side (see PcrePattern); empty
// when nothing is known.
std::u16string_view requiredText(const Pattern& pattern);

// Character sets that every match holds side by side (see PcrePattern);
// empty when nothing is known.
std::span<const CharSet> requiredSets(const Pattern& pattern);

// True when the pattern is its required text and nothing else, so that it
// matches exactly the subjects that hold that text.
bool isLiteral(const Pattern& pattern);

// Number of capture groups of the pattern (group 0, the whole match, excluded).
std::size_t groupCount(const Pattern& pattern);

struct WorkspaceData;  // match data, match context and JIT stack; see pattern.cpp
struct WorkspaceDataFree {
  void operator()(WorkspaceData* data) const;
};

// Everything one thread of matching needs besides the patterns. The match
// data grows to fit the pattern with the most groups it has been used with.
struct MatchWorkspace {
  std::unique_ptr<WorkspaceData, WorkspaceDataFree> data;
};

MatchWorkspace createMatchWorkspace();

enum class MatchOutcome { Found, NotFound, GaveUp };

struct MatchOptions {
  bool notEmptyAtStart = false;  // a match at `start` must not be empty
};

// Finds the leftmost match in subject at or after start. On Found the groups
// are available through groupSpan on the workspace until its next match.
// GaveUp: the engine reached its limits of steps, depth or memory for this
// subject (or the pattern was never compiled).
MatchOutcome findMatch(const Pattern& pattern, MatchWorkspace& workspace,
                       std::u16string_view subject, std::size_t start, MatchOptions options = {});

struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
};

// The span of group n (0 = whole match) of the workspace's last Found match;
// nullopt when the group took no part or the last match was not Found.
std::optional<Span> groupSpan(const MatchWorkspace& workspace, std::size_t n);

}  // namespace vesk::regex
