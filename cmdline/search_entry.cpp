#include "cmdline/search_entry.h"

#include <optional>
#include <utility>

#include "app/messages.h"

namespace vesk {

namespace {

constexpr std::u16string_view kRegexSpecials = u"^$\\.*+?()[]{}|";

std::optional<char16_t> replacementEscape(char16_t letter) {
  switch (letter) {
    case u'\\':
      return u'\\';
    case u'f':
      return u'\f';
    case u'n':
      return u'\n';
    case u'r':
      return u'\r';
    case u't':
      return u'\t';
    case u'v':
      return u'\v';
    default:
      return std::nullopt;
  }
}

}  // namespace

SearchEntry makeSearchEntry(bool ignoreCase, bool literal, bool invert, std::u16string_view term) {
  SearchEntry entry;
  entry.ignoreCase = ignoreCase;
  entry.invert = invert;
  entry.pattern = literal ? escapeRegexLiteral(term) : std::u16string(term);
  return entry;
}

SearchEntry makeReplaceEntry(bool ignoreCase, bool literal, bool escapes,
                             std::u16string_view searchTerm, std::u16string_view replaceTerm) {
  SearchEntry entry;
  entry.isReplace = true;
  entry.ignoreCase = ignoreCase;
  entry.pattern = literal ? escapeRegexLiteral(searchTerm) : std::u16string(searchTerm);
  // Dollar signs are doubled before escapes are expanded, so an escape can
  // never produce a group reference.
  entry.replacement = literal ? escapeReplacementLiteral(replaceTerm) : std::u16string(replaceTerm);
  if (escapes) entry.replacement = expandReplacementEscapes(entry.replacement);
  return entry;
}

std::u16string escapeRegexLiteral(std::u16string_view text) {
  std::u16string escaped;
  escaped.reserve(text.size());
  for (const char16_t c : text) {
    if (kRegexSpecials.find(c) != std::u16string_view::npos) escaped += u'\\';
    escaped += c;
  }
  return escaped;
}

std::u16string escapeReplacementLiteral(std::u16string_view text) {
  std::u16string escaped;
  escaped.reserve(text.size());
  for (const char16_t c : text) {
    if (c == u'$') escaped += u'$';
    escaped += c;
  }
  return escaped;
}

// The character after an expanded pair is never read as the start of a new
// pair, so a doubled backslash followed by n stays a backslash and an n.
std::u16string expandReplacementEscapes(std::u16string_view text) {
  std::u16string expanded;
  expanded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto escape =
        text[i] == u'\\' && i + 1 < text.size() ? replacementEscape(text[i + 1]) : std::nullopt;
    if (escape) {
      expanded += *escape;
      ++i;
    } else {
      expanded += text[i];
    }
  }
  return expanded;
}

bool validatePatterns(ConsoleOutput& output, SearchEntryList& entries) {
  for (SearchEntry& entry : entries) {
    std::optional<regex::Pattern> compiled;
    try {
      compiled = regex::compilePattern(entry.pattern, entry.ignoreCase);
    } catch (...) {
      // Anything thrown while compiling (memory for a huge pattern) means
      // the pattern cannot be used, which is what the message says.
      compiled.reset();
    }
    if (!compiled) {
      reportError(output, entry.pattern, MessageId::InvalidRegex);
      return false;
    }
    entry.compiled = std::move(*compiled);
    entry.matchesEmpty =
        regex::findMatch(entry.compiled, std::u16string_view(), 0) == regex::MatchOutcome::Found;
  }
  return true;
}

}  // namespace vesk
