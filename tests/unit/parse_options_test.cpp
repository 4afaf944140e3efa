#include "cmdline/parse_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/console_output.h"
#include "cmdline/ascii.h"
#include "cmdline/option_letters.h"

namespace vesk {
namespace {

struct Parsed {
  bool ok = false;
  RunSettings settings;
  SearchEntryList entries;
};

// Messages go to standard error; these tests look at what parsing produced.
Parsed parse(const std::vector<std::u16string>& arguments) {
  ConsoleOutput output;
  output.console.language = Language::English;
  Parsed parsed;
  parsed.ok = parseOptions(output, arguments, parsed.settings, parsed.entries);
  return parsed;
}

TEST(OptionLetters, AsciiCaseOnlyAnyOrderRepeatsAndTheLettersOfEachOption) {
  EXPECT_EQ(termOptionOf(u"/Search"), TermOption::Search);
  EXPECT_EQ(termOptionOf(u"/Rx"), TermOption::Replace);
  EXPECT_EQ(termOptionOf(u"/"), std::nullopt);
  EXPECT_EQ(termOptionOf(u" /s"), std::nullopt);
  EXPECT_TRUE(asciiEqualsIgnoringCase(u"/U16", u"/u16"));
  EXPECT_FALSE(asciiEqualsIgnoringCase(u"/u1", u"/u16"));

  SearchLetters search;
  EXPECT_TRUE(applySearchLetters(u"LiVvl", search));
  EXPECT_TRUE(search.ignoreCase && search.literal && search.invert);
  ReplaceLetters replace;
  EXPECT_TRUE(applyReplaceLetters(u"eEiL", replace));
  EXPECT_TRUE(replace.ignoreCase && replace.literal && replace.escapes);

  SearchLetters stopped;
  EXPECT_FALSE(applySearchLetters(u"ie", stopped));  // e belongs to "/r" only
  EXPECT_TRUE(stopped.ignoreCase);
  ReplaceLetters noInvert;
  EXPECT_FALSE(applyReplaceLetters(u"v", noInvert));
  // Dotted capital I lower-cases to i in Unicode, but is no option letter.
  SearchLetters dottedI;
  EXPECT_FALSE(applySearchLetters(u"\u0130", dottedI));
}

TEST(ParseOptions, FlagOptionsSetTheirSettingsIgnoringCase) {
  Parsed count = parse({u"/CE", u"/s", u"x", u"/c"});
  ASSERT_TRUE(count.ok);
  EXPECT_TRUE(count.settings.countMode);
  EXPECT_FALSE(count.settings.countWhenNotFound);
  EXPECT_FALSE(count.settings.quiet);  // implied only later, by the target run

  Parsed list = parse({u"/l", u"/LV", u"/s", u"x"});
  ASSERT_TRUE(list.ok);
  EXPECT_TRUE(list.settings.listMode);
  EXPECT_FALSE(list.settings.listFound);

  Parsed lines = parse({u"/N", u"/s", u"x", u"/n", u"/D", u"dir"});
  ASSERT_TRUE(lines.ok);
  EXPECT_TRUE(lines.settings.lineNumbers);
  EXPECT_TRUE(lines.settings.subfolders);
  EXPECT_TRUE(lines.settings.showFileNames);
  EXPECT_EQ(lines.settings.target, u"dir");

  Parsed quiet = parse({u"/q", u"/Q", u"/s", u"x"});
  ASSERT_TRUE(quiet.ok);
  EXPECT_TRUE(quiet.settings.quiet);
  EXPECT_FALSE(quiet.settings.countMode || quiet.settings.listMode);
}

TEST(ParseOptions, EachEncodingOptionNamesItsEncodingOnce) {
  const std::vector<std::pair<std::u16string, std::u16string>> spellings{
      {u"/u", u"UNICODE"}, {u"/U8", u"UTF-8"}, {u"/u16", u"UTF-16LE"}};
  for (const auto& [option, name] : spellings) {
    Parsed parsed = parse({option, u"/s", u"x", u"file.txt"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_TRUE(parsed.settings.encodingGiven);
    EXPECT_EQ(parsed.settings.encodingName, name);
    Parsed twice = parse({option, option, u"/s", u"x", u"file.txt"});
    EXPECT_FALSE(twice.ok);
    EXPECT_EQ(twice.settings.encodingName, name);
  }
  EXPECT_FALSE(parse({u"/u16", u"/u8", u"/s", u"x", u"file.txt"}).ok);
}

TEST(ParseOptions, LettersBecomeEntryFlagsInCommandLineOrder) {
  Parsed parsed = parse(
      {u"/SIL", u"a.b", u"/sv", u"c", u"/reil", u"$x", u"$\\n", u"/R", u"d", u"e", u"/siil", u"f"});
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.entries.size(), 5u);

  const SearchEntry& literal = parsed.entries[0];
  EXPECT_FALSE(literal.isReplace);
  EXPECT_TRUE(literal.ignoreCase);
  EXPECT_FALSE(literal.invert);
  EXPECT_EQ(literal.pattern, u"a\\.b");

  const SearchEntry& inverted = parsed.entries[1];
  EXPECT_TRUE(inverted.invert);
  EXPECT_FALSE(inverted.ignoreCase);
  EXPECT_EQ(inverted.pattern, u"c");

  const SearchEntry& escaped = parsed.entries[2];
  EXPECT_TRUE(escaped.isReplace);
  EXPECT_TRUE(escaped.ignoreCase);
  EXPECT_EQ(escaped.pattern, u"\\$x");
  EXPECT_EQ(escaped.replacement, u"$$\n");  // dollars doubled first, then escapes

  const SearchEntry& plain = parsed.entries[3];
  EXPECT_TRUE(plain.isReplace);
  EXPECT_FALSE(plain.ignoreCase);
  EXPECT_FALSE(plain.invert);
  EXPECT_EQ(plain.pattern, u"d");
  EXPECT_EQ(plain.replacement, u"e");

  EXPECT_TRUE(parsed.entries[4].ignoreCase);
  EXPECT_EQ(parsed.entries[4].pattern, u"f");
}

TEST(ParseOptions, TermsAreTakenWholeAndNeverReadAsOptions) {
  Parsed parsed = parse({u"/s", u"/r", u"/r", u"/d", u"/c", u"/r", u"", u" a \"b\" "});
  ASSERT_TRUE(parsed.ok);
  ASSERT_EQ(parsed.entries.size(), 3u);
  EXPECT_EQ(parsed.entries[0].pattern, u"/r");
  EXPECT_EQ(parsed.entries[1].pattern, u"/d");
  EXPECT_EQ(parsed.entries[1].replacement, u"/c");
  EXPECT_EQ(parsed.entries[2].pattern, u"");
  EXPECT_EQ(parsed.entries[2].replacement, u" a \"b\" ");
  EXPECT_FALSE(parsed.settings.subfolders || parsed.settings.countMode);
  EXPECT_TRUE(parsed.settings.target.empty());
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
    EXPECT_EQ(parsed.entries.size(), 1u) << "arguments after the failing one were read";
  }
}

}  // namespace
}  // namespace vesk
