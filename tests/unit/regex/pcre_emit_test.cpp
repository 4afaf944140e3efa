#include "regex/pcre_emit.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "regex/ecma_parse.h"

namespace vesk::regex {
namespace {

std::u16string emitted(std::u16string_view pattern, bool ignoreCase = false,
                       PcreMatcher matcher = PcreMatcher::Backtracking) {
  const auto tree = parseEcmaPattern(pattern);
  return tree ? emitPcre(*tree, ignoreCase, matcher) : u"<invalid>";
}

// Where PCRE2 would read the ECMAScript text differently.
TEST(PcreEmit, SpellsOutWhatPcreWouldReadDifferently) {
  EXPECT_EQ(emitted(u"a.b\\v"), u"a[^\\n\\r]b\\u000b");
  EXPECT_EQ(emitted(u"[[:alpha:]]"), u"[\\[\\:alpha\\:]\\]");  // not a POSIX class
  EXPECT_EQ(emitted(u"a{,5}x{y]}"), u"a\\{\\,5\\}x\\{y\\]\\}");
  EXPECT_EQ(emitted(u"\\xZ\\u12\\c1\\8"), u"xZu12\\\\c18");
  EXPECT_EQ(emitted(u"\u3042\U0001F600"), u"\\u3042\\ud83d\\ude00");
  // Repeated zero times, an item only matches empty and sets no group.
  EXPECT_EQ(emitted(u"x(c|^){0}y"), u"x(?:|(?!)(c|^))y");
  EXPECT_EQ(emitted(u"\\w[^x\\W]", true), u"(?-i:[0-9A-Z_a-z])(?:(?!(?-i:[^0-9A-Z_a-z]))[^x])");
}

TEST(PcreEmit, DecimalEscapesAreBackReferencesOnlyForExistingGroups) {
  EXPECT_EQ(emitted(u"\\2(a)(b)"), u"(?:\\g{2})(a)(b)");  // a later group counts
  EXPECT_EQ(emitted(u"\\1"), u"\\u0001");                 // octal without a group
  EXPECT_EQ(emitted(u"(a)\\12"), u"(a)\\u000a");
  EXPECT_EQ(emitted(u"\\101\\08\\400"), u"A\\u00008\\ 0");
  EXPECT_EQ(emitted(u"\\k<b>(?<a>x)(?<b>y)"), u"(?:\\g{2})(x)(y)");
}

// For the automaton a repeated item stands in a group, unless PCRE2 reads
// its text as a group already; nothing else changes.
TEST(PcreEmit, RepeatedItemsStandInGroupsForTheAutomaton) {
  const auto automaton = [](std::u16string_view pattern, bool ignoreCase = false) {
    return emitted(pattern, ignoreCase, PcreMatcher::Automaton);
  };
  EXPECT_EQ(automaton(u"x+.*?[ab]{2,}\\d?"), u"(?:x)+(?:[^\\n\\r])*?(?:[ab]){2,}(?:[0-9])?");
  EXPECT_EQ(automaton(u"(a)+(?:b)*(?=c)?\\1{2}"), u"(a)+(?:b)*(?=c)?(?:\\g{1}){2}");
  EXPECT_EQ(automaton(u"\\w+[\\w]*\\s+", true),
            u"(?-i:[0-9A-Z_a-z])+(?:(?-i:[0-9A-Z_a-z]))*(?:[\\u0009-\\u000d\\ "
            u"\\u00a0\\u1680\\u2000-\\u200a\\u2028-\\u2029\\u202f\\u205f\\u3000\\ufeff])+");
  EXPECT_EQ(automaton(u"x{0}y|z"), emitted(u"x{0}y|z"));
}

TEST(PcreEmit, DeepNestingDoesNotExhaustTheStack) {
  const std::u16string deep = std::u16string(200000, u'(') + u"a" + std::u16string(200000, u')');
  const auto tree = parseEcmaPattern(deep + u"+");
  EXPECT_EQ(emitPcre(*tree, false), deep + u"+");
  EXPECT_EQ(emitPcre(*tree, false, PcreMatcher::Automaton), deep + u"+");
}

// A long plain text is compiled a piece at a time; together the pieces are
// the whole pattern.
TEST(PcreEmit, PiecesHoldTheItemsInTurn) {
  const auto tree = parseEcmaPattern(u"ab\\.c\u00e9");
  EXPECT_EQ(emitPcrePieces(*tree, true, 2),
            (std::vector<std::u16string>{u"ab", u"\\.c", u"\\u00e9"}));
  EXPECT_EQ(emitPcrePieces(*tree, true, 5), (std::vector<std::u16string>{u"ab\\.c\\u00e9"}));
}

}  // namespace
}  // namespace vesk::regex
