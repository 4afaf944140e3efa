// The options that carry terms, "/s" and "/r", and the letters after them:
// the same grammar on the command line and in parameter files, which differ
// only in where the terms come from and what they say when one is missing.
#pragma once

#include <optional>
#include <string_view>

#include "model/search_entry.h"

namespace vesk {

enum class TermOption { Search, Replace };

// Search or Replace when the text begins with "/s" or "/r" (ASCII case
// ignored); every character after those two is an option letter.
std::optional<TermOption> termOptionOf(std::u16string_view text);

// The letters of an option text that termOptionOf accepted.
constexpr std::u16string_view optionLetters(std::u16string_view option) {
  return option.substr(2);
}

// How many terms follow the option: the search term, and for "/r" the
// replacement.
constexpr std::size_t termCount(TermOption option) {
  return option == TermOption::Search ? 1 : 2;
}

struct TermLetters {
  bool ignoreCase = false;  // i
  bool literal = false;     // l
  bool invert = false;      // v, "/s" only
  bool escapes = false;     // e, "/r" only
};

// Applies the letters in order, in any order and repeated; false at the
// first letter the option does not take, with the letters before it applied.
bool applyTermLetters(TermOption option, std::u16string_view letters, TermLetters& result);

// The term an option with its letters and texts stands for; replaceText is
// not read for "/s".
SearchTerm makeTerm(TermOption option, const TermLetters& letters, std::u16string_view searchText,
                    std::u16string_view replaceText);

}  // namespace vesk
