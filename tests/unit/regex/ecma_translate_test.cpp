#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "regex/ecma_translate.h"

namespace vesk::regex {
namespace {

std::u16string translated(std::u16string_view pattern, bool ignoreCase = false) {
  const auto result = translateEcmaPattern(pattern, ignoreCase);
  return result ? result->text : u"<invalid>";
}

bool accepted(std::u16string_view pattern) {
  return translateEcmaPattern(pattern, false).has_value();
}

// Where PCRE2 would read the ECMAScript text differently.
TEST(RegexTranslate, SpellsOutWhatPcreWouldReadDifferently) {
  EXPECT_EQ(translated(u"a.b\\v"), u"a[^\\n\\r]b\\u000b");
  EXPECT_EQ(translated(u"[[:alpha:]]"), u"[\\[\\:alpha\\:]\\]");  // not a POSIX class
  EXPECT_EQ(translated(u"a{,5}x{y]}"), u"a\\{\\,5\\}x\\{y\\]\\}");
  EXPECT_EQ(translated(u"\\xZ\\u12\\c1\\8"), u"xZu12\\\\c18");
  EXPECT_EQ(translated(u"\u3042\U0001F600"), u"\\u3042\\ud83d\\ude00");
  // Repeated zero times, an item only matches empty and sets no group.
  EXPECT_EQ(translated(u"x(c|^){0}y"), u"x(?:|(?!)(c|^))y");
  EXPECT_EQ(translated(u"\\w[^x\\W]", true), u"(?-i:[0-9A-Z_a-z])(?:(?!(?-i:[^0-9A-Z_a-z]))[^x])");
}

TEST(RegexTranslate, DecimalEscapesAreBackReferencesOnlyForExistingGroups) {
  EXPECT_EQ(translated(u"\\2(a)(b)"), u"(?:\\g{2})(a)(b)");  // a later group counts
  EXPECT_EQ(translated(u"\\1"), u"\\u0001");                 // octal without a group
  EXPECT_EQ(translated(u"(a)\\12"), u"(a)\\u000a");
  EXPECT_EQ(translated(u"\\101\\08\\400"), u"A\\u00008\\ 0");
  EXPECT_EQ(translated(u"\\k<b>(?<a>x)(?<b>y)"), u"(?:\\g{2})(x)(y)");
  EXPECT_EQ(translateEcmaPattern(u"(a)(?<n>b)(?:c)(?=(d))(?<=e)[(]\\(", false)->groupCount, 3u);
}

TEST(RegexTranslate, AcceptsTheWebCompatibleGrammar) {
  constexpr std::u16string_view kValid[] = {u"",
                                            u"|",
                                            u"a||b",
                                            u"(?:)",
                                            u"(?=a)+",
                                            u"(?!a){2}",
                                            u"(?<=ab)c",
                                            u"(?<!a|bc)d",
                                            u"^$",
                                            u"a{1}?",
                                            u"[^-]",
                                            u"[a-b-c]",
                                            u"[--a]",
                                            u"[\\c]",
                                            u"[\\d-z]",
                                            u"[\\b]",
                                            u"(?<$a_1>x)\\k<$a_1>",
                                            u"(?<\u540d>x)\\k<\u540d>",
                                            u"x{65535}"};
  for (const std::u16string_view pattern : kValid) {
    EXPECT_TRUE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(RegexTranslate, RejectsSyntaxErrorsAndPerlConstructs) {
  constexpr std::u16string_view kInvalid[] = {
      // Not ECMAScript at all.
      u"(", u")", u"[a", u"a\\", u"a**", u"a|*", u"{1}", u"a{2}{3}", u"x{2,1}", u"[z-a]", u"^*",
      u"\\b*", u"(?<=a)*", u"(?<a>x)(?<a>y)", u"(?<1a>x)", u"(?<a>x)\\k<b>", u"[\\k]", u"x{65536}",
      // Perl and PCRE forms that a user would expect to work as there.
      u"(?i)a", u"(?i:a)", u"\\Qa.b\\E", u"a\\Kb", u"(?>a)", u"a*+", u"a{2}+", u"(*FAIL)",
      u"(?#note)", u"(?|a)", u"(?R)", u"(?P<n>a)", u"\\Aa\\z", u"\\G", u"\\h", u"\\R", u"\\e",
      u"\\g{1}", u"\\p{L}", u"\\k", u"[\\B]"};
  for (const std::u16string_view pattern : kInvalid) {
    EXPECT_FALSE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(RegexTranslate, DeepNestingDoesNotExhaustTheStack) {
  const std::u16string deep = std::u16string(200000, u'(') + std::u16string(200000, u')');
  EXPECT_EQ(translateEcmaPattern(deep, false)->groupCount, 200000u);
  EXPECT_FALSE(accepted(std::u16string(200000, u'(')));
}

std::u16string required(std::u16string_view pattern, bool ignoreCase = false) {
  const auto result = translateEcmaPattern(pattern, ignoreCase);
  return result ? result->requiredText : u"<invalid>";
}

// A prefilter skips lines that lack the required text, so it must be held by
// every match: anything optional, alternative or inside a group ends a run.
TEST(RegexTranslate, RequiredTextIsHeldByEveryMatch) {
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
TEST(RegexTranslate, RequiredTextUnderIgnoreCaseKeepsToAsciiFolding) {
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
  const auto result = translateEcmaPattern(pattern, ignoreCase);
  return result ? shownSets(result->requiredSets) : u"<invalid>";
}

// Every run of sets worth looking for, with " / " between runs.
std::u16string requiredSetRuns(std::u16string_view pattern) {
  const auto result = translateEcmaPattern(pattern, false);
  if (!result) return u"<invalid>";
  std::u16string shown;
  for (const std::vector<CharSet>& run : result->requiredSetRuns) {
    if (!shown.empty()) shown += u" / ";
    shown += shownSets(run);
  }
  return shown;
}

TEST(RegexTranslate, RequiredSetsRuleOutTheMostText) {
  EXPECT_EQ(requiredSets(u"[a-z]+_[0-9]+\\("), u"abcdefghijklmnopqrstuvwxyz|_|0123456789");
  EXPECT_EQ(requiredSets(u"(x+x+)+[yz]"), u"yz");
  EXPECT_EQ(requiredSets(u"x\\d\\d"), u"x|0123456789|0123456789");
  EXPECT_EQ(requiredSets(u"ab?c+d"), u"c|d");  // b may be absent; the last c stands before d
  EXPECT_EQ(requiredSets(u"Mu", true), u"Mm|uU");
  EXPECT_EQ(requiredSets(u"a|b"), u"");
  EXPECT_EQ(requiredSets(u"[^a]"), u"");
  EXPECT_EQ(requiredSets(u"[ks]x", true), u"xX");  // k and s fold beyond ASCII
}

TEST(RegexTranslate, EveryRunWorthLookingForIsKept) {
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
TEST(RegexTranslate, LiteralPatternsAreTheirTextAndNothingElse) {
  const auto literal = [](std::u16string_view pattern, bool ignoreCase = false) {
    const auto result = translateEcmaPattern(pattern, ignoreCase);
    return result && result->literal;
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

}  // namespace
}  // namespace vesk::regex
