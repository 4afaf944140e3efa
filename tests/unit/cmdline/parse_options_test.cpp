#include "cmdline/parse_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ascii.h"
#include "cmdline/term_option.h"
#include "model/run_plan.h"

namespace vesk {
namespace {

using Parsed = ParsedCommandLine;

Parsed parse(const std::vector<std::u16string>& arguments) {
  return parseOptions(arguments);
}

TEST(OptionLetters, AsciiCaseOnlyAnyOrderRepeatsAndTheLettersOfEachOption) {
  EXPECT_EQ(termOptionOf(u"/Search"), TermOption::Search);
  EXPECT_EQ(termOptionOf(u"/Rx"), TermOption::Replace);
  EXPECT_EQ(termOptionOf(u"/"), std::nullopt);
  EXPECT_EQ(termOptionOf(u" /s"), std::nullopt);
  EXPECT_TRUE(asciiEqualsIgnoringCase(u"/U16", u"/u16"));
  EXPECT_FALSE(asciiEqualsIgnoringCase(u"/u1", u"/u16"));

  TermLetters search;
  EXPECT_TRUE(applyTermLetters(TermOption::Search, u"LiVvl", search));
  EXPECT_TRUE(search.ignoreCase && search.literal && search.invert);
  TermLetters replace;
  EXPECT_TRUE(applyTermLetters(TermOption::Replace, u"eEiL", replace));
  EXPECT_TRUE(replace.ignoreCase && replace.literal && replace.escapes);

  TermLetters stopped;
  EXPECT_FALSE(applyTermLetters(TermOption::Search, u"ie", stopped));  // e belongs to "/r" only
  EXPECT_TRUE(stopped.ignoreCase);
  EXPECT_FALSE(stopped.escapes);
  TermLetters noInvert;
  EXPECT_FALSE(applyTermLetters(TermOption::Replace, u"v", noInvert));
  EXPECT_FALSE(noInvert.invert);
  // Dotted capital I lower-cases to i in Unicode, but is no option letter.
  TermLetters dottedI;
  EXPECT_FALSE(applyTermLetters(TermOption::Search, u"\u0130", dottedI));
}

TEST(ParseOptions, FlagOptionsSetTheirSettingsIgnoringCase) {
  Parsed count = parse({u"/CE", u"/s", u"x", u"/c"});
  ASSERT_TRUE(count.ok);
  EXPECT_EQ(count.options.display, DisplayMode::CountFound);

  Parsed list = parse({u"/l", u"/LV", u"/s", u"x"});
  ASSERT_TRUE(list.ok);
  EXPECT_EQ(list.options.display, DisplayMode::ListNotFound);

  Parsed lines = parse({u"/N", u"/s", u"x", u"/n", u"/D", u"dir"});
  ASSERT_TRUE(lines.ok);
  EXPECT_EQ(lines.options.display, DisplayMode::LineNumbers);
  EXPECT_TRUE(lines.options.subfolders);
  EXPECT_TRUE(planRun(lines.options, PlannedTarget{}, 0).showFileNames) << "/d shows names";
  EXPECT_EQ(lines.options.target, u"dir");

  Parsed quiet = parse({u"/q", u"/Q", u"/s", u"x"});
  ASSERT_TRUE(quiet.ok);
  EXPECT_EQ(quiet.options.display, DisplayMode::Quiet);

  EXPECT_EQ(parse({u"/s", u"x"}).options.display, DisplayMode::Lines);
}

TEST(ParseOptions, EachEncodingOptionNamesItsEncodingOnce) {
  const std::vector<std::pair<std::u16string, InputEncoding>> spellings{
      {u"/u", InputEncoding::Unicode},
      {u"/U8", InputEncoding::Utf8},
      {u"/u16", InputEncoding::Utf16Le}};
  for (const auto& [option, encoding] : spellings) {
    Parsed parsed = parse({option, u"/s", u"x", u"file.txt"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.options.encoding, encoding);
    Parsed twice = parse({option, option, u"/s", u"x", u"file.txt"});
    EXPECT_FALSE(twice.ok);
    EXPECT_EQ(twice.options.encoding, encoding);
    EXPECT_EQ(twice.diagnostics,
              (std::vector<Diagnostic>{{MessageId::ParameterAlreadySpecified, u"/u"}}));
  }
  EXPECT_FALSE(parse({u"/u16", u"/u8", u"/s", u"x", u"file.txt"}).ok);
  EXPECT_EQ(parse({u"/s", u"x", u"file.txt"}).options.encoding, InputEncoding::CodePage);
}

TEST(ParseOptions, LettersBecomeEntryFlagsInCommandLineOrder) {
  Parsed parsed = parse(
      {u"/SIL", u"a.b", u"/sv", u"c", u"/reil", u"$x", u"$\\n", u"/R", u"d", u"e", u"/siil", u"f"});
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.terms.size(), 5u);

  const SearchTerm& literal = parsed.terms[0];
  EXPECT_FALSE(literal.isReplace);
  EXPECT_TRUE(literal.ignoreCase);
  EXPECT_FALSE(literal.invert);
  EXPECT_EQ(literal.pattern, u"a\\.b");

  const SearchTerm& inverted = parsed.terms[1];
  EXPECT_TRUE(inverted.invert);
  EXPECT_FALSE(inverted.ignoreCase);
  EXPECT_EQ(inverted.pattern, u"c");

  const SearchTerm& escaped = parsed.terms[2];
  EXPECT_TRUE(escaped.isReplace);
  EXPECT_TRUE(escaped.ignoreCase);
  EXPECT_EQ(escaped.pattern, u"\\$x");
  EXPECT_EQ(escaped.replacement, u"$$\n");  // dollars doubled first, then escapes

  const SearchTerm& plain = parsed.terms[3];
  EXPECT_TRUE(plain.isReplace);
  EXPECT_FALSE(plain.ignoreCase);
  EXPECT_FALSE(plain.invert);
  EXPECT_EQ(plain.pattern, u"d");
  EXPECT_EQ(plain.replacement, u"e");

  EXPECT_TRUE(parsed.terms[4].ignoreCase);
  EXPECT_EQ(parsed.terms[4].pattern, u"f");
}

TEST(ParseOptions, TermsAreTakenWholeAndNeverReadAsOptions) {
  Parsed parsed = parse({u"/s", u"/r", u"/r", u"/d", u"/c", u"/r", u"", u" a \"b\" "});
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.terms.size(), 3u);
  EXPECT_EQ(parsed.terms[0].pattern, u"/r");
  EXPECT_EQ(parsed.terms[1].pattern, u"/d");
  EXPECT_EQ(parsed.terms[1].replacement, u"/c");
  EXPECT_EQ(parsed.terms[2].pattern, u"");
  EXPECT_EQ(parsed.terms[2].replacement, u" a \"b\" ");
  EXPECT_FALSE(parsed.options.subfolders);
  EXPECT_EQ(parsed.options.display, DisplayMode::Lines);
  EXPECT_TRUE(parsed.options.target.empty());
}

TEST(ParseOptions, TheFirstFailingArgumentEndsParsing) {
  const std::vector<std::vector<std::u16string>> cases{
      {u"/s", u"a", u"", u"/s", u"b"},
      {u"/s", u"a", u"/sx", u"b", u"/s", u"c"},
      {u"/s", u"a", u"/rv", u"b", u"c", u"/s", u"d"},
      {u"/s", u"a", u"t1", u"t2", u"/s", u"b"},
      {u"/s", u"a", u"/c", u"/l", u"/x", u"/s", u"b"},
  };
  for (const std::vector<std::u16string>& arguments : cases) {
    Parsed parsed = parse(arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.terms.size(), 1u) << "arguments after the failing one were read";
    EXPECT_EQ(parsed.diagnostics.size(), 1u);
  }
}

}  // namespace
}  // namespace vesk
