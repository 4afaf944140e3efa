#include "search/file_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/printers.h"
#include "platform/codepage.h"

namespace vesk {
namespace {

// Runs searchFile over the bytes with the given terms, printed by the
// printer the display asks for, and keeps what it would write.
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
    return runSource(memorySource(bytes), showName, name);
  }

  bool runSource(const ByteSource& source, bool showName = false,
                 std::u16string_view name = u"a.txt") {
    plan.showFileNames = showName;
    Printers printers(PrintSettings{plan.display, plan.showFileNames}, output);
    const FastPaths fastPaths = planFastPaths(entries, plan, printers.main());
    FileSearch context{.plan = plan,
                       .entries = entries,
                       .reader = reader,
                       .workspace = workspace,
                       .fastPaths = fastPaths};
    return searchFile(context, printers.main(), source, InputNames{name, u"dir/a.txt"});
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
  EXPECT_FALSE(runSource(fileSource(platform::FileHandle{})));
  ASSERT_EQ(output.diagnostics.size(), 1u);
  EXPECT_EQ(output.diagnostics[0].diagnostic, (Diagnostic{MessageId::FileNotRead, u"dir/a.txt"}));
  EXPECT_EQ(written(), "0\n") << "the count of what was read still follows";
}

}  // namespace
}  // namespace vesk
