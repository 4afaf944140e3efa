// The options that carry terms, "/s" and "/r", and the letters after them:
// the same rules on the command line and in parameter files.
#pragma once

#include <optional>
#include <string_view>

namespace vesk {

enum class TermOption { Search, Replace };

// Search or Replace when the text begins with "/s" or "/r" (ASCII case
// ignored); every character after those two is an option letter.
std::optional<TermOption> termOptionOf(std::u16string_view text);

struct SearchLetters {
  bool ignoreCase = false;  // i
  bool literal = false;     // l
  bool invert = false;      // v
};

struct ReplaceLetters {
  bool ignoreCase = false;  // i
  bool literal = false;     // l
  bool escapes = false;     // e
};

// Applies the letters in order, in any order and repeated; false at the
// first unknown letter, with the letters before it applied.
bool applySearchLetters(std::u16string_view letters, SearchLetters& result);
bool applyReplaceLetters(std::u16string_view letters, ReplaceLetters& result);

// The letters of an option text that termOptionOf accepted.
constexpr std::u16string_view optionLetters(std::u16string_view option) {
  return option.substr(2);
}

}  // namespace vesk
