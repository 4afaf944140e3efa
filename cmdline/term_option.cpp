#include "cmdline/term_option.h"

#include "base/ascii.h"

namespace vesk {
namespace {

// Sets the flag of a letter the option takes; false for any other.
bool applyLetter(TermOption option, char16_t letter, TermLetters& result) {
  const bool search = option == TermOption::Search;
  switch (asciiLower(letter)) {
    case u'i':
      result.ignoreCase = true;
      return true;
    case u'l':
      result.literal = true;
      return true;
    case u'v':
      result.invert = search;
      return search;
    case u'e':
      result.escapes = !search;
      return !search;
    default:
      return false;
  }
}

}  // namespace

std::optional<TermOption> termOptionOf(std::u16string_view text) {
  if (asciiStartsWithIgnoringCase(text, u"/s")) return TermOption::Search;
  if (asciiStartsWithIgnoringCase(text, u"/r")) return TermOption::Replace;
  return std::nullopt;
}

bool applyTermLetters(TermOption option, std::u16string_view letters, TermLetters& result) {
  for (const char16_t letter : letters) {
    if (!applyLetter(option, letter, result)) return false;
  }
  return true;
}

SearchTerm makeTerm(TermOption option, const TermLetters& letters, std::u16string_view searchText,
                    std::u16string_view replaceText) {
  if (option == TermOption::Search) {
    return makeSearchTerm(letters.ignoreCase, letters.literal, letters.invert, searchText);
  }
  return makeReplaceTerm(letters.ignoreCase, letters.literal, letters.escapes, searchText,
                         replaceText);
}

}  // namespace vesk
