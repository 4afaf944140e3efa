#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/search_entry.h"

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
  const SearchTerm plain = makeSearchTerm(false, false, false, u"a.b");
  EXPECT_FALSE(plain.isReplace);
  EXPECT_EQ(plain.pattern, u"a.b");
  EXPECT_TRUE(plain.replacement.empty());
  const SearchTerm literal = makeSearchTerm(true, true, true, u"a.b");
  EXPECT_EQ(literal.pattern, u"a\\.b");
  EXPECT_TRUE(literal.ignoreCase);
  EXPECT_TRUE(literal.invert);
  EXPECT_FALSE(buildEntries({literal}).entries.at(0).matchesEmpty);
}

TEST(SearchEntryBuilding, ReplaceEntriesApplyLiteralBeforeEscapes) {
  const SearchTerm both = makeReplaceTerm(false, true, true, u"$.", u"$1\\n");
  EXPECT_TRUE(both.isReplace);
  EXPECT_FALSE(both.invert);
  EXPECT_EQ(both.pattern, u"\\$\\.");
  EXPECT_EQ(both.replacement, u"$$1\n");
  EXPECT_EQ(makeReplaceTerm(false, false, false, u"a", u"$1\\n").replacement, u"$1\\n");
  EXPECT_EQ(makeReplaceTerm(false, false, true, u"a", u"\\\\n").replacement, u"\\n");
  const SearchTerm folded = makeReplaceTerm(true, false, false, u"A", u"B");
  EXPECT_TRUE(folded.ignoreCase);
  EXPECT_EQ(folded.replacement, u"B");
}

TEST(BuildEntries, CompilesEveryEntryAndFindsThoseThatMatchEmptyText) {
  const std::vector<SearchTerm> terms{makeSearchTerm(false, false, false, u""),
                                      makeSearchTerm(false, false, false, u"a*"),
                                      makeSearchTerm(false, false, false, u"^$"),
                                      makeSearchTerm(false, false, false, u"(?:x)?"),
                                      makeSearchTerm(false, false, false, u"a"),
                                      makeSearchTerm(false, false, false, u"\\b"),
                                      makeReplaceTerm(false, false, false, u"$", u"X")};
  const BuiltEntries built = buildEntries(terms);
  ASSERT_FALSE(built.failure);
  const SearchEntryList& entries = built.entries;
  ASSERT_EQ(entries.size(), terms.size());
  const bool expected[] = {true, true, true, true, false, false, true};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].matchesEmpty, expected[i]) << i;
    EXPECT_TRUE(entries[i].pattern.compiled) << i;
    EXPECT_EQ(entries[i].isReplace, terms[i].isReplace) << i;
  }
  EXPECT_EQ(entries.back().replacement, u"X");
}

TEST(BuildEntries, ReportsTheFirstBadPatternAndStops) {
  const BuiltEntries built = buildEntries({makeSearchTerm(false, false, false, u"ok"),
                                           makeSearchTerm(false, false, false, u"(unbalanced"),
                                           makeSearchTerm(false, false, false, u"[also bad")});
  EXPECT_EQ(built.failure, (Diagnostic{MessageId::InvalidRegex, u"(unbalanced"}));
  ASSERT_EQ(built.entries.size(), 1u);
  EXPECT_TRUE(built.entries[0].pattern.compiled);
}

// Literal terms of any length a line holds compile, in either case mode; a
// pattern larger than the engine holds is named as written.
TEST(BuildEntries, LongLiteralTermsCompileAndTooLargePatternsAreNamed) {
  EXPECT_FALSE(buildEntries({makeSearchTerm(false, true, false, u"(unbalanced")}).failure);
  const std::u16string dots(65535, u'.');
  const std::u16string words = [] {
    std::u16string text;
    while (text.size() < 65535) text += u"Skip ké ";
    return text.substr(0, 65535);
  }();
  for (const bool ignoreCase : {false, true}) {
    for (const std::u16string& text : {dots, words}) {
      const BuiltEntries built =
          buildEntries({makeSearchTerm(ignoreCase, true, false, text),
                        makeReplaceTerm(ignoreCase, true, false, text, u"")});
      EXPECT_FALSE(built.failure) << ignoreCase;
      EXPECT_EQ(built.entries.size(), 2u);
    }
  }
  EXPECT_EQ(buildEntries({makeSearchTerm(false, false, false, dots)}).failure,
            (Diagnostic{MessageId::RegexTooLarge, dots}));
}

}  // namespace
}  // namespace vesk
