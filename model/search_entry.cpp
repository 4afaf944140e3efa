#include "model/search_entry.h"

#include <optional>
#include <utility>

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

SearchTerm makeSearchTerm(bool ignoreCase, bool literal, bool invert, std::u16string_view text) {
  SearchTerm term;
  term.ignoreCase = ignoreCase;
  term.invert = invert;
  term.pattern = literal ? escapeRegexLiteral(text) : std::u16string(text);
  return term;
}

SearchTerm makeReplaceTerm(bool ignoreCase, bool literal, bool escapes,
                           std::u16string_view searchText, std::u16string_view replaceText) {
  SearchTerm term;
  term.isReplace = true;
  term.ignoreCase = ignoreCase;
  term.pattern = literal ? escapeRegexLiteral(searchText) : std::u16string(searchText);
  // Dollar signs are doubled before escapes are expanded, so an escape can
  // never produce a group reference.
  term.replacement = literal ? escapeReplacementLiteral(replaceText) : std::u16string(replaceText);
  if (escapes) term.replacement = expandReplacementEscapes(term.replacement);
  return term;
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

namespace {

// A pattern that matches the empty text also matches after a line's final
// line feed, which the search and the replacement correct for.
bool matchesEmptyText(const regex::Pattern& pattern, regex::MatchWorkspace& workspace) {
  return regex::findMatch(pattern, workspace, std::u16string_view(), 0) ==
         regex::MatchOutcome::Found;
}

Diagnostic compileFailure(regex::PatternError error, std::u16string pattern) {
  switch (error) {
    case regex::PatternError::TooLarge:
      return Diagnostic{MessageId::RegexTooLarge, std::move(pattern)};
    case regex::PatternError::OutOfMemory:
      return Diagnostic{MessageId::NotEnoughMemory, {}};
    case regex::PatternError::Invalid:
      break;
  }
  return Diagnostic{MessageId::InvalidRegex, std::move(pattern)};
}

}  // namespace

// Each term's texts are released once its entry is built, so that a long
// parameter file is not held twice.
BuiltEntries buildEntries(std::vector<SearchTerm> terms) {
  BuiltEntries built;
  built.entries.reserve(terms.size());
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  for (SearchTerm& term : terms) {
    regex::CompileResult compiled = regex::compilePattern(term.pattern, term.ignoreCase);
    if (!compiled.pattern) {
      built.failure = compileFailure(compiled.error, std::move(term.pattern));
      return built;
    }
    SearchEntry entry;
    entry.isReplace = term.isReplace;
    entry.ignoreCase = term.ignoreCase;
    entry.invert = term.invert;
    entry.replacement = std::move(term.replacement);
    entry.matchesEmpty = matchesEmptyText(*compiled.pattern, workspace);
    entry.pattern = std::move(*compiled.pattern);
    built.entries.push_back(std::move(entry));
    term = SearchTerm{};
  }
  return built;
}

}  // namespace vesk
