#include "regex/required_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regex/ecma_parse.h"

namespace vesk::regex {
namespace {

std::optional<RequiredTexts> requiredOf(std::u16string_view pattern, bool ignoreCase) {
  const auto tree = parseEcmaPattern(pattern);
  if (!tree) return std::nullopt;
  return findRequiredTexts(*tree, ignoreCase);
}

std::u16string required(std::u16string_view pattern, bool ignoreCase = false) {
  const auto result = requiredOf(pattern, ignoreCase);
  return result ? result->text : u"<invalid>";
}

// A prefilter skips lines that lack the required text, so it must be held by
// every match: anything optional, alternative or inside a group ends a run.
TEST(RequiredText, RequiredTextIsHeldByEveryMatch) {
  EXPECT_EQ(required(u"PTHREAD_MUTEX"), u"PTHREAD_MUTEX");
  EXPECT_EQ(required(u"[a-z]+_[0-9]+\\("), u"_");
  EXPECT_EQ(required(u"abc?d"), u"ab");      // "c" may be absent
  EXPECT_EQ(required(u"ab*cdef"), u"cdef");  // "b" may be absent
  EXPECT_EQ(required(u"xy+zzz"), u"zzz");    // "y" is there, but not always next to "z"
  EXPECT_EQ(required(u"a{0}bc"), u"bc");
  EXPECT_EQ(required(u"q{1,}rst"), u"rst");
  EXPECT_EQ(required(u"ab|cd"), u"");  // alternatives at the top level
  EXPECT_EQ(required(u"x(ab|cd)yz"), u"yz");
  EXPECT_EQ(required(u"^abc$"), u"abc");
  EXPECT_EQ(required(u"a.bcd\\sef"), u"bcd");
  EXPECT_EQ(required(u"a\\.b\\u0041\\x42"), u"a.bAB");
  EXPECT_EQ(required(u"(?=abc)x"), u"x");
  EXPECT_EQ(required(u"a{b"), u"a{b");  // a "{" that opens no quantifier is a character
  EXPECT_EQ(required(u"(a)\\1bc"), u"bc");
  EXPECT_EQ(required(u""), u"");
}

// With the letter i, PCRE2 folds "k" and "s" onto letters beyond ASCII, and
// letters beyond ASCII onto others: none of them may stand in the text.
TEST(RequiredText, RequiredTextUnderIgnoreCaseKeepsToAsciiFolding) {
  EXPECT_EQ(required(u"mutex", true), u"mutex");
  EXPECT_EQ(required(u"make_it", true), u"e_it");
  EXPECT_EQ(required(u"ab\u00e9cde", true), u"cde");
  EXPECT_EQ(required(u"s", true), u"");
}

// Sets written as the characters of each set with "|" between sets.
std::u16string shownSets(const std::vector<CharSet>& sets) {
  std::u16string shown;
  for (const CharSet& set : sets) {
    if (!shown.empty()) shown += u'|';
    for (const CharRange& range : set) {
      for (char32_t c = range.first; c <= range.last; ++c) shown += static_cast<char16_t>(c);
    }
  }
  return shown;
}

// The sets every match holds side by side.
std::u16string requiredSets(std::u16string_view pattern, bool ignoreCase = false) {
  const auto result = requiredOf(pattern, ignoreCase);
  return result ? shownSets(result->sets) : u"<invalid>";
}

// Every run of sets worth looking for, with " / " between runs.
std::u16string requiredSetRuns(std::u16string_view pattern) {
  const auto result = requiredOf(pattern, false);
  if (!result) return u"<invalid>";
  std::u16string shown;
  for (const std::vector<CharSet>& run : result->setRuns) {
    if (!shown.empty()) shown += u" / ";
    shown += shownSets(run);
  }
  return shown;
}

TEST(RequiredText, RequiredSetsRuleOutTheMostText) {
  EXPECT_EQ(requiredSets(u"[a-z]+_[0-9]+\\("), u"abcdefghijklmnopqrstuvwxyz|_|0123456789");
  EXPECT_EQ(requiredSets(u"(x+x+)+[yz]"), u"yz");
  EXPECT_EQ(requiredSets(u"x\\d\\d"), u"x|0123456789|0123456789");
  EXPECT_EQ(requiredSets(u"ab?c+d"), u"c|d");  // b may be absent; the last c stands before d
  EXPECT_EQ(requiredSets(u"Mu", true), u"Mm|uU");
  EXPECT_EQ(requiredSets(u"a|b"), u"");
  EXPECT_EQ(requiredSets(u"[^a]"), u"");
  EXPECT_EQ(requiredSets(u"[ks]x", true), u"xX");  // k and s fold beyond ASCII
}

TEST(RequiredText, EveryRunWorthLookingForIsKept) {
  EXPECT_EQ(requiredSetRuns(u"東京.*資料"), u"東|京 / 資|料");
  EXPECT_EQ(requiredSetRuns(u"ab?c+d"), u"a / c / c|d");          // the last c stands before d
  EXPECT_EQ(requiredSetRuns(u"(?:x|y)z[0-9]"), u"z|0123456789");  // a group ends a run
  EXPECT_EQ(requiredSetRuns(u"[a-z]+_"), u"abcdefghijklmnopqrstuvwxyz|_");
  EXPECT_EQ(requiredSetRuns(u"[a-z]+ [a-z]+"),
            u"abcdefghijklmnopqrstuvwxyz| |abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(requiredSetRuns(u"[a-z]\\d"), u"");  // rules out too little to look for
  EXPECT_EQ(requiredSetRuns(u"foo|bar"), u"");
}

// A literal pattern matches exactly where its text stands, so a line holding
// the text's bytes is selected without the engine.
TEST(RequiredText, LiteralPatternsAreTheirTextAndNothingElse) {
  const auto literal = [](std::u16string_view pattern, bool ignoreCase = false) {
    const auto tree = parseEcmaPattern(pattern);
    return tree && isLiteralText(plainTextOf(*tree), ignoreCase);
  };
  EXPECT_TRUE(literal(u"PTHREAD_MUTEX"));
  EXPECT_TRUE(literal(u"a\\.b\\u0041\\(x\\)"));
  EXPECT_TRUE(literal(u"mutex", true));
  for (const std::u16string_view pattern : {u"", u"ab|cd", u"^abc", u"abc$", u"ab*", u"a.b",
                                            u"(ab)", u"[a]", u"a{2}", u"\\bab", u"(?=a)a"}) {
    EXPECT_FALSE(literal(pattern)) << std::string(pattern.begin(), pattern.end());
  }
  EXPECT_FALSE(literal(u"mask", true));  // k folds onto the Kelvin sign
}

// A pattern of single characters is that text whatever their case folding;
// anything else makes it a pattern.
TEST(RequiredText, PlainTextIsSingleCharactersOnly) {
  const auto plain = [](std::u16string_view pattern) {
    return plainTextOf(*parseEcmaPattern(pattern));
  };
  EXPECT_EQ(plain(u"mask\\u00e9\\.{"), u"mask\u00e9.{");
  for (const std::u16string_view pattern : {u"", u"a|b", u"ab*", u"a{1}", u"(a)", u"[a]", u"a$"}) {
    EXPECT_EQ(plain(pattern), u"") << std::string(pattern.begin(), pattern.end());
  }
}

}  // namespace
}  // namespace vesk::regex
