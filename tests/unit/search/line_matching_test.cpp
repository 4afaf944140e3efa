#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/line_matching.h"

namespace vesk {
namespace {

using Terms = std::vector<SearchTerm>;

SearchTerm search(std::u16string_view pattern, bool invert = false, bool ignoreCase = false) {
  return makeSearchTerm(ignoreCase, false, invert, pattern);
}

SearchTerm replace(std::u16string_view pattern, std::u16string_view format) {
  return makeReplaceTerm(false, false, false, pattern, format);
}

struct Evaluated {
  std::u16string text;
  bool hit = false;
  bool gaveUp = false;
  bool tooLong = false;
  bool operator==(const Evaluated&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Evaluated& e) {
  os << '"';
  for (const char16_t c : e.text) {
    if (c == u'\n') {
      os << "\\n";
    } else {
      os << static_cast<char>(c < 0x80 ? c : u'?');
    }
  }
  return os << "\" hit=" << e.hit << " gaveUp=" << e.gaveUp << " tooLong=" << e.tooLong;
}

Evaluated evaluate(const Terms& terms, std::u16string line) {
  const BuiltEntries built = buildEntries(terms);
  EXPECT_FALSE(built.failure);
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  const LineOutcome outcome = evaluateLine(built.entries, workspace, line);
  return {line, outcome.hit, outcome.engineGaveUp, outcome.tooLong};
}

Evaluated selected(std::u16string text) {
  return {std::move(text), true, false};
}
Evaluated rejected() {
  return {u"", false, false};
}
Evaluated unchanged(std::u16string text) {
  return {std::move(text), false, false};
}

TEST(LineMatchingSearch, EverySearchEntryMustHitAndTheFirstMissStops) {
  const Terms both{search(u"a"), search(u"b")};
  EXPECT_EQ(evaluate(both, u"ab\n"), selected(u"ab\n"));
  EXPECT_EQ(evaluate(both, u"a\n"), rejected());
  // The replacement after the missing entry would turn any line into "Y".
  const Terms missThenReplace{search(u"x"), replace(u"^[^]*", u"Y")};
  EXPECT_EQ(evaluate(missThenReplace, u"abc\n"), rejected());
}

TEST(LineMatchingSearch, InvertedEntriesSelectLinesWithoutTheirPattern) {
  EXPECT_EQ(evaluate({search(u"err", true)}, u"an error\n"), rejected());
  EXPECT_EQ(evaluate({search(u"err", true)}, u"all fine\n"), selected(u"all fine\n"));
  EXPECT_EQ(evaluate({search(u"ERR", false, true)}, u"an error\n"), selected(u"an error\n"));
}

TEST(LineMatchingSearch, AnEmptyMatchAtTheEndOfTheLineDoesNotCount) {
  EXPECT_EQ(evaluate({search(u"$")}, u"abc\n"), selected(u"abc\n"));
  EXPECT_EQ(evaluate({search(u"$")}, u"abc"), rejected());
  EXPECT_EQ(evaluate({search(u"$")}, u""), rejected());
  EXPECT_EQ(evaluate({search(u"^$")}, u"\n"), selected(u"\n"));
  EXPECT_EQ(evaluate({search(u"^$")}, u"abc\n"), rejected());
  EXPECT_EQ(evaluate({search(u"x*")}, u"abc"), selected(u"abc"));
  // Inverted, the discounted match means the pattern was not found.
  EXPECT_EQ(evaluate({search(u"^$", true)}, u"abc\n"), selected(u"abc\n"));
  // A pattern that cannot match the empty text keeps a match at the end.
  EXPECT_EQ(evaluate({search(u"(?<=c)")}, u"abc"), selected(u"abc"));
}

TEST(LineMatchingReplace, AnUnchangedLineIsNotAHit) {
  EXPECT_EQ(evaluate({replace(u"x", u"y")}, u"abc\n"), unchanged(u"abc\n"));
  EXPECT_EQ(evaluate({replace(u"a", u"a")}, u"abc\n"), unchanged(u"abc\n"));
  // Only the last entry decides the hit.
  EXPECT_EQ(evaluate({replace(u"a", u"b"), replace(u"x", u"y")}, u"a\n"), unchanged(u"b\n"));
  EXPECT_EQ(evaluate({replace(u"x", u"y"), replace(u"a", u"b")}, u"a\n"), selected(u"b\n"));
}

TEST(LineMatchingReplace, SearchAndReplaceEntriesApplyInListOrder) {
  const Terms searchFirst{search(u"foo"), replace(u"o", u"0")};
  EXPECT_EQ(evaluate(searchFirst, u"food\n"), selected(u"f00d\n"));
  EXPECT_EQ(evaluate(searchFirst, u"bar\n"), rejected());
  const Terms replaceFirst{replace(u"o", u"0"), search(u"f00")};
  EXPECT_EQ(evaluate(replaceFirst, u"food\n"), selected(u"f00d\n"));
  EXPECT_EQ(evaluate(replaceFirst, u"fo\n"), rejected());
}

TEST(LineMatchingReplace, EveryMatchIsReplacedLeftToRight) {
  EXPECT_EQ(evaluate({replace(u"(\\w+)@(\\w+)", u"$2 at $1")}, u"me@here, you@there"),
            selected(u"here at me, there at you"));
  EXPECT_EQ(evaluate({replace(u"b", u"[$`]")}, u"abab"), selected(u"a[a]a[a]"));
  EXPECT_EQ(evaluate({replace(u"b", u"[$']")}, u"abab"), selected(u"a[ab]a[]"));
  // After an empty match the next one may start there only if it is not empty.
  EXPECT_EQ(evaluate({replace(u"x*", u"-")}, u"abc"), selected(u"-a-b-c-"));
  EXPECT_EQ(evaluate({replace(u"a*", u"-")}, u"baaac"), selected(u"-b--c-"));
  EXPECT_EQ(evaluate({replace(u"a*?", u"-")}, u"aa"), selected(u"-----"));
}

TEST(LineMatchingReplace, TheEmptyMatchAfterTheFinalLineFeedIsTrimmed) {
  EXPECT_EQ(evaluate({replace(u"$", u"X")}, u"abc\n"), selected(u"abcX\n"));
  EXPECT_EQ(evaluate({replace(u"$", u"X")}, u"abc"), selected(u"abcX"));
  EXPECT_EQ(evaluate({replace(u"$", u"[$&]")}, u"abc\n"), selected(u"abc[]\n"));
  EXPECT_EQ(evaluate({replace(u"x*", u"-")}, u"ab\n"), selected(u"-a-b-\n"));
  // formatLiteralText of "$0" is empty, so nothing is trimmed.
  EXPECT_EQ(evaluate({replace(u"$", u"$0")}, u"abc\n"), selected(u"abc$0\n$0"));
  // A pattern that cannot match the empty text is never trimmed.
  EXPECT_EQ(evaluate({replace(u"c", u"\n")}, u"abc\n"), selected(u"ab\n\n"));
}

TEST(LineMatchingReplace, WholeLinesCanBeRemovedOrFilled) {
  EXPECT_EQ(evaluate({replace(u"^abc\\n", u"")}, u"abc\n"), selected(u""));
  const Terms removeThenFill{replace(u"^[^]*", u""), replace(u"x*", u"Y")};
  EXPECT_EQ(evaluate(removeThenFill, u"abc\n"), selected(u"Y"));
}

// Search entries without back-references are decided on any line, by the
// automaton where backtracking would take too long; with them, and for
// replace entries, the engine may give up: the line is then skipped (by an
// inverted entry too) or left unchanged, and later replace entries still apply.
TEST(LineMatchingLimits, HardLinesAreDecidedSkippedOrLeftUnchanged) {
  const std::u16string line = std::u16string(64, u'a') + u"!\n";
  const Evaluated skipped{u"", false, true};
  struct Case {
    SearchTerm term;
    Evaluated expected;
  };
  const Case cases[] = {
      {search(u"^(a|a?)+$"), rejected()},      {search(u"^(a|a?)+$", true), selected(line)},
      {search(u"(a|a?)+b|!"), selected(line)}, {search(u"(a|a?)+b|!", true), rejected()},
      {search(u"^(a|a?)+\\1$"), skipped},      {search(u"^(a|a?)+\\1$", true), skipped},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(evaluate({c.term}, line), c.expected)
        << std::string(c.term.pattern.begin(), c.term.pattern.end());
  }
  const Terms replaces{replace(u"^(a|a?)+$", u"x"), replace(u"!", u"?")};
  const std::u16string expected = std::u16string(64, u'a') + u"?\n";
  EXPECT_EQ(evaluate(replaces, line), (Evaluated{expected, true, true}));
  const Terms undecidedLast{replace(u"!", u"?"), replace(u"^(a|a?)+$", u"x")};
  EXPECT_EQ(evaluate(undecidedLast, line), (Evaluated{expected, false, true}));
}

// A replacement may not make a line longer than a line may be: such a line
// stays as it was, and the entries after it still apply.
TEST(LineMatchingLimits, ALineThatWouldGrowTooLongIsLeftUnchanged) {
  const std::u16string line = std::u16string(2000, u'a') + u"\n";
  // "$'" for every character: about two million units.
  const Evaluated tooLong{line, false, false, true};
  EXPECT_EQ(evaluate({replace(u"a", u"$'")}, line), tooLong);
  EXPECT_EQ(evaluate({replace(u"a", u"$&$&$&")}, line),
            selected(std::u16string(6000, u'a') + u"\n"));
  // Up to the limit exactly, and one unit beyond.
  const std::u16string fill(kRewrittenLineUnitsAtMost - line.size(), u'b');
  EXPECT_EQ(evaluate({replace(u"^a", fill + u"a")}, line), selected(fill + line));
  EXPECT_EQ(evaluate({replace(u"^a", fill + u"ba")}, line), tooLong);
  const Terms thenShorter{replace(u"a", u"$'"), replace(u"a{1500}", u"")};
  EXPECT_EQ(evaluate(thenShorter, line),
            (Evaluated{std::u16string(500, u'a') + u"\n", true, false, true}));
}

TEST(LineMatchingLimits, LongestLinesAreMatchedWhole) {
  std::u16string line;
  for (int i = 0; i < 65534; ++i) line += i % 2 ? u'a' : u'b';
  line += u'\n';
  EXPECT_EQ(evaluate({search(u"^(?:a|b)*$")}, line), selected(line));
  const Evaluated replaced = evaluate({replace(u"(a|b)+", u"<$1>")}, line);
  EXPECT_EQ(replaced, selected(u"<a>\n"));
}

}  // namespace
}  // namespace vesk
