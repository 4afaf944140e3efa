#include "search/line_matching.h"

#include <optional>
#include <vector>

#include "regex/replacement_format.h"

namespace vesk {

namespace {

enum class SearchVerdict { Hit, Miss, Undecided };

// A pattern that matches the empty text also matches after a line's final
// line feed (or at the end of a last line without one); such a match alone
// does not select the line.
SearchVerdict searchVerdict(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                            std::u16string_view line) {
  switch (regex::containsMatch(entry.pattern, workspace, line, entry.matchesEmpty)) {
    case regex::MatchOutcome::GaveUp:
      return SearchVerdict::Undecided;
    case regex::MatchOutcome::NotFound:
      return entry.invert ? SearchVerdict::Hit : SearchVerdict::Miss;
    case regex::MatchOutcome::Found:
      break;
  }
  return entry.invert ? SearchVerdict::Miss : SearchVerdict::Hit;
}

void collectGroups(const regex::Pattern& pattern, const regex::MatchWorkspace& workspace,
                   std::vector<std::optional<regex::Span>>& groups) {
  groups.resize(regex::groupCount(pattern) + 1);
  for (std::size_t n = 0; n < groups.size(); ++n) groups[n] = regex::groupSpan(workspace, n);
}

enum class Replaced { Done, GaveUp, TooLong };

bool appendWithin(std::u16string& result, std::u16string_view text) {
  if (text.size() > kRewrittenLineUnitsAtMost - result.size()) return false;
  result.append(text);
  return true;
}

// Every match replaced by its expansion, from left to right, the text between
// matches copied. After an empty match the next match may start at the same
// position only if it is not empty. The result stops short of growing beyond
// a line's limit.
Replaced replaceAll(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                    std::u16string_view line, std::u16string& result) {
  std::vector<std::optional<regex::Span>> groups;
  std::size_t copied = 0;
  bool lastWasEmpty = false;
  while (true) {
    const auto outcome = regex::findMatch(entry.pattern, workspace, line, copied, {lastWasEmpty});
    if (outcome == regex::MatchOutcome::GaveUp) return Replaced::GaveUp;
    if (outcome == regex::MatchOutcome::NotFound) break;
    collectGroups(entry.pattern, workspace, groups);
    const regex::Span whole = *groups[0];
    if (!appendWithin(result, line.substr(copied, whole.start - copied)) ||
        !regex::appendExpansion(result, entry.replacement, {line, copied, groups},
                                kRewrittenLineUnitsAtMost)) {
      return Replaced::TooLong;
    }
    copied = whole.end;
    lastWasEmpty = whole.start == whole.end;
  }
  return appendWithin(result, line.substr(copied)) ? Replaced::Done : Replaced::TooLong;
}

// A pattern that matches the empty text also matches after the final line
// feed, which would append the replacement's fixed text once more after it.
void trimEndDuplicate(std::u16string& result, std::u16string_view format) {
  const std::u16string literal = regex::formatLiteralText(format);
  if (!literal.empty() && result.ends_with(literal)) result.resize(result.size() - literal.size());
}

// false when the line is not selected, which ends its evaluation.
bool applySearchEntry(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                      std::u16string& lineText, LineOutcome& outcome) {
  const SearchVerdict verdict = searchVerdict(entry, workspace, lineText);
  // A line the engine could not decide is skipped, even for an inverted
  // entry: selecting it would claim the pattern is absent.
  outcome.engineGaveUp = outcome.engineGaveUp || verdict == SearchVerdict::Undecided;
  outcome.hit = verdict == SearchVerdict::Hit;
  if (!outcome.hit) lineText.clear();
  return outcome.hit;
}

// A line the engine could not decide, or that would grow too long, stays as
// it was.
void applyReplaceEntry(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                       std::u16string& lineText, LineOutcome& outcome) {
  std::u16string result;
  const Replaced replaced = replaceAll(entry, workspace, lineText, result);
  outcome.engineGaveUp = outcome.engineGaveUp || replaced == Replaced::GaveUp;
  outcome.tooLong = outcome.tooLong || replaced == Replaced::TooLong;
  if (replaced != Replaced::Done || result == lineText) {
    outcome.hit = false;
    return;
  }
  if (entry.matchesEmpty && lineText.ends_with(u'\n')) trimEndDuplicate(result, entry.replacement);
  lineText = std::move(result);
  outcome.hit = true;
  outcome.rewritten = true;
}

}  // namespace

LineOutcome evaluateLine(const SearchEntryList& entries, regex::MatchWorkspace& workspace,
                         std::u16string& lineText) {
  LineOutcome outcome;
  for (const SearchEntry& entry : entries) {
    if (entry.isReplace) {
      applyReplaceEntry(entry, workspace, lineText, outcome);
    } else if (!applySearchEntry(entry, workspace, lineText, outcome)) {
      break;
    }
  }
  return outcome;
}

}  // namespace vesk
