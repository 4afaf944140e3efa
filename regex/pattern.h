// The program's ECMAScript dialect, compiled once per entry on PCRE2 (16-bit
// code units, JIT where available) and reused for every line.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vesk::regex {

struct CompiledPattern;  // PCRE2 code, match data and JIT state; see pattern.cpp

struct Pattern {
  std::shared_ptr<CompiledPattern> compiled;  // empty until compiled
};

// Whether a pattern is compiled to machine code. Never is what a system
// without a working JIT gets anyway; tests use it to take that path.
enum class JitUse { WhenAvailable, Never };

// Compiles an ECMAScript pattern; nullopt when it is not valid in the dialect.
std::optional<Pattern> compilePattern(std::u16string_view ecmaPattern, bool ignoreCase,
                                      JitUse jit = JitUse::WhenAvailable);

// True when matching runs the JIT-compiled code (the interpreter otherwise).
bool usesJit(const Pattern& pattern);

enum class MatchOutcome { Found, NotFound, GaveUp };

struct MatchOptions {
  bool notEmptyAtStart = false;  // a match at `start` must not be empty
};

// Finds the leftmost match in subject at or after start. On Found the groups
// are available through groupCount and groupSpan until the next call.
// GaveUp: the engine reached its limits of steps, depth or memory for this
// subject (or the pattern was never compiled).
MatchOutcome findMatch(Pattern& pattern, std::u16string_view subject, std::size_t start,
                       MatchOptions options = {});

struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
};

// Characters that every match holds side by side (see PcrePattern); empty
// when nothing is known.
std::u16string_view requiredText(const Pattern& pattern);

// Number of capture groups of the pattern (group 0, the whole match, excluded).
std::size_t groupCount(const Pattern& pattern);

// The span of group n (0 = whole match) of the last Found match; nullopt when
// the group took no part.
std::optional<Span> groupSpan(const Pattern& pattern, std::size_t n);

}  // namespace vesk::regex
