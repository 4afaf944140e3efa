// Feeds a pattern and a line through parsing, compiling and matching, as
// a search entry and as a replace entry, and checks what must hold whatever
// the pattern: a search entry selects what backtracking alone selects where
// both decide (on hard lines the automaton decides the entry), a plain text
// is found where a text search finds it, a rewritten line never exceeds its
// limit and is unchanged when the replacement could not finish, and no input
// takes more processor time than its three searches of the line may (each
// bounded by the engine's budget of processor time), with a second to spare
// for translating and compiling. Processor time, as the budget counts it: a
// busy machine stretches wall-clock time, not this.
//
// Input layout: byte 0 holds the flags (bit 0 ignore case, bits 1-2 how often
// the line is repeated: once, to 300 units, to 5,000, to 65,535, bit 3 an
// inverted search entry); the pattern runs to the first byte 0xFF, the line
// is the rest. Bytes stand for UTF-16 units: ASCII as itself, the others for
// characters that fold or are white space in the dialect, and surrogates.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "model/search_entry.h"
#include "platform/clock.h"
#include "regex/pattern.h"
#include "search/line_matching.h"

namespace vesk {
namespace {

constexpr std::chrono::nanoseconds kTimePerInput =
    3 * regex::kSubjectTimeBudget + std::chrono::seconds(1);

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "dialect fuzz: %s\n", what);
  std::abort();
}

char16_t unitOf(std::uint8_t byte) {
  constexpr char16_t kOthers[] = {0x00E9, 0x00C9, 0x212A, 0x017F, 0x3000,
                                  0x00A0, 0x2028, 0xD83D, 0xDE00, 0x0130};
  if (byte < 0x80) return byte;
  return kOthers[byte % std::size(kOthers)];
}

std::u16string unitsOf(std::string_view bytes) {
  std::u16string units;
  for (const char c : bytes) units += unitOf(static_cast<std::uint8_t>(c));
  return units;
}

std::u16string repeated(std::u16string line, unsigned choice) {
  constexpr std::size_t kLengths[] = {0, 300, 5000, 65535};
  const std::size_t length = kLengths[choice];
  if (line.empty() || line.size() >= length) return line;
  std::u16string longer;
  while (longer.size() + line.size() <= length) longer += line;
  return longer;
}

// Whether a search entry selects the line by backtracking alone: 1, 0, or -1
// when it gives up.
int selection(regex::MatchOutcome outcome) {
  return outcome == regex::MatchOutcome::GaveUp ? -1 : outcome == regex::MatchOutcome::Found;
}

int byBacktracking(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                   std::u16string_view line) {
  regex::MatchOutcome outcome = regex::findMatch(entry.pattern, workspace, line, 0);
  if (outcome == regex::MatchOutcome::Found && entry.matchesEmpty &&
      regex::groupSpan(workspace, 0)->start == line.size()) {
    outcome = regex::MatchOutcome::NotFound;
  }
  return selection(outcome);
}

void checkSearch(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                 std::u16string_view pattern, std::u16string_view line) {
  const int backtracking = byBacktracking(entry, workspace, line);
  if (regex::isLiteral(entry.pattern) && !entry.ignoreCase) {
    const std::u16string_view text = regex::requiredText(entry.pattern);
    check(backtracking == (line.find(text) != std::u16string_view::npos),
          "a plain text is not found where it stands");
    check(pattern.find(u'\\') != std::u16string_view::npos || text == pattern,
          "a plain pattern is not its own text");
  }
  std::u16string text(line);
  const LineOutcome outcome = evaluateLine({entry}, workspace, text);
  check(!outcome.hit || text == line, "a selected line was changed");
  if (!outcome.engineGaveUp && backtracking >= 0) {
    check(outcome.hit == ((backtracking == 1) != entry.invert),
          "the entry and backtracking select differently");
  }
}

void checkReplace(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                  std::u16string_view line) {
  std::u16string text(line);
  const LineOutcome outcome = evaluateLine({entry}, workspace, text);
  check(text.size() <= kRewrittenLineUnitsAtMost, "a rewritten line beyond the limit");
  check(!(outcome.tooLong || outcome.engineGaveUp) || text == line,
        "a line the replacement could not finish was changed");
  check(outcome.rewritten == (text != line), "rewritten and changed disagree");
}

}  // namespace
}  // namespace vesk

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  const auto started = platform::threadProcessorTime();
  const bool ignoreCase = (data[0] & 1) != 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t separator = std::min(rest.find('\xFF'), rest.size());
  const std::u16string pattern = unitsOf(rest.substr(0, separator));
  const std::u16string line =
      repeated(unitsOf(rest.substr(std::min(separator + 1, rest.size()))), (data[0] >> 1) & 3);

  const BuiltEntries built =
      buildEntries({makeSearchTerm(ignoreCase, false, (data[0] & 8) != 0, pattern),
                    makeReplaceTerm(ignoreCase, false, false, pattern, u"<$&$1$'>")});
  if (!built.failure) {
    regex::MatchWorkspace workspace = regex::createMatchWorkspace();
    checkSearch(built.entries[0], workspace, pattern, line);
    checkReplace(built.entries[1], workspace, line);
  }
  const std::chrono::nanoseconds used = platform::threadProcessorTime() - started;
  if (used > kTimePerInput) {
    std::fprintf(stderr, "dialect fuzz: one input took %.1f s of processor time\n",
                 std::chrono::duration<double>(used).count());
    std::abort();
  }
  return 0;
}
