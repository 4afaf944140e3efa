#include <gtest/gtest.h>

#include <string>

#include "app/console_output.h"
#include "cmdline/search_entry.h"

namespace vesk {
namespace {

TEST(SearchEntryEscaping, RegexLiteralEscapesEachSpecialCharacterOnce) {
  EXPECT_EQ(escapeRegexLiteral(u"^$\\.*+?()[]{}|"), u"\\^\\$\\\\\\.\\*\\+\\?\\(\\)\\[\\]\\{\\}\\|");
  EXPECT_EQ(escapeRegexLiteral(u"C:\\dir\\a.txt"), u"C:\\\\dir\\\\a\\.txt");
  EXPECT_EQ(escapeRegexLiteral(u"a-b,c/d:e=f!g#h i\u3042"), u"a-b,c/d:e=f!g#h i\u3042");
  EXPECT_EQ(escapeRegexLiteral(u"..."), u"\\.\\.\\.");
  EXPECT_EQ(escapeRegexLiteral(u""), u"");
}

TEST(SearchEntryEscaping, ReplacementLiteralDoublesEveryDollar) {
  EXPECT_EQ(escapeReplacementLiteral(u"$1 $$ $&\\n"), u"$$1 $$$$ $$&\\n");
  EXPECT_EQ(escapeReplacementLiteral(u"plain"), u"plain");
}

TEST(SearchEntryEscaping, ReplacementEscapesExpandTheSixPairs) {
  EXPECT_EQ(expandReplacementEscapes(u"\\\\\\f\\n\\r\\t\\v"), u"\\\f\n\r\t\v");
  // A backslash made from a doubled one never starts a new pair.
  EXPECT_EQ(expandReplacementEscapes(u"\\\\n"), u"\\n");
  EXPECT_EQ(expandReplacementEscapes(u"\\\\\\n"), u"\\\n");
  EXPECT_EQ(expandReplacementEscapes(u"\\N\\x\\0"), u"\\N\\x\\0");
  EXPECT_EQ(expandReplacementEscapes(u"\\a\\n"), u"\\a\n");
  EXPECT_EQ(expandReplacementEscapes(u"end\\"), u"end\\");
  EXPECT_EQ(expandReplacementEscapes(u"\\"), u"\\");
}

TEST(SearchEntryBuilding, SearchEntries) {
  const SearchEntry plain = makeSearchEntry(false, false, false, u"a.b");
  EXPECT_FALSE(plain.isReplace);
  EXPECT_EQ(plain.pattern, u"a.b");
  EXPECT_TRUE(plain.replacement.empty());
  const SearchEntry literal = makeSearchEntry(true, true, true, u"a.b");
  EXPECT_EQ(literal.pattern, u"a\\.b");
  EXPECT_TRUE(literal.ignoreCase);
  EXPECT_TRUE(literal.invert);
  EXPECT_FALSE(literal.matchesEmpty);
}

TEST(SearchEntryBuilding, ReplaceEntriesApplyLiteralBeforeEscapes) {
  const SearchEntry both = makeReplaceEntry(false, true, true, u"$.", u"$1\\n");
  EXPECT_TRUE(both.isReplace);
  EXPECT_FALSE(both.invert);
  EXPECT_EQ(both.pattern, u"\\$\\.");
  EXPECT_EQ(both.replacement, u"$$1\n");
  EXPECT_EQ(makeReplaceEntry(false, false, false, u"a", u"$1\\n").replacement, u"$1\\n");
  EXPECT_EQ(makeReplaceEntry(false, false, true, u"a", u"\\\\n").replacement, u"\\n");
  const SearchEntry folded = makeReplaceEntry(true, false, false, u"A", u"B");
  EXPECT_TRUE(folded.ignoreCase);
  EXPECT_EQ(folded.replacement, u"B");
}

bool validates(SearchEntryList& entries, std::string& message) {
  ConsoleOutput output;
  output.console.language = Language::English;
  testing::internal::CaptureStderr();
  const bool valid = validatePatterns(output, entries);
  flushConsoleText(output);
  message = testing::internal::GetCapturedStderr();
  return valid;
}

TEST(ValidatePatterns, CompilesEveryEntryAndFindsThoseThatMatchEmptyText) {
  SearchEntryList entries{makeSearchEntry(false, false, false, u""),
                          makeSearchEntry(false, false, false, u"a*"),
                          makeSearchEntry(false, false, false, u"^$"),
                          makeSearchEntry(false, false, false, u"(?:x)?"),
                          makeSearchEntry(false, false, false, u"a"),
                          makeSearchEntry(false, false, false, u"\\b"),
                          makeReplaceEntry(false, false, false, u"$", u"X")};
  std::string message;
  ASSERT_TRUE(validates(entries, message));
  EXPECT_EQ(message, "");
  const bool expected[] = {true, true, true, true, false, false, true};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].matchesEmpty, expected[i]) << i;
    EXPECT_TRUE(entries[i].compiled.compiled) << i;
  }
}

TEST(ValidatePatterns, ReportsTheFirstBadPatternAndStops) {
  SearchEntryList entries{makeSearchEntry(false, false, false, u"ok"),
                          makeSearchEntry(false, false, false, u"(unbalanced"),
                          makeSearchEntry(false, false, false, u"[also bad")};
  std::string message;
  EXPECT_FALSE(validates(entries, message));
  EXPECT_EQ(message, "(unbalanced - Invalid regular expressions.\n");
  EXPECT_TRUE(entries[0].compiled.compiled);
  EXPECT_FALSE(entries[2].compiled.compiled);
}

TEST(ValidatePatterns, TheSubjectIsThePatternAfterLiteralEscaping) {
  SearchEntryList literal{makeSearchEntry(false, true, false, u"(unbalanced")};
  std::string message;
  EXPECT_TRUE(validates(literal, message));
  // Too long for the engine even as literal text.
  const std::u16string dots(100000, u'.');
  SearchEntryList huge{makeSearchEntry(false, true, false, dots)};
  EXPECT_FALSE(validates(huge, message));
  std::string escapedDots;
  for (std::size_t i = 0; i < dots.size(); ++i) escapedDots += "\\.";
  EXPECT_EQ(message, escapedDots + " - Invalid regular expressions.\n");
}

}  // namespace
}  // namespace vesk
