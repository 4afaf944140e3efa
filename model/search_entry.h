// Search and replace entries. Parsing turns each "/s" and "/r" (on the
// command line or in a parameter file) into a SearchTerm: the pattern after
// literal escaping and the replacement prepared. buildEntries then compiles
// every term once, in order, into the SearchEntry list that the search reads
// and never changes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostic.h"
#include "regex/pattern.h"

namespace vesk {

struct SearchTerm {
  bool isReplace = false;
  bool ignoreCase = false;     // the letter i
  bool invert = false;         // the letter v of "/s"
  std::u16string pattern;      // after literal escaping
  std::u16string replacement;  // replacement format, prepared; empty for search terms
};

SearchTerm makeSearchTerm(bool ignoreCase, bool literal, bool invert, std::u16string_view text);
SearchTerm makeReplaceTerm(bool ignoreCase, bool literal, bool escapes,
                           std::u16string_view searchText, std::u16string_view replaceText);

std::u16string escapeRegexLiteral(std::u16string_view text);
std::u16string escapeReplacementLiteral(std::u16string_view text);
std::u16string expandReplacementEscapes(std::u16string_view text);

struct SearchEntry {
  bool isReplace = false;
  bool ignoreCase = false;
  bool invert = false;
  bool matchesEmpty = false;   // the pattern matches the empty text
  std::u16string replacement;  // empty for search entries
  regex::Pattern pattern;
};

using SearchEntryList = std::vector<SearchEntry>;

struct BuiltEntries {
  SearchEntryList entries;  // complete when failure is not set
  // For the first pattern that does not compile: InvalidRegex, RegexTooLarge
  // (both naming the pattern) or NotEnoughMemory.
  std::optional<Diagnostic> failure;
};

// Compiles every term's pattern, in order, up to the first that does not compile.
BuiltEntries buildEntries(std::vector<SearchTerm> terms);

}  // namespace vesk
