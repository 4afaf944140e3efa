#include "search/file_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace vesk {
namespace {

// Runs searchFile over the bytes (through a real file) with the given
// terms, and keeps what it would write.
class FileSearchTest : public ::testing::Test {
 protected:
  FileSearchTest() {
    output.console.outputCodePage = platform::kUtf8CodePage;  // collected as UTF-8
    plan.inputCodePage = platform::kUtf8CodePage;
  }

  void search(std::u16string_view term) {
    BuiltEntries built = buildEntries({makeSearchTerm(false, false, false, term)});
    ASSERT_FALSE(built.failure);
    entries = std::move(built.entries);
  }

  bool run(const std::string& bytes, bool showName = false, std::u16string_view name = u"a.txt") {
    const auto path = std::filesystem::temp_directory_path() / "vesk_file_search_test.txt";
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const std::string narrow = path.string();
    platform::InputFile file;
    EXPECT_TRUE(platform::openInputFile(std::u16string(narrow.begin(), narrow.end()), file));
    plan.showFileNames = showName;
    const FastPaths fastPaths = planFastPaths(entries, plan, output);
    FileSearch context{output, plan, entries, header, reader, workspace, fastPaths};
    const bool found = searchFile(context, fileSource(file), InputNames{name, u"dir/a.txt"});
    platform::closeInputFile(file);
    std::filesystem::remove(path);
    return found;
  }

  // What was written, taken out.
  std::string written() {
    std::string text;
    text.swap(output.pendingStdout);
    return text;
  }

  ConsoleOutput output = capturingOutput(ConsoleState{0, 0, Language::English, 0});
  RunPlan plan;
  SearchEntryList entries;
  FolderHeader header;
  LineReader reader;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
};

TEST_F(FileSearchTest, SelectedLineCarriesNameAndNumberPrefixes) {
  search(u"foo");
  plan.display = DisplayMode::LineNumbers;
  std::string bytes;
  for (int i = 1; i < 12; ++i) bytes += "line\n";
  EXPECT_TRUE(run(bytes + "foo\nlast", true));
  EXPECT_EQ(written(), "a.txt: 12: foo\n");
}

TEST_F(FileSearchTest, LineNumbersCountEveryPieceOfALongLine) {
  search(u"foo");
  plan.display = DisplayMode::LineNumbers;
  EXPECT_TRUE(run(std::string(70000, 'x') + "\nfoo\r\n"));
  EXPECT_EQ(written(), "3: foo\n");
}

TEST_F(FileSearchTest, CountModeCountsLinesNotMatches) {
  search(u"foo");
  plan.display = DisplayMode::Count;
  EXPECT_TRUE(run("foo foo foo\nbar\nfoo\n"));
  EXPECT_EQ(written(), "2\n");
  EXPECT_TRUE(run("foo\n", true, u"b.txt"));
  EXPECT_EQ(written(), "b.txt: 1\n");
}

TEST_F(FileSearchTest, CountOfAFileWithoutHitsDependsOnTheCountOption) {
  search(u"foo");
  plan.display = DisplayMode::Count;
  EXPECT_FALSE(run(""));
  EXPECT_EQ(written(), "0\n");
  plan.display = DisplayMode::CountFound;
  EXPECT_FALSE(run("bar\n"));
  EXPECT_EQ(written(), "");
}

TEST_F(FileSearchTest, QuietWritesNothingButStillFinds) {
  search(u"foo");
  plan.display = DisplayMode::Quiet;
  EXPECT_TRUE(run("foo\n"));
  EXPECT_EQ(written(), "");
}

// Diagnostics come back as values, in their place among the results.
TEST_F(FileSearchTest, DiagnosticsStandBetweenTheResultsWhereTheyHappened) {
  search(u"(a|aa)+\\1[bd]|ok");
  plan.display = DisplayMode::LineNumbers;
  EXPECT_TRUE(run("ok\n" + std::string(30000, 'a') + "\nok\n"));
  EXPECT_EQ(written(), "1: ok\n3: ok\n");
  ASSERT_EQ(output.diagnostics.size(), 1u);
  EXPECT_EQ(output.diagnostics[0].diagnostic, (Diagnostic{MessageId::LineTooComplex, u"a.txt(2)"}));
  EXPECT_EQ(output.diagnostics[0].stdoutBytes, 6u) << "after line 1, before line 3";
}

TEST_F(FileSearchTest, AReadErrorIsReportedWithThePath) {
  search(u"x");
  plan.display = DisplayMode::Count;
  const FastPaths fastPaths = planFastPaths(entries, plan, output);
  FileSearch context{output, plan, entries, header, reader, workspace, fastPaths};
  EXPECT_FALSE(searchFile(context, fileSource(platform::InputFile{}), InputNames{u"a", u"p/a"}));
  ASSERT_EQ(output.diagnostics.size(), 1u);
  EXPECT_EQ(output.diagnostics[0].diagnostic, (Diagnostic{MessageId::FileNotRead, u"p/a"}));
  EXPECT_EQ(written(), "0\n") << "the count of what was read still follows";
}

TEST(PrintPendingHeader, BlankLineBeforeEveryLabelButTheFirst) {
  ConsoleOutput output = capturingOutput(ConsoleState{0, 0, Language::English, 65001});
  FolderHeader header;
  printPendingHeader(output, header);
  EXPECT_EQ(output.pendingStdout, "");
  header.label = u"<.>";
  header.pending = true;
  printPendingHeader(output, header);
  printPendingHeader(output, header);
  header.label = u"<sub>";
  header.pending = true;
  printPendingHeader(output, header);
  EXPECT_EQ(output.pendingStdout, "<.>\n\n<sub>\n");
  EXPECT_FALSE(header.pending);
  EXPECT_TRUE(header.shown);
}

}  // namespace
}  // namespace vesk
