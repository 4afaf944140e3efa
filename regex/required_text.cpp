#include "regex/required_text.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "base/ascii.h"

namespace vesk::regex {
namespace {

// With the letter i, PCRE2 folds with Unicode rules: "k" also matches the
// Kelvin sign and "s" the long s, and letters beyond ASCII have partners a
// byte search would not know. Those cannot stand in a run.
bool foldsOnlyWithinAscii(char16_t c) {
  if (c >= 0x80) return false;
  const char16_t lower = c | 0x20;
  return lower != u'k' && lower != u's';
}

// The longest run of characters that every match holds.
struct TextRuns {
  std::u16string run;
  std::u16string best;
  bool lastInRun = false;  // the last item was a character appended to run
};

void endRun(TextRuns& runs) {
  if (runs.run.size() > runs.best.size()) runs.best = runs.run;
  runs.run.clear();
  runs.lastInRun = false;
}

void noteCharacter(TextRuns& runs, std::optional<char16_t> character, bool ignoreCase) {
  if (character && (!ignoreCase || foldsOnlyWithinAscii(*character))) {
    runs.run += *character;
    runs.lastInRun = true;
  } else {
    endRun(runs);
  }
}

// The item just noted is repeated: optional when min is 0, and never known
// to stand right before what follows.
void noteRepeat(TextRuns& runs, std::uint32_t min) {
  if (min == 0 && runs.lastInRun) runs.run.pop_back();
  endRun(runs);
}

// The best run of character sets that every match holds side by side. A
// repeated item ("x+") ends a run and starts the next: its last repetition
// stands right before what follows it.
struct SetRuns {
  std::vector<CharSet> run;
  std::vector<CharSet> best;
  std::vector<std::vector<CharSet>> all;  // every run worth looking for
  double bestScore = 0;
  bool lastInRun = false;
};

// How much of a text one character of the set rules out, from 1 for a
// single character down to nothing for a set of 256 or more.
double selectivity(const CharSet& set) {
  double members = 0;
  for (const CharRange& range : set) members += range.last - range.first + 1;
  return members >= 256 || members == 0 ? 0 : std::log2(256 / members) / 8;
}

// A run worth looking for in a line rules out about as much as one byte.
constexpr double kRunWorthLookingFor = 1.0;

void endSetRun(SetRuns& runs) {
  double score = 0;
  for (const CharSet& set : runs.run) score += selectivity(set);
  if (score >= kRunWorthLookingFor) runs.all.push_back(runs.run);
  if (score > runs.bestScore) {
    runs.bestScore = score;
    runs.best = runs.run;
  }
  runs.run.clear();
  runs.lastInRun = false;
}

// The set a character stands for under the pattern's case rule, or nothing
// when PCRE2's Unicode folding would widen it beyond what is known here.
std::optional<CharSet> foldedSet(const CharSet& set, bool ignoreCase) {
  if (!ignoreCase) return set;
  CharSet folded;
  for (const CharRange& range : set) {
    for (char32_t c = range.first; c <= range.last; ++c) {
      if (!foldsOnlyWithinAscii(static_cast<char16_t>(c))) return std::nullopt;
      folded.push_back({static_cast<char16_t>(c), static_cast<char16_t>(c)});
      const char16_t other = static_cast<char16_t>(c ^ 0x20);
      if (isAsciiLetter(c)) folded.push_back({other, other});
    }
  }
  return folded;
}

void noteSet(SetRuns& runs, std::optional<CharSet> set) {
  if (set) {
    runs.run.push_back(std::move(*set));
    runs.lastInRun = true;
  } else {
    endSetRun(runs);
  }
}

void noteSetRepeat(SetRuns& runs, std::uint32_t min) {
  std::optional<CharSet> repeated;
  if (runs.lastInRun) repeated = runs.run.back();
  if (min == 0 && runs.lastInRun) runs.run.pop_back();
  endSetRun(runs);
  if (min > 0 && repeated) runs.run.push_back(std::move(*repeated));
}

// What an item of the top level stands for: one character, one of a set
// of characters, or neither (an assertion, a group, any character...).
struct ItemMeaning {
  std::optional<char16_t> character;
  std::optional<CharSet> set;
};

ItemMeaning meaningOf(const EcmaTree& tree, const EcmaNode& item, bool ignoreCase) {
  if (item.kind == NodeKind::Character) return {item.unit, CharSet{{item.unit, item.unit}}};
  if (item.kind == NodeKind::Set && !isNegated(item.set) &&
      !needsFoldingOff(item.set, ignoreCase)) {
    const auto members = baseSet(item.set);
    return {std::nullopt, CharSet(members.begin(), members.end())};
  }
  if (item.kind == NodeKind::Class && !item.negated) {
    ClassContents contents = classContents(classItemsOf(tree, item), ignoreCase);
    if (contents.foldingOffSets.empty()) return {std::nullopt, std::move(contents.ranges)};
  }
  return {};
}

}  // namespace

RequiredTexts findRequiredTexts(const EcmaTree& tree, bool ignoreCase) {
  const EcmaNode& root = tree.nodes[tree.root];
  // With alternatives at the top level nothing is required of every match.
  if (root.kind == NodeKind::Alternation) return {};
  TextRuns text;
  SetRuns sets;
  for (const NodeIndex index : childrenOf(tree, root)) {
    const EcmaNode& node = tree.nodes[index];
    const bool repeat = node.kind == NodeKind::Repeat;
    ItemMeaning meaning = meaningOf(tree, repeat ? onlyChild(tree, node) : node, ignoreCase);
    noteCharacter(text, meaning.character, ignoreCase);
    noteSet(sets, meaning.set ? foldedSet(*meaning.set, ignoreCase) : std::nullopt);
    if (repeat) {
      noteRepeat(text, node.quantifier.min);
      noteSetRepeat(sets, node.quantifier.min);
    }
  }
  endRun(text);
  endSetRun(sets);
  return RequiredTexts{std::move(text.best), std::move(sets.best), std::move(sets.all)};
}

std::u16string plainTextOf(const EcmaTree& tree) {
  const EcmaNode& root = tree.nodes[tree.root];
  if (root.kind != NodeKind::Concatenation) return {};
  std::u16string text;
  for (const NodeIndex index : childrenOf(tree, root)) {
    const EcmaNode& node = tree.nodes[index];
    if (node.kind != NodeKind::Character) return {};
    text += node.unit;
  }
  return text;
}

bool isLiteralText(std::u16string_view plainText, bool ignoreCase) {
  return !plainText.empty() &&
         (!ignoreCase || std::all_of(plainText.begin(), plainText.end(), foldsOnlyWithinAscii));
}

}  // namespace vesk::regex
