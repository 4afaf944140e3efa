// What the dialect's sets hold: "\d", "\s", "\w", their complements and the
// classes built from them, and which of them PCRE2 must match with its case
// folding off so that the letter i cannot widen them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "regex/char_set.h"

namespace vesk::regex {

enum class SetEscape : std::uint8_t { Digit, NotDigit, Space, NotSpace, Word, NotWord };

// A member of a class as written: a range of characters (one character is a
// range of one) or a set escape.
struct ClassItem {
  CharRange range{0, 0};  // when set is empty
  std::optional<SetEscape> set;
};

// ECMAScript's WhiteSpace and LineTerminator characters, sorted.
std::span<const CharRange> spaceSet();

// The members of the escape's set; of its complement when it is negated.
std::span<const CharRange> baseSet(SetEscape escape);
bool isNegated(SetEscape escape);

// Case-insensitive matching in PCRE2's Unicode mode would add the Kelvin
// sign and the long s to the word set through k and s; ECMAScript's word set
// is exactly 63 ASCII characters, so it is matched with folding off.
bool needsFoldingOff(SetEscape escape, bool ignoreCase);

// A class's members under the pattern's case rule: the ranges it holds
// (negated sets as their complements), and apart from them the sets that
// must be matched with folding off.
struct ClassContents {
  CharSet ranges;
  std::vector<SetEscape> foldingOffSets;
};
ClassContents classContents(std::span<const ClassItem> items, bool ignoreCase);

}  // namespace vesk::regex
