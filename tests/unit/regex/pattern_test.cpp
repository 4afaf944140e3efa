#include <gtest/gtest.h>

#include <algorithm>

#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "regex/pattern.h"

#include "regex/ecma_parse.h"
#include "regex/required_text.h"

namespace vesk::regex {
namespace {

struct Range {
  std::size_t start;
  std::size_t end;
  bool operator==(const Range&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Range& found) {
  return os << "[" << found.start << ", " << found.end << ")";
}

// A pattern with a workspace of its own, as one thread of matching holds them.
struct Matcher {
  Pattern pattern;
  MatchWorkspace workspace = createMatchWorkspace();
};

MatchOutcome findMatch(Matcher& matcher, std::u16string_view subject, std::size_t start,
                       MatchOptions options = {}) {
  return findMatch(matcher.pattern, matcher.workspace, subject, start, options);
}
std::optional<Span> groupSpan(const Matcher& matcher, std::size_t n) {
  return groupSpan(matcher.workspace, n);
}
std::size_t groupCount(const Matcher& matcher) {
  return groupCount(matcher.pattern);
}
bool usesJit(const Matcher& matcher) {
  return usesJit(matcher.pattern);
}

Matcher compiled(std::u16string_view pattern, bool ignoreCase = false,
                 JitUse jit = JitUse::WhenAvailable) {
  auto result = compilePattern(pattern, ignoreCase, jit);
  EXPECT_TRUE(result.pattern.has_value()) << std::string(pattern.begin(), pattern.end());
  return Matcher{result.pattern ? *result.pattern : Pattern{}};
}

// The leftmost match from start, or nullopt when there is none.
std::optional<Range> leftmost(Matcher& pattern, std::u16string_view subject,
                              std::size_t start = 0) {
  const MatchOutcome outcome = findMatch(pattern, subject, start);
  EXPECT_NE(outcome, MatchOutcome::GaveUp);
  if (outcome != MatchOutcome::Found) return std::nullopt;
  const Span whole = *groupSpan(pattern, 0);
  return Range{whole.start, whole.end};
}

std::optional<Range> leftmost(std::u16string_view pattern, std::u16string_view subject,
                              bool ignoreCase = false) {
  Matcher compiledPattern = compiled(pattern, ignoreCase);
  return leftmost(compiledPattern, subject);
}

bool matches(std::u16string_view pattern, std::u16string_view subject, bool ignoreCase = false) {
  return leftmost(pattern, subject, ignoreCase).has_value();
}

std::vector<std::size_t> emptyMatchPositions(std::u16string_view pattern,
                                             std::u16string_view subject) {
  Matcher p = compiled(pattern);
  std::vector<std::size_t> positions;
  for (std::size_t start = 0; start <= subject.size(); ++start) {
    if (const auto found = leftmost(p, subject, start); found && found->start == start) {
      positions.push_back(start);
    }
  }
  return positions;
}

TEST(RegexDialect, AnchorsWorkAroundLineFeedsOnly) {
  EXPECT_EQ(emptyMatchPositions(u"$", u"abc\n"), (std::vector<std::size_t>{3, 4}));
  EXPECT_EQ(emptyMatchPositions(u"^", u"abc\n"), (std::vector<std::size_t>{0, 4}));
  EXPECT_EQ(emptyMatchPositions(u"^", u"a\nb"), (std::vector<std::size_t>{0, 2}));
  EXPECT_FALSE(matches(u"a$", u"a\rb"));
  EXPECT_FALSE(matches(u"^b", u"a\rb"));
  EXPECT_FALSE(matches(u"^b", u"a\u2028b"));
}

TEST(RegexDialect, DotSkipsLineFeedAndCarriageReturnOnly) {
  EXPECT_FALSE(matches(u"a.b", u"a\nb"));
  EXPECT_FALSE(matches(u"a.b", u"a\rb"));
  EXPECT_TRUE(matches(u"a.b", u"a\u2028b"));
  EXPECT_TRUE(matches(u"a.b", u"a\u0085b"));
  // Each UTF-16 unit is one character.
  EXPECT_FALSE(matches(u"^.$", u"\U0001F600"));
  EXPECT_TRUE(matches(u"^..$", u"\U0001F600"));
}

TEST(RegexDialect, DigitWordAndBoundaryAreAscii) {
  EXPECT_FALSE(matches(u"\\d", u"\uFF11\u0663"));
  EXPECT_FALSE(matches(u"\\w", u"\u00E9\u3042"));
  EXPECT_EQ(leftmost(u"\\b", u"\u00E9a"), (Range{1, 1}));
  EXPECT_EQ(leftmost(u"\\B", u"a\u00E9"), (Range{2, 2}));
  EXPECT_TRUE(matches(u"^\\W\\D$", u"\u00E9\uFF11"));
}

TEST(RegexDialect, SpaceIsEcmaScriptsSet) {
  for (const char16_t space :
       u"\t\n\v\f\r \u00A0\u1680\u2000\u200A\u2028\u2029\u202F\u205F"
       u"\u3000\uFEFF") {
    if (space == 0) continue;
    EXPECT_TRUE(matches(u"^\\s$", std::u16string(1, space))) << int(space);
    EXPECT_FALSE(matches(u"\\S", std::u16string(1, space))) << int(space);
  }
  for (const char16_t other : u"\u0085\u180E\u200B\u2060x") {
    if (other == 0) continue;
    EXPECT_FALSE(matches(u"\\s", std::u16string(1, other))) << int(other);
  }
}

TEST(RegexDialect, UnsetBackReferenceMatchesEmpty) {
  EXPECT_EQ(leftmost(u"(a)?b\\1", u"b"), (Range{0, 1}));
  EXPECT_EQ(leftmost(u"\\1(a)", u"a"), (Range{0, 1}));
  EXPECT_EQ(leftmost(u"(a)\\1", u"aab"), (Range{0, 2}));
  EXPECT_EQ(leftmost(u"(?<x>b)\\k<x>", u"abb"), (Range{1, 3}));
}

TEST(RegexDialect, EmptyClassesMatchNothingOrAnything) {
  EXPECT_FALSE(matches(u"[]", u"abc\n"));
  EXPECT_EQ(leftmost(u"[^]", u"\n"), (Range{0, 1}));
  EXPECT_EQ(leftmost(u"a[^]b", u"a\nb"), (Range{0, 3}));
  EXPECT_EQ(leftmost(u"a[]*b", u"ab"), (Range{0, 2}));
  EXPECT_EQ(leftmost(u"a[]{0}b", u"ab"), (Range{0, 2}));
  EXPECT_EQ(leftmost(u"a[]?b", u"ab"), (Range{0, 2}));
}

TEST(RegexDialect, ItemsRepeatedZeroTimesMatchEmpty) {
  EXPECT_EQ(leftmost(u"(?:c|^){0}x", u"a1x"), (Range{2, 3}));
  EXPECT_EQ(leftmost(u"(?:c|(?=a)){0}?x", u"a1x"), (Range{2, 3}));
  EXPECT_EQ(leftmost(u"(a){0}\\1b", u"ab"), (Range{1, 2}));
}

TEST(RegexDialect, QuantifiedUnsetBackReferencesMatchEmpty) {
  for (const JitUse jit : {JitUse::WhenAvailable, JitUse::Never}) {
    Matcher plus = compiled(u"(a)|x\\1+", false, jit);
    EXPECT_EQ(leftmost(plus, u"x"), (Range{0, 1}));
    Matcher twice = compiled(u"(?:(a)|b)\\1{2}", false, jit);
    EXPECT_EQ(leftmost(twice, u"b"), (Range{0, 1}));
    EXPECT_EQ(leftmost(twice, u"aaa"), (Range{0, 3}));
  }
}

TEST(RegexDialect, IgnoreCaseFoldsLettersButNotTheWordSets) {
  EXPECT_FALSE(matches(u"abc", u"ABC"));
  EXPECT_TRUE(matches(u"abc", u"aBC", true));
  EXPECT_TRUE(matches(u"[a-z]", u"Q", true));
  EXPECT_TRUE(matches(u"\u00E9", u"\u00C9", true));
  EXPECT_TRUE(matches(u"\uFF41", u"\uFF21", true));
  EXPECT_TRUE(matches(u"(a)\\1", u"aA", true));
  EXPECT_TRUE(matches(u"(\u00E9)\\1", u"\u00E9\u00C9", true));
  // The Kelvin sign and the long s fold onto k and s in Unicode, but they
  // are not word characters.
  for (const std::u16string_view odd : {u"\u212A", u"\u017F"}) {
    EXPECT_FALSE(matches(u"\\w", odd, true));
    EXPECT_FALSE(matches(u"[\\w]", odd, true));
    EXPECT_TRUE(matches(u"\\W", odd, true));
    EXPECT_TRUE(matches(u"[\\W]", odd, true));
    EXPECT_FALSE(matches(u"[^\\W]", odd, true));
    EXPECT_TRUE(matches(u"[^\\w]", odd, true));
    EXPECT_FALSE(matches(u"\\b", odd, true));
  }
  EXPECT_TRUE(matches(u"[^x\\W]", u"Y", true));
  EXPECT_FALSE(matches(u"[^x\\W]", u"X", true));
}

// Valid ECMAScript that PCRE2 cannot compile: lookbehinds need a fixed length.
TEST(RegexDialect, VariableLookbehindsAreRejected) {
  EXPECT_FALSE(compilePattern(u"(?<=a+)b", false).pattern.has_value());
  EXPECT_FALSE(compilePattern(u"(?<=\\1(a))", false).pattern.has_value());
  EXPECT_TRUE(compilePattern(u"(?<=a|bc)d", false).pattern.has_value());
}

TEST(RegexMatching, GroupsAndTheirSpans) {
  Matcher p = compiled(u"(a)|(b)(c)?");
  EXPECT_EQ(groupCount(p), 3u);
  ASSERT_EQ(findMatch(p, u"xb", 0), MatchOutcome::Found);
  EXPECT_FALSE(groupSpan(p, 1).has_value());
  EXPECT_EQ(groupSpan(p, 2)->start, 1u);
  EXPECT_EQ(groupSpan(p, 2)->end, 2u);
  EXPECT_FALSE(groupSpan(p, 3).has_value());
  EXPECT_FALSE(groupSpan(p, 4).has_value());
  ASSERT_EQ(findMatch(p, u"x", 0), MatchOutcome::NotFound);
  EXPECT_FALSE(groupSpan(p, 0).has_value());
}

TEST(RegexMatching, StartPositionAndNonEmptyStart) {
  Matcher star = compiled(u"x*");
  ASSERT_EQ(findMatch(star, u"ab", 0, {.notEmptyAtStart = true}), MatchOutcome::Found);
  EXPECT_EQ(groupSpan(star, 0)->start, 1u);
  ASSERT_EQ(findMatch(star, u"xa", 0, {.notEmptyAtStart = true}), MatchOutcome::Found);
  EXPECT_EQ(groupSpan(star, 0)->end, 1u);
  EXPECT_EQ(findMatch(star, u"ab", 3), MatchOutcome::NotFound);

  Matcher caret = compiled(u"^b");
  EXPECT_EQ(leftmost(caret, u"ab", 1), std::nullopt);
  Matcher behind = compiled(u"(?<=a)b");
  EXPECT_EQ(leftmost(behind, u"ab", 1), (Range{1, 2}));
}

TEST(RegexMatching, InterpreterGivesTheSameAnswers) {
  const std::u16string subject = u"Abc a\u00E9b\n x-y  \u3000z9 aab";
  for (const std::u16string_view pattern :
       {u"b", u"\\bx", u"\\s+z", u"(a)\\1", u"[^\\w\\s]", u"$", u"^ ", u"(?<=a)b", u"\u00C9"}) {
    for (const bool ignoreCase : {false, true}) {
      Matcher interpreted = compiled(pattern, ignoreCase, JitUse::Never);
      EXPECT_FALSE(usesJit(interpreted));
      Matcher jit = compiled(pattern, ignoreCase);
      EXPECT_EQ(leftmost(interpreted, subject), leftmost(jit, subject))
          << std::string(pattern.begin(), pattern.end());
    }
  }
}

// The lines are as long as the reader ever makes them.
constexpr std::size_t kLongLine = 65535;

std::u16string alternating(std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += i % 2 ? u'a' : u'b';
  return text;
}

// A workspace's JIT stack holds what ordinary patterns need over the longest
// lines. A search that overflows it, on either word size, is finished by the
// interpreter on its heap; one too large for both gives up.
TEST(RegexLimits, LongLinesFitTheJitStackOrFallBackToTheInterpreter) {
  const std::u16string line = alternating(kLongLine);
  for (const JitUse jit : {JitUse::WhenAvailable, JitUse::Never}) {
    Matcher p = compiled(u"^(?:a|b)*$", false, jit);
    EXPECT_EQ(leftmost(p, line), (Range{0, kLongLine}));
    EXPECT_EQ(interpreterRetries(p.workspace), 0u);
  }
  // A lazy repeat needs about 2.3 MiB of JIT stack over these 200,000 units
  // on x86-32 (twice that on x86-64), and about 12.5 MiB of interpreter heap
  // on x86-64 (two thirds of that on x86-32).
  const std::u16string longer = alternating(200'000);
  Matcher lazy = compiled(u"^(?:a|b)*?$");
  ASSERT_TRUE(usesJit(lazy));
  EXPECT_EQ(leftmost(lazy, longer), (Range{0, longer.size()}));
  EXPECT_EQ(interpreterRetries(lazy.workspace), 1u);
  std::u16string nested = u"^(?:";
  for (int i = 0; i < 16; ++i) nested += u"(?:";
  nested += u"a|b";
  for (int i = 0; i < 16; ++i) nested += u")|c";
  nested += u")*$";
  Matcher tooDeep = compiled(nested);
  EXPECT_EQ(findMatch(tooDeep, line, 0), MatchOutcome::GaveUp);
  EXPECT_EQ(interpreterRetries(tooDeep.workspace), 1u);
}

TEST(RegexLimits, CatastrophicPatternsGiveUpOrAnswerCorrectly) {
  const std::u16string as(kLongLine, u'a');
  const std::u16string asThenC = std::u16string(kLongLine - 1, u'a') + u'c';
  struct Case {
    std::u16string_view pattern;
    const std::u16string& line;
    std::optional<Range> answer;
  };
  const Case cases[] = {
      {u"(a+)+b", as, std::nullopt},
      {u"(a+)+b", asThenC, std::nullopt},
      {u"(.*)*x", as, std::nullopt},
      {u"(.*)*x", asThenC, std::nullopt},
      {u"(a|aa)+[bd]", as, std::nullopt},
      {u"(a|aa)+c$", asThenC, Range{0, kLongLine}},
      {u"(?:a*)*c$", asThenC, Range{0, kLongLine}},
  };
  for (const JitUse jit : {JitUse::WhenAvailable, JitUse::Never}) {
    for (const Case& c : cases) {
      Matcher p = compiled(c.pattern, false, jit);
      const MatchOutcome outcome = findMatch(p, c.line, 0);
      if (outcome == MatchOutcome::GaveUp) continue;
      const auto found = outcome == MatchOutcome::Found
                             ? std::optional(Range{groupSpan(p, 0)->start, groupSpan(p, 0)->end})
                             : std::nullopt;
      EXPECT_EQ(found, c.answer) << std::string(c.pattern.begin(), c.pattern.end());
    }
  }
}

// Shapes whose work is spread over many start positions, or whose steps
// each read the rest of the line, on the longest lines: a search entry
// without back-references is always decided (by the automaton where
// backtracking runs out of time), and any search either answers rightly or
// gives up.
TEST(RegexLimits, EveryShapeIsDecidedOrGivenUp) {
  const std::u16string as(kLongLine, u'a');
  const std::u16string xs(kLongLine, u'x');
  std::u16string runs;
  while (runs.size() + 100 < kLongLine) runs += std::u16string(99, u'a') + u'c';
  runs += u'y';
  struct Case {
    std::u16string_view pattern;
    bool ignoreCase;
    const std::u16string& line;
    std::optional<std::size_t> start;  // of the leftmost match
  };
  const Case cases[] = {
      {u"(a)*[b-c]", false, as, std::nullopt},
      {u"(a)*\\1[b-c]", true, as, std::nullopt},
      {u"(x+x+)+[yz]", false, xs, std::nullopt},
      {u"[^y]+[yz]", false, xs, std::nullopt},
      {u"(?:(?=[^b]*)a)*[xy]", false, runs, 0},
      {u"(?<=a)(?<!b)a*[bc]", false, as, std::nullopt},
      {u"^(a|a?)+$", false, as, 0},
  };
  for (const Case& c : cases) {
    const std::string name(c.pattern.begin(), c.pattern.end());
    Matcher p = compiled(c.pattern, c.ignoreCase);
    const MatchOutcome found = findMatch(p, c.line, 0);
    if (found != MatchOutcome::GaveUp) {
      EXPECT_EQ(found == MatchOutcome::Found ? std::optional(groupSpan(p, 0)->start) : std::nullopt,
                c.start)
          << name;
    }
    const MatchOutcome selected = containsMatch(p.pattern, p.workspace, c.line, false);
    const bool backReference = c.pattern.find(u'\\') != std::u16string_view::npos;
    if (backReference && selected == MatchOutcome::GaveUp) continue;
    EXPECT_EQ(selected, c.start ? MatchOutcome::Found : MatchOutcome::NotFound) << name;
  }
}

// A search entry's question: is there a match (one that starts before the
// end, where a match at the end alone would not select the line)?
TEST(RegexSelection, AMatchAnywhereOrOneBeforeTheEnd) {
  struct Case {
    std::u16string_view pattern;
    std::u16string line;
    bool anywhere;
    bool beforeEnd;
  };
  const std::u16string hard = u"z" + std::u16string(40, u'x');
  const std::u16string soft = std::u16string(64, u'a') + u"!";
  const Case cases[] = {
      {u"$", u"abc\n", true, true},         {u"$", u"abc", true, false},
      {u"(?<=c)", u"abc", true, false},     {u"^$", u"", true, false},
      {u"b", u"abc", true, true},           {u"x", u"abc", false, false},
      {u"(x+x+)+[yz]", hard, false, false}, {u"(a|a?)+b|!", soft, true, true},
      {u"(a|a?)+b|!$", soft, true, true},   {u"(a|a?)+b|$", soft, true, false},
  };
  for (const Case& c : cases) {
    const std::string name(c.pattern.begin(), c.pattern.end());
    Matcher p = compiled(c.pattern);
    for (const bool beforeEnd : {false, true}) {
      const bool expected = beforeEnd ? c.beforeEnd : c.anywhere;
      const auto want = expected ? MatchOutcome::Found : MatchOutcome::NotFound;
      EXPECT_EQ(containsMatch(p.pattern, p.workspace, c.line, beforeEnd), want) << name;
      if (isLiteral(p.pattern)) continue;  // searched for as text, without an automaton
      EXPECT_EQ(containsMatchByAutomaton(p.pattern, p.workspace, c.line, beforeEnd), want) << name;
    }
  }
  // No automaton decides back-references.
  Matcher reference = compiled(u"^(a|a?)+\\1$");
  EXPECT_EQ(containsMatchByAutomaton(reference.pattern, reference.workspace, soft, false),
            MatchOutcome::GaveUp);
  EXPECT_EQ(containsMatch(reference.pattern, reference.workspace, soft, false),
            MatchOutcome::GaveUp);
}

// A pattern that is nothing but its characters needs no engine and may be
// as long as a line; its sets for skipping lines are those that the
// required-text pass finds.
TEST(RegexPlainTerms, AnyLengthTheSameAnswersAndSets) {
  for (const auto& [text, ignoreCase] :
       {std::pair<std::u16string_view, bool>{u"abc", false}, {u"Mu_1", true}, {u"a\\.b", false}}) {
    const Pattern pattern = *compilePattern(text, ignoreCase).pattern;
    EXPECT_TRUE(isLiteral(pattern));
    EXPECT_FALSE(usesJit(pattern));
    const auto sorted = [](std::vector<CharSet> sets) {
      for (CharSet& set : sets) {
        std::sort(set.begin(), set.end(),
                  [](CharRange a, CharRange b) { return a.first < b.first; });
      }
      return sets;
    };
    const auto byPass = sorted(findRequiredTexts(*parseEcmaPattern(text), ignoreCase).sets);
    const auto ours = sorted(requiredSets(pattern));
    ASSERT_EQ(ours.size(), byPass.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
      ASSERT_EQ(ours[i].size(), byPass[i].size());
      for (std::size_t j = 0; j < ours[i].size(); ++j) {
        EXPECT_EQ(ours[i][j].first, byPass[i][j].first);
        EXPECT_EQ(ours[i][j].last, byPass[i][j].last);
      }
    }
  }
  // Texts longer than PCRE2 holds, one that folds within ASCII and one
  // whose letters fold beyond it (k with the Kelvin sign, s with the long s).
  std::u16string words;
  for (unsigned i = 0; words.size() < 40000; ++i) {
    words += u"Skip k\u00e9 ";
    for (unsigned n = i; n > 0; n /= 7) words += static_cast<char16_t>(u'a' + n % 7);
  }
  std::u16string line = u"--" + words + u"--";
  for (char16_t& c : line) {
    if (c == u'k') c = u'\u212a';
    if (c == u'S') c = u'\u017f';
  }
  Matcher folded = compiled(words, true);
  EXPECT_FALSE(isLiteral(folded.pattern));
  EXPECT_EQ(leftmost(folded, line), (Range{2, 2 + words.size()}));
  EXPECT_EQ(leftmost(folded, line, 3), std::nullopt);
  line[20000] = u'x';
  EXPECT_EQ(leftmost(folded, line), std::nullopt);
  Matcher literal = compiled(std::u16string(kLongLine - 1, u'x') + u"y");
  EXPECT_TRUE(isLiteral(literal.pattern));
  EXPECT_EQ(leftmost(literal, u"x" + std::u16string(kLongLine - 1, u'x') + u"y"),
            (Range{1, kLongLine + 1}));
}

TEST(RegexLimits, EnginesThatGiveUpSayTheyGaveUp) {
  // Exponential backtracking that no start-up optimisation can skip.
  const std::u16string line = std::u16string(64, u'a') + u'!';
  for (const JitUse jit : {JitUse::WhenAvailable, JitUse::Never}) {
    Matcher p = compiled(u"^(a|a?)+$", false, jit);
    EXPECT_EQ(findMatch(p, line, 0), MatchOutcome::GaveUp);
    // The pattern stays usable for the next line.
    EXPECT_EQ(leftmost(p, u"aaa"), (Range{0, 3}));
  }
}

TEST(RegexLimits, AnUncompiledPatternIsUndecided) {
  Matcher none;
  EXPECT_EQ(findMatch(none, u"a", 0), MatchOutcome::GaveUp);
  EXPECT_EQ(groupCount(none), 0u);
  EXPECT_FALSE(usesJit(none));
}

// A compiled pattern holds no match state: matchers on one pattern keep
// their own groups, and the pattern is matched through a const reference.
TEST(RegexMatching, WorkspacesOfOnePatternKeepTheirOwnGroups) {
  const Pattern pattern = *compilePattern(u"(a+)|(b+)", false).pattern;
  MatchWorkspace first = createMatchWorkspace();
  MatchWorkspace second = createMatchWorkspace();
  ASSERT_EQ(findMatch(pattern, first, u"xaa", 0), MatchOutcome::Found);
  ASSERT_EQ(findMatch(pattern, second, u"bbb", 0), MatchOutcome::Found);
  EXPECT_EQ(groupSpan(first, 1)->end, 3u);
  EXPECT_FALSE(groupSpan(first, 2).has_value());
  EXPECT_EQ(groupSpan(second, 2)->end, 3u);
  // A workspace grows to a pattern with more groups than it has seen.
  const Pattern more = *compilePattern(u"(a)(b)(c)(d)(e)", false).pattern;
  ASSERT_EQ(findMatch(more, first, u"abcde", 0), MatchOutcome::Found);
  EXPECT_EQ(groupSpan(first, 5)->start, 4u);
}

// Threads share one compiled pattern, the automaton it makes on first need
// included; each brings its own workspace.
TEST(RegexMatching, ThreadsShareOnePatternAndItsAutomaton) {
  const Pattern pattern = *compilePattern(u"(x+x+)+[yz]", false).pattern;
  const std::u16string hard = u"z" + std::u16string(40, u'x');
  std::vector<MatchOutcome> outcomes(4);
  std::vector<std::thread> threads;
  for (MatchOutcome& outcome : outcomes) {
    threads.emplace_back([&pattern, &hard, &outcome] {
      MatchWorkspace workspace = createMatchWorkspace();
      outcome = containsMatch(pattern, workspace, hard, false);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const MatchOutcome outcome : outcomes) EXPECT_EQ(outcome, MatchOutcome::NotFound);
}

}  // namespace
}  // namespace vesk::regex
