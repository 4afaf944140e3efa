// The program's ECMAScript dialect, compiled once per entry on PCRE2 (16-bit
// code units, JIT where available) and reused for every line. A pattern that
// is nothing but its characters needs no engine: it is searched for as text.
//
// A compiled Pattern never changes, so one pattern serves any number of
// matchers at once. What a match needs besides it (match data, the engine's
// limits, the JIT stack, the time a subject has used) is a MatchWorkspace that
// the caller owns, one per thread of matching; the groups of a match are read
// from that workspace.
//
// No subject costs more than about half a second of processor time per
// pattern, whatever the pattern: each start position has a step limit, the
// start positions are tried a window at a time, and between windows (and
// between the searches of one subject) the time the subject has used is
// looked at. See pattern.cpp for the limits and why.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regex/char_set.h"

namespace vesk::regex {

// The processor time a subject may use per pattern (see above).
constexpr std::chrono::milliseconds kSubjectTimeBudget{500};

struct CompiledPattern;  // PCRE2 code or a plain text, and what every match holds; see
                         // pattern.cpp

struct Pattern {
  std::shared_ptr<const CompiledPattern> compiled;  // empty until compiled
};

// Whether a pattern is compiled to machine code. Never is what a system
// without a working JIT gets anyway; tests use it to take that path.
enum class JitUse { WhenAvailable, Never };

// Why a pattern did not compile.
enum class PatternError {
  Invalid,      // not valid in the dialect, or refused by the engine
  TooLarge,     // valid, but larger than the engine can hold
  OutOfMemory,  // the engine, or reading the pattern, ran out of memory
};

struct CompileResult {
  std::optional<Pattern> pattern;  // set when the pattern compiled
  PatternError error = PatternError::Invalid;
};

CompileResult compilePattern(std::u16string_view ecmaPattern, bool ignoreCase,
                             JitUse jit = JitUse::WhenAvailable);

// True when matching runs the JIT-compiled code (the interpreter or a plain
// text search otherwise).
bool usesJit(const Pattern& pattern);

// Characters that every match holds side by side (see RequiredTexts in
// required_text.h); empty when nothing is known.
std::u16string_view requiredText(const Pattern& pattern);

// Character sets that every match holds side by side (see RequiredTexts);
// empty when nothing is known.
std::vector<CharSet> requiredSets(const Pattern& pattern);

// Every run of character sets that every match holds and that rules out a
// fair share of text (see RequiredTexts); empty for a pattern that needs no
// engine, whose one run is requiredSets.
std::vector<std::vector<CharSet>> requiredSetRuns(const Pattern& pattern);

// True when the pattern is its required text and nothing else, so that it
// matches exactly the subjects that hold that text.
bool isLiteral(const Pattern& pattern);

// Number of capture groups of the pattern (group 0, the whole match, excluded).
std::size_t groupCount(const Pattern& pattern);

struct WorkspaceData;  // match data, match context, JIT stack and budget; see pattern.cpp
struct WorkspaceDataFree {
  void operator()(WorkspaceData* data) const;
};

// Everything one thread of matching needs besides the patterns. The match
// data grows to fit the pattern with the most groups it has been used with.
struct MatchWorkspace {
  std::unique_ptr<WorkspaceData, WorkspaceDataFree> data;
};

// Each workspace has 2 MiB of JIT stack and up to 14 MiB of interpreter heap
// (see pattern.cpp), the same in every run, so that no answer depends on the
// number of threads.
MatchWorkspace createMatchWorkspace();

enum class MatchOutcome { Found, NotFound, GaveUp };

struct MatchOptions {
  bool notEmptyAtStart = false;  // a match at `start` must not be empty
};

// Finds the leftmost match in subject at or after start. On Found the groups
// are available through groupSpan on the workspace until its next match.
// GaveUp: the engine reached its limits of steps, depth, memory or time for
// this subject (or the pattern was never compiled). A search from the start
// of a subject (start 0 without notEmptyAtStart) begins the subject's time;
// searches further into it, as a replacement makes them, share it.
MatchOutcome findMatch(const Pattern& pattern, MatchWorkspace& workspace,
                       std::u16string_view subject, std::size_t start, MatchOptions options = {});

// Whether subject holds a match anywhere, or with beforeEnd one that starts
// before its end. Only the selection of a line needs this, not its groups,
// so a pattern without back-references is decided even where backtracking
// would take too long: after a short try, by an automaton whose time grows
// with the subject's length times the pattern's size (PCRE2's DFA matcher,
// over every start position at once). Sets no groups.
MatchOutcome containsMatch(const Pattern& pattern, MatchWorkspace& workspace,
                           std::u16string_view subject, bool beforeEnd);

// containsMatch by the automaton alone, without the try; GaveUp for patterns
// with back-references. The tests hold the two matchers to each other.
MatchOutcome containsMatchByAutomaton(const Pattern& pattern, MatchWorkspace& workspace,
                                      std::u16string_view subject, bool beforeEnd);

struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
};

// The span of group n (0 = whole match) of the workspace's last Found match;
// nullopt when the group took no part or the last match was not Found.
std::optional<Span> groupSpan(const MatchWorkspace& workspace, std::size_t n);

// How many times in this workspace the JIT ran out of stack, so that the
// interpreter took the search over.
std::size_t interpreterRetries(const MatchWorkspace& workspace);

}  // namespace vesk::regex
