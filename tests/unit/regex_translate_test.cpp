#include <gtest/gtest.h>

#include <string>
#include <string_view>

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

std::size_t groupsOf(std::u16string_view pattern) {
  const auto result = translateEcmaPattern(pattern, false);
  return result ? result->groupCount : 999;
}

TEST(RegexTranslate, SpellsOutWhatPcreWouldReadDifferently) {
  EXPECT_EQ(translated(u"a.b"), u"a[^\\n\\r]b");
  EXPECT_EQ(translated(u"\\d\\D"), u"[0-9][^0-9]");
  EXPECT_EQ(translated(u"\\v"), u"\\u000b");
  EXPECT_EQ(translated(u"\\s"),
            u"[\\u0009-\\u000d\\ \\u00a0\\u1680\\u2000-\\u200a\\u2028-\\u2029\\u202f\\u205f"
            u"\\u3000\\ufeff]");
  EXPECT_EQ(translated(u"[^]|[]"), u"[^]|[^\\u0000-\\uffff]");
  // PCRE2 would read a POSIX class here; ECMAScript reads a class and a "]".
  EXPECT_EQ(translated(u"[[:alpha:]]"), u"[\\[\\:alpha\\:]\\]");
}

TEST(RegexTranslate, CharacterEscapes) {
  EXPECT_EQ(translated(u"\\u00e9\\x41\\cJ\\ca\\0"), u"\\u00e9A\\u000a\\u0001\\u0000");
  EXPECT_EQ(translated(u"\\f\\n\\r\\t"), u"\\u000c\\u000a\\u000d\\u0009");
  // Identity escapes of characters that are not letters.
  EXPECT_EQ(translated(u"\\/\\-\\\"\\$"), u"\\/\\-\\\"\\$");
  // Malformed \x and \u are the letters themselves; \c without a letter is a backslash.
  EXPECT_EQ(translated(u"\\xZ\\u12"), u"xZu12");
  EXPECT_EQ(translated(u"\\c1"), u"\\\\c1");
  // Non-ASCII pattern characters are written as escapes, one per UTF-16 unit.
  EXPECT_EQ(translated(u"\u3042\U0001F600"), u"\\u3042\\ud83d\\ude00");
}

TEST(RegexTranslate, DecimalEscapesAreBackReferencesOnlyForExistingGroups) {
  EXPECT_EQ(translated(u"(a)\\1"), u"(a)(?:\\g{1})");
  EXPECT_EQ(translated(u"\\2(a)(b)"), u"(?:\\g{2})(a)(b)");  // a later group counts
  EXPECT_EQ(translated(u"\\1"), u"\\u0001");                 // octal without a group
  EXPECT_EQ(translated(u"(a)\\12"), u"(a)\\u000a");
  EXPECT_EQ(translated(u"\\101\\08\\400"), u"A\\u00008\\ 0");
  EXPECT_EQ(translated(u"\\8\\9"), u"89");
}

TEST(RegexTranslate, NamedGroupsBecomeNumberedGroups) {
  EXPECT_EQ(translated(u"(?<year>\\d)-\\k<year>"), u"([0-9])\\-(?:\\g{1})");
  EXPECT_EQ(translated(u"\\k<b>(?<a>x)(?<b>y)"), u"(?:\\g{2})(x)(y)");
  EXPECT_EQ(groupsOf(u"(a)(?<n>b)(?:c)(?=(d))(?<=e)[(]\\("), 3u);
}

TEST(RegexTranslate, QuantifiersAndLiteralBraces) {
  EXPECT_EQ(translated(u"a*b+?c?d{2}e{2,}f{2,3}?"), u"a*b+?c?d{2}e{2,}f{2,3}?");
  EXPECT_EQ(translated(u"a{02}"), u"a{2}");
  // Braces that do not form a quantifier are characters, as are lone "]" and "}".
  EXPECT_EQ(translated(u"a{,5}x{y{1"), u"a\\{\\,5\\}x\\{y\\{1");
  EXPECT_EQ(translated(u"]}"), u"\\]\\}");
  EXPECT_EQ(translated(u"(?=a)*b"), u"(?=a)*b");
  // Repeated zero times, an item only matches empty (and sets no group).
  EXPECT_EQ(translated(u"x(c|^){0}y"), u"x(?:|(?!)(c|^))y");
  EXPECT_EQ(translated(u"a{0,0}?"), u"(?:|(?!)a)");
}

TEST(RegexTranslate, ClassesAndRanges) {
  EXPECT_EQ(translated(u"[a-z\\-]"), u"[a-z\\-]");
  EXPECT_EQ(translated(u"[\\b]"), u"[\\u0008]");
  EXPECT_EQ(translated(u"[a-]"), u"[a\\-]");
  // With a set at either end of a hyphen, the hyphen is a member.
  EXPECT_EQ(translated(u"[\\d-z]"), u"[0-9\\-z]");
  EXPECT_EQ(translated(u"[\\c1\\c_]"), u"[\\u0011\\u001f]");
  EXPECT_EQ(translated(u"[\\W]"), u"[\\u0000-\\/\\:-\\@\\[-\\^\\`\\{-\\uffff]");
}

TEST(RegexTranslate, IgnoreCaseKeepsTheWordSetsAscii) {
  EXPECT_EQ(translated(u"\\w", true), u"(?-i:[0-9A-Z_a-z])");
  EXPECT_EQ(translated(u"\\W", true), u"(?-i:[^0-9A-Z_a-z])");
  EXPECT_EQ(translated(u"[x\\w]", true), u"(?:[x]|(?-i:[0-9A-Z_a-z]))");
  EXPECT_EQ(translated(u"[^x\\W]", true), u"(?:(?!(?-i:[^0-9A-Z_a-z]))[^x])");
  EXPECT_EQ(translated(u"[^\\w]", true), u"(?:(?!(?-i:[0-9A-Z_a-z]))[^])");
  EXPECT_EQ(translated(u"\\b", true).substr(0, 5), u"(?-i:");
  EXPECT_EQ(translated(u"\\b", false).substr(0, 3), u"(?:");
}

TEST(RegexTranslate, AcceptsTheWebCompatibleGrammar) {
  for (const std::u16string_view pattern :
       {u"",        u"|",        u"a||b",     u"(?:)",       u"()",
        u"(?=a)+",  u"(?!a){2}", u"(?<=ab)c", u"(?<!a|bc)d", u"^$",
        u"\\b\\B",  u"a{1}?",    u"[^-]",     u"[-a]",       u"[a-b-c]",
        u"[--a]",   u"\\c",      u"[\\c]",    u"(?<$a_1>x)", u"(?<\u540d\u524d>x)\\k<\u540d\u524d>",
        u"x{65535}"}) {
    EXPECT_TRUE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(RegexTranslate, RejectsSyntaxErrors) {
  for (const std::u16string_view pattern : {u"(",
                                            u")",
                                            u"a)",
                                            u"(a",
                                            u"[",
                                            u"[a",
                                            u"\\",
                                            u"a\\",
                                            u"*",
                                            u"a**",
                                            u"a+*",
                                            u"a|*",
                                            u"{1}",
                                            u"a{2}{3}",
                                            u"x{2,1}",
                                            u"[z-a]",
                                            u"^*",
                                            u"$+",
                                            u"\\b*",
                                            u"\\B{2}",
                                            u"(?<=a)*",
                                            u"(?<!a)?",
                                            u"(?<a>x)(?<a>y)",
                                            u"(?<>x)",
                                            u"(?<1a>x)",
                                            u"(?<a>x)\\k",
                                            u"(?<a>x)\\k<b>",
                                            u"(?<a>x)\\k<a",
                                            u"[\\k]",
                                            u"x{65536}"}) {
    EXPECT_FALSE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(RegexTranslate, RejectsPerlConstructsThatEcmaScriptLacks) {
  for (const std::u16string_view pattern :
       {u"(?i)a",    u"(?i:a)",  u"\\Qa.b\\E", u"a\\Kb",   u"(?>a)",    u"a*+",    u"a++",
        u"a?+",      u"a{2}+",   u"(*FAIL)",   u"(*UTF)a", u"(?#note)", u"(?|a)",  u"(?R)",
        u"(?P<n>a)", u"(?'n'a)", u"\\Aa\\z",   u"a\\Z",    u"\\G",      u"\\h",    u"\\R",
        u"\\X",      u"\\N",     u"\\e",       u"\\a",     u"\\g1",     u"\\g{1}", u"\\p{L}",
        u"\\P{L}",   u"\\k",     u"[\\B]",     u"[\\p{L}]"}) {
    EXPECT_FALSE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(RegexTranslate, DeepNestingDoesNotExhaustTheStack) {
  const std::u16string deep = std::u16string(200000, u'(') + std::u16string(200000, u')');
  EXPECT_EQ(groupsOf(deep), 200000u);
  EXPECT_FALSE(accepted(std::u16string(200000, u'(')));
}

}  // namespace
}  // namespace vesk::regex
