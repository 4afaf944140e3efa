#include "cmdline/option_letters.h"

#include "cmdline/ascii.h"

namespace vesk {

std::optional<TermOption> termOptionOf(std::u16string_view text) {
  if (asciiStartsWithIgnoringCase(text, u"/s")) return TermOption::Search;
  if (asciiStartsWithIgnoringCase(text, u"/r")) return TermOption::Replace;
  return std::nullopt;
}

bool applySearchLetters(std::u16string_view letters, SearchLetters& result) {
  for (const char16_t letter : letters) {
    switch (asciiLower(letter)) {
      case u'i':
        result.ignoreCase = true;
        break;
      case u'l':
        result.literal = true;
        break;
      case u'v':
        result.invert = true;
        break;
      default:
        return false;
    }
  }
  return true;
}

bool applyReplaceLetters(std::u16string_view letters, ReplaceLetters& result) {
  for (const char16_t letter : letters) {
    switch (asciiLower(letter)) {
      case u'e':
        result.escapes = true;
        break;
      case u'i':
        result.ignoreCase = true;
        break;
      case u'l':
        result.literal = true;
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace vesk
