// Search and replace entries, built from the terms of "/s", "/r" and "/f".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regex/pattern.h"

namespace vesk {

struct ConsoleOutput;

struct SearchEntry {
  bool isReplace = false;
  bool ignoreCase = false;  // the letter i
  bool invert = false;      // the letter v of "/s"
  bool matchesEmpty = false;
  std::u16string pattern;      // after literal escaping
  std::u16string replacement;  // replacement format, prepared; empty for search entries
  regex::Pattern compiled;     // set by validatePatterns, kept for the whole run
};

using SearchEntryList = std::vector<SearchEntry>;

SearchEntry makeSearchEntry(bool ignoreCase, bool literal, bool invert, std::u16string_view term);
SearchEntry makeReplaceEntry(bool ignoreCase, bool literal, bool escapes,
                             std::u16string_view searchTerm, std::u16string_view replaceTerm);

std::u16string escapeRegexLiteral(std::u16string_view text);
std::u16string escapeReplacementLiteral(std::u16string_view text);
std::u16string expandReplacementEscapes(std::u16string_view text);

// Compiles every pattern once and sets matchesEmpty; reports InvalidRegex for
// the first pattern that does not compile and returns false.
bool validatePatterns(ConsoleOutput& output, SearchEntryList& entries);

}  // namespace vesk
