#include "process/line_matching.h"

#include <optional>
#include <vector>

#include "regex/replacement_format.h"

namespace vesk {

namespace {

enum class SearchVerdict { Hit, Miss, Undecided };

// A pattern that matches the empty text also matches after a line's final
// line feed (or at the end of a last line without one); such a match alone
// does not select the line.
SearchVerdict searchVerdict(SearchEntry& entry, std::u16string_view line) {
  bool matched = false;
  switch (regex::findMatch(entry.compiled, line, 0)) {
    case regex::MatchOutcome::GaveUp:
      return SearchVerdict::Undecided;
    case regex::MatchOutcome::NotFound:
      break;
    case regex::MatchOutcome::Found:
      matched = !(entry.matchesEmpty && regex::groupSpan(entry.compiled, 0)->start == line.size());
      break;
  }
  return matched != entry.invert ? SearchVerdict::Hit : SearchVerdict::Miss;
}

void collectGroups(const regex::Pattern& pattern, std::vector<std::optional<regex::Span>>& groups) {
  groups.resize(regex::groupCount(pattern) + 1);
  for (std::size_t n = 0; n < groups.size(); ++n) groups[n] = regex::groupSpan(pattern, n);
}

// Every match replaced by its expansion, from left to right, the text between
// matches copied. After an empty match the next match may start at the same
// position only if it is not empty. nullopt when the engine gave up.
std::optional<std::u16string> replaceAll(SearchEntry& entry, std::u16string_view line) {
  std::u16string result;
  std::vector<std::optional<regex::Span>> groups;
  std::size_t copied = 0;
  bool lastWasEmpty = false;
  while (true) {
    const auto outcome = regex::findMatch(entry.compiled, line, copied, {lastWasEmpty});
    if (outcome == regex::MatchOutcome::GaveUp) return std::nullopt;
    if (outcome == regex::MatchOutcome::NotFound) break;
    collectGroups(entry.compiled, groups);
    const regex::Span whole = *groups[0];
    result.append(line.substr(copied, whole.start - copied));
    regex::appendExpansion(result, entry.replacement, {line, copied, groups});
    copied = whole.end;
    lastWasEmpty = whole.start == whole.end;
  }
  result.append(line.substr(copied));
  return result;
}

// A pattern that matches the empty text also matches after the final line
// feed, which would append the replacement's fixed text once more after it.
void trimEndDuplicate(std::u16string& result, std::u16string_view format) {
  const std::u16string literal = formatLiteralText(format);
  if (!literal.empty() && result.ends_with(literal)) result.resize(result.size() - literal.size());
}

// false when the line is not selected, which ends its evaluation.
bool applySearchEntry(SearchEntry& entry, std::u16string& lineText, LineOutcome& outcome) {
  const SearchVerdict verdict = searchVerdict(entry, lineText);
  // A line the engine could not decide is skipped, even for an inverted
  // entry: selecting it would claim the pattern is absent.
  outcome.engineGaveUp = outcome.engineGaveUp || verdict == SearchVerdict::Undecided;
  outcome.hit = verdict == SearchVerdict::Hit;
  if (!outcome.hit) lineText.clear();
  return outcome.hit;
}

void applyReplaceEntry(SearchEntry& entry, std::u16string& lineText, LineOutcome& outcome) {
  std::optional<std::u16string> result = replaceAll(entry, lineText);
  if (!result) outcome.engineGaveUp = true;
  if (!result || *result == lineText) {
    outcome.hit = false;
    return;
  }
  if (entry.matchesEmpty && lineText.ends_with(u'\n')) trimEndDuplicate(*result, entry.replacement);
  lineText = std::move(*result);
  outcome.hit = true;
}

}  // namespace

// The entries must have gone through validatePatterns, which compiles them
// and sets matchesEmpty.
LineOutcome evaluateLine(SearchEntryList& entries, std::u16string& lineText) {
  LineOutcome outcome;
  for (SearchEntry& entry : entries) {
    if (entry.isReplace) {
      applyReplaceEntry(entry, lineText, outcome);
    } else if (!applySearchEntry(entry, lineText, outcome)) {
      break;
    }
  }
  return outcome;
}

// The program's own reading of a format: references give nothing, "$$" gives
// "$", "$0" and "$00" give nothing here although the expansion keeps them,
// and a final "$" is dropped although the expansion keeps it.
std::u16string formatLiteralText(std::u16string_view format) {
  std::u16string literal;
  for (std::size_t pos = 0; pos < format.size();) {
    const regex::FormatPiece piece = regex::nextFormatPiece(format, pos);
    switch (piece.kind) {
      case regex::FormatPieceKind::Text:
        literal += piece.source;
        break;
      case regex::FormatPieceKind::Dollar:
      case regex::FormatPieceKind::LoneDollar:
        literal += u'$';
        break;
      case regex::FormatPieceKind::WholeMatch:
      case regex::FormatPieceKind::TextBefore:
      case regex::FormatPieceKind::TextAfter:
      case regex::FormatPieceKind::Group:
      case regex::FormatPieceKind::FinalDollar:
        break;
    }
  }
  return literal;
}

}  // namespace vesk
