#include "cmdline/parse_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

TEST(AsciiComparison, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(asciiEqualsIgnoringCase(u"/U16", u"/u16"));
  EXPECT_FALSE(asciiEqualsIgnoringCase(u"/u1", u"/u16"));
  EXPECT_TRUE(asciiStartsWithIgnoringCase(u"/Sil", u"/s"));
  EXPECT_FALSE(asciiStartsWithIgnoringCase(u"/", u"/s"));
  // Dotted capital I lower-cases to i in Unicode, but is no option letter.
  EXPECT_EQ(asciiLower(u'\u0130'), u'\u0130');
  EXPECT_FALSE(asciiEqualsIgnoringCase(u"/\u0130", u"/i"));
}

TEST(OptionLetters, AnyOrderAndRepeatsWithTheLettersOfEachOption) {
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
  SearchLetters dottedI;
  EXPECT_FALSE(applySearchLetters(u"\u0130", dottedI));
}

TEST(OptionLetters, TermOptionIsDecidedByTheFirstTwoCharacters) {
  EXPECT_EQ(termOptionOf(u"/S"), TermOption::Search);
  EXPECT_EQ(termOptionOf(u"/search"), TermOption::Search);
  EXPECT_EQ(termOptionOf(u"/Rx"), TermOption::Replace);
  EXPECT_EQ(termOptionOf(u"/"), std::nullopt);
  EXPECT_EQ(termOptionOf(u" /s"), std::nullopt);
  EXPECT_EQ(termOptionOf(u"/f"), std::nullopt);
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

TEST(ParseOptions, DefaultsStandWithoutFlagsAndAnEmptyTargetMeansStandardInput) {
  Parsed parsed = parse({u"/s", u"x"});
  ASSERT_TRUE(parsed.ok);
  const RunSettings defaults;
  EXPECT_EQ(parsed.settings.countMode, defaults.countMode);
  EXPECT_EQ(parsed.settings.countWhenNotFound, defaults.countWhenNotFound);
  EXPECT_EQ(parsed.settings.listMode, defaults.listMode);
  EXPECT_EQ(parsed.settings.listFound, defaults.listFound);
  EXPECT_EQ(parsed.settings.lineNumbers, defaults.lineNumbers);
  EXPECT_EQ(parsed.settings.quiet, defaults.quiet);
  EXPECT_EQ(parsed.settings.subfolders, defaults.subfolders);
  EXPECT_EQ(parsed.settings.showFileNames, defaults.showFileNames);
  EXPECT_FALSE(parsed.settings.encodingGiven);
  EXPECT_TRUE(parsed.settings.target.empty());
}

TEST(ParseOptions, EachEncodingOptionNamesItsEncodingOnce) {
  const std::vector<std::pair<std::u16string, std::u16string>> spellings{
      {u"/u", u"UNICODE"}, {u"/U8", u"UTF-8"}, {u"/u16", u"UTF-16LE"}};
  for (const auto& [option, name] : spellings) {
    Parsed parsed = parse({option, u"/s", u"x", u"file.txt"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_TRUE(parsed.settings.encodingGiven);
    EXPECT_EQ(parsed.settings.encodingName, name);
  }
  for (const auto& [first, firstName] : spellings) {
    for (const auto& [second, secondName] : spellings) {
      Parsed twice = parse({first, second, u"/s", u"x", u"file.txt"});
      EXPECT_FALSE(twice.ok);
      EXPECT_EQ(twice.settings.encodingName, firstName) << "the second one is not taken";
      EXPECT_TRUE(twice.entries.empty()) << "parsing stops at the second encoding";
    }
  }
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

TEST(ParseOptions, TermsAreTakenWhole) {
  Parsed optionLike = parse({u"/s", u"/r"});
  ASSERT_TRUE(optionLike.ok);
  ASSERT_EQ(optionLike.entries.size(), 1u);
  EXPECT_EQ(optionLike.entries[0].pattern, u"/r");
  EXPECT_TRUE(optionLike.settings.target.empty());

  Parsed replaceTerms = parse({u"/r", u"/d", u"/c", u"/r", u"", u""});
  ASSERT_TRUE(replaceTerms.ok);
  ASSERT_EQ(replaceTerms.entries.size(), 2u);
  EXPECT_EQ(replaceTerms.entries[0].pattern, u"/d");
  EXPECT_EQ(replaceTerms.entries[0].replacement, u"/c");
  EXPECT_EQ(replaceTerms.entries[1].pattern, u"");
  EXPECT_EQ(replaceTerms.entries[1].replacement, u"");
  EXPECT_FALSE(replaceTerms.settings.subfolders);
  EXPECT_FALSE(replaceTerms.settings.countMode);

  Parsed emptyTerm = parse({u"/s", u""});
  ASSERT_TRUE(emptyTerm.ok);
  ASSERT_EQ(emptyTerm.entries.size(), 1u);
  EXPECT_TRUE(emptyTerm.entries[0].pattern.empty());
  EXPECT_TRUE(emptyTerm.entries[0].matchesEmpty);

  Parsed spaced = parse({u"/s", u" a \"b\" "});
  ASSERT_TRUE(spaced.ok);
  EXPECT_EQ(spaced.entries[0].pattern, u" a \"b\" ");
}

TEST(ParseOptions, TheTargetIsTheOneArgumentThatIsNoOption) {
  Parsed first = parse({u"name with spaces*.?", u"/s", u"x"});
  ASSERT_TRUE(first.ok);
  EXPECT_EQ(first.settings.target, u"name with spaces*.?");

  Parsed backslash = parse({u"/s", u"x", u"dir\\file"});
  ASSERT_TRUE(backslash.ok);
  EXPECT_EQ(backslash.settings.target, u"dir\\file");

  EXPECT_FALSE(parse({u"/s", u"x", u"a", u"b"}).ok);
  EXPECT_FALSE(parse({u"/s", u"x", u"a<b"}).ok);
  EXPECT_FALSE(parse({u"/s", u"x", u"a>b"}).ok);
  EXPECT_FALSE(parse({u"/s", u"x", u"a|b"}).ok);
  EXPECT_FALSE(parse({u"/s", u"x", u"a\"b"}).ok);
  for (const std::u16string unknown : {u"/x", u"/?", u"/fx", u"/cv", u"/ver", u"/", u"/u32"}) {
    EXPECT_FALSE(parse({u"/s", u"x", unknown}).ok) << "unknown option accepted";
  }
}

TEST(ParseOptions, TheFirstFailingArgumentEndsParsing) {
  struct Case {
    std::vector<std::u16string> arguments;
    std::size_t entriesBeforeTheFailure;
  };
  const std::vector<Case> cases{
      {{u"/s", u"a", u"", u"/s", u"b"}, 1},           // empty argument in option position
      {{u"/s", u"a", u"/sx", u"b", u"/s", u"c"}, 1},  // unknown letter of "/s"
      {{u"/s", u"a", u"/rv", u"b", u"c", u"/s", u"d"}, 1},
      {{u"/s", u"a", u"/x", u"/s", u"b"}, 1},
      {{u"/s", u"a", u"t1", u"t2", u"/s", u"b"}, 1},
      {{u"/s", u"a", u"/search", u"b", u"/s", u"c"}, 1},  // "/s" with the letters e, a, r...
      {{u"/s", u"a", u"/s"}, 1},
      {{u"/s", u"a", u"/sx"}, 1},  // the missing term is tested before the letters
      {{u"/s", u"a", u"/r"}, 1},
      {{u"/s", u"a", u"/r", u"b"}, 1},
      {{u"/s", u"a", u"/f"}, 1},
      {{u"/s", u"a", u"/c", u"/l", u"/x", u"/s", u"b"}, 1},
  };
  for (const Case& c : cases) {
    Parsed parsed = parse(c.arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.entries.size(), c.entriesBeforeTheFailure);
  }
}

TEST(ParseOptions, ClosingChecksNeedAOneDisplayModeJobWithEntriesAndValidPatterns) {
  EXPECT_FALSE(parse({}).ok);
  EXPECT_FALSE(parse({u"/c", u"/l", u"/s", u"x"}).ok);
  EXPECT_FALSE(parse({u"/n", u"/q", u"/s", u"x"}).ok);
  EXPECT_FALSE(parse({u"/ce", u"/lv", u"/s", u"x"}).ok);
  EXPECT_TRUE(parse({u"/c", u"/ce", u"/s", u"x"}).ok);
  EXPECT_TRUE(parse({u"/l", u"/lv", u"/s", u"x"}).ok);
  EXPECT_FALSE(parse({u"/d", u"/s", u"x"}).ok);
  EXPECT_FALSE(parse({u"/u8", u"/s", u"x"}).ok);
  EXPECT_FALSE(parse({u"/d"}).ok);
  EXPECT_FALSE(parse({u"file.txt"}).ok);
  EXPECT_FALSE(parse({u"/s", u"("}).ok);
  EXPECT_TRUE(parse({u"/sl", u"("}).ok);
}

TEST(ParseOptions, PatternsAreValidatedOnSuccess) {
  Parsed parsed = parse({u"/s", u"a*", u"/s", u"b"});
  ASSERT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.entries[0].matchesEmpty);
  EXPECT_FALSE(parsed.entries[1].matchesEmpty);
}

class ParameterFileOption : public testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() /
        ("vesk_parse_options_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::u16string write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = directory_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    const std::string text = path.string();
    return std::u16string(text.begin(), text.end());  // temporary paths are ASCII
  }

  std::filesystem::path directory_;
};

TEST_F(ParameterFileOption, EntriesStandAtThePlaceOfEachFileOption) {
  const std::u16string file = write("params.txt", "/s\nfrom file\n/r\nold\nnew\n");
  Parsed parsed = parse({u"/s", u"first", u"/F", file, u"/s", u"between", u"/f", file});
  ASSERT_TRUE(parsed.ok);
  std::vector<std::u16string> patterns;
  for (const SearchEntry& entry : parsed.entries) patterns.push_back(entry.pattern);
  EXPECT_EQ(patterns, (std::vector<std::u16string>{u"first", u"from file", u"old", u"between",
                                                   u"from file", u"old"}));
}

TEST_F(ParameterFileOption, AFailingFileEndsParsing) {
  const std::u16string bad = write("bad.txt", "/x\n");
  Parsed parsed = parse({u"/f", bad, u"/s", u"after"});
  EXPECT_FALSE(parsed.ok);
  EXPECT_TRUE(parsed.entries.empty());

  const std::u16string missing = write("exists.txt", "") + u".missing";
  EXPECT_FALSE(parse({u"/f", missing, u"/s", u"after"}).ok);

  // A file without records adds nothing, so the run still lacks entries.
  EXPECT_FALSE(parse({u"/f", write("empty.txt", "")}).ok);
}

}  // namespace
}  // namespace vesk
