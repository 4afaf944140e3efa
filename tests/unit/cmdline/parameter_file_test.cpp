#include "cmdline/parameter_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/line_reader.h"

namespace vesk {
namespace {

struct FileResult {
  bool ok = false;
  std::vector<SearchTerm> entries;
  std::vector<Diagnostic> diagnostics;
};

class ParameterFile : public testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() /
        ("vesk_parameter_file_" + std::to_string(testing::UnitTest::GetInstance()->random_seed()) +
         "_" + testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  static std::u16string asArgument(const std::filesystem::path& path) {
    const std::string text = path.string();
    return std::u16string(text.begin(), text.end());  // temporary paths are ASCII
  }

  std::u16string write(const std::string& bytes) {
    const std::filesystem::path path = directory_ / ("params" + std::to_string(++files_) + ".txt");
    std::ofstream(path, std::ios::binary) << bytes;
    return asArgument(path);
  }

  static FileResult read(std::u16string_view name) {
    FileResult result;
    result.ok = readParameterFile(name, result.entries, result.diagnostics);
    EXPECT_EQ(result.ok, result.diagnostics.empty());
    return result;
  }

  FileResult readBytes(const std::string& bytes) { return read(write(bytes)); }

  static std::vector<std::u16string> patterns(const FileResult& result) {
    std::vector<std::u16string> list;
    for (const SearchTerm& entry : result.entries) list.push_back(entry.pattern);
    return list;
  }

  std::filesystem::path directory_;
  int files_ = 0;
};

using Patterns = std::vector<std::u16string>;

TEST_F(ParameterFile, RecordsBecomeEntriesWithTheirLetters) {
  const FileResult result = readBytes("/s\nfoo\n/RIL\na.b\nx$y\n/sVv\n\n/re\n/s\n\\t\n/Sil\n(");
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.entries.size(), 5u);

  EXPECT_FALSE(result.entries[0].isReplace);
  EXPECT_FALSE(result.entries[0].ignoreCase);
  EXPECT_FALSE(result.entries[0].invert);
  EXPECT_EQ(result.entries[0].pattern, u"foo");

  EXPECT_TRUE(result.entries[1].isReplace);
  EXPECT_TRUE(result.entries[1].ignoreCase);
  EXPECT_EQ(result.entries[1].pattern, u"a\\.b");
  EXPECT_EQ(result.entries[1].replacement, u"x$$y");

  EXPECT_TRUE(result.entries[2].invert);
  EXPECT_TRUE(result.entries[2].pattern.empty()) << "an empty term line is an empty term";

  EXPECT_TRUE(result.entries[3].isReplace);
  EXPECT_EQ(result.entries[3].pattern, u"/s") << "a term line beginning with /s is a term";
  EXPECT_EQ(result.entries[3].replacement, u"\t");

  EXPECT_TRUE(result.entries[4].ignoreCase);
  EXPECT_EQ(result.entries[4].pattern, u"\\(") << "the last line needs no line end";
}

TEST_F(ParameterFile, AFileWithBadLettersIsStillReadToItsEnd) {
  const FileResult result = readBytes("/sx\na\n/s\nb\n/r \nc\nd\n/s\t\ne\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(patterns(result), (Patterns{u"a", u"b", u"c", u"e"}));
  EXPECT_EQ(result.diagnostics,
            (std::vector<Diagnostic>{{MessageId::ParameterInFileInvalid, u"/sx"},
                                     {MessageId::ParameterInFileInvalid, u"/r "},
                                     {MessageId::ParameterInFileInvalid, u"/s\t"}}));
  EXPECT_FALSE(readBytes("/se\na\n").ok);  // e belongs to "/r"

  // A NUL byte ends the text of an option line too.
  const FileResult nul = readBytes(std::string("/s\0x\ne\n", 7));
  ASSERT_TRUE(nul.ok);
  EXPECT_EQ(patterns(nul), Patterns{u"e"});
}

TEST_F(ParameterFile, LinesLongerThanTheLimit) {
  const std::string longest(kMaxPieceUnits, 'x');
  const std::string tooLong(kMaxPieceUnits + 1, 'x');

  // An overlong option line is reported with its line number, and ends the run.
  const std::u16string name = write("/s\na\n" + tooLong + "\n/s\nb\n");
  EXPECT_EQ(read(name).diagnostics,
            (std::vector<Diagnostic>{{MessageId::LineTooLongInFile, name + u"(3)"}}));

  // An overlong term line is a missing term.
  EXPECT_FALSE(readBytes("/s\n" + tooLong + "\n/s\nb\n").ok);
  EXPECT_FALSE(readBytes("/s\n" + tooLong).ok);
  EXPECT_FALSE(readBytes("/r\n" + tooLong + "\nb\n").ok);
  EXPECT_FALSE(readBytes("/r\na\n" + tooLong + "\n").ok);

  // A line of exactly the limit is whole, with its line end or at the end of the file.
  const FileResult exact = readBytes("/s\n" + longest + "\n/r\n" + longest + "\r\n" + longest);
  ASSERT_TRUE(exact.ok);
  ASSERT_EQ(exact.entries.size(), 2u);
  EXPECT_EQ(exact.entries[0].pattern.size(), kMaxPieceUnits);
  EXPECT_EQ(exact.entries[1].pattern.size(), kMaxPieceUnits);
  EXPECT_EQ(exact.entries[1].replacement.size(), kMaxPieceUnits);

  // An option line of exactly the limit is read like any other.
  const FileResult exactOption = readBytes("/s" + std::string(kMaxPieceUnits - 2, 'i') + "\na\n");
  ASSERT_TRUE(exactOption.ok);
  EXPECT_TRUE(exactOption.entries[0].ignoreCase);
  EXPECT_FALSE(readBytes("/s" + std::string(kMaxPieceUnits - 2, 'x') + "\na\n").ok);
}

}  // namespace
}  // namespace vesk
