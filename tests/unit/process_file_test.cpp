#include "process/process_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/codepage.h"

namespace vesk {
namespace {

// Runs processFile over the bytes (through a real file) with one search
// entry, and keeps what went to standard output.
class ProcessFileTest : public ::testing::Test {
 protected:
  ProcessFileTest() {
    output.console.outputCodePage = platform::kUtf8CodePage;  // collected as UTF-8
  }

  void search(std::u16string_view term) {
    entries.push_back(makeSearchEntry(false, false, false, term));
    ASSERT_TRUE(validatePatterns(output, entries));
  }

  bool run(const std::string& bytes, bool showName = false, std::u16string_view name = u"a.txt") {
    const auto path = std::filesystem::temp_directory_path() / "vesk_process_file_test.txt";
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const std::string narrow = path.string();
    platform::InputFile file;
    EXPECT_TRUE(platform::openInputFile(std::u16string(narrow.begin(), narrow.end()), file));
    ProcessContext context{output, settings, entries, header, reader, platform::kUtf8CodePage};
    const bool found = processFile(context, file, showName, name);
    platform::closeInputFile(file);
    std::filesystem::remove(path);
    return found;
  }

  // What was written, taken out so that nothing reaches the real output.
  std::string written() {
    std::string text;
    text.swap(output.pendingStdout);
    return text;
  }

  ConsoleOutput output;
  RunSettings settings;
  SearchEntryList entries;
  FolderHeader header;
  LineReader reader;
};

TEST_F(ProcessFileTest, SelectedLineCarriesNameAndNumberPrefixes) {
  search(u"foo");
  settings.lineNumbers = true;
  std::string bytes;
  for (int i = 1; i < 12; ++i) bytes += "line\n";
  EXPECT_TRUE(run(bytes + "foo\nlast", true));
  EXPECT_EQ(written(), "a.txt: 12: foo\n");
}

TEST_F(ProcessFileTest, LineNumbersCountEveryPieceOfALongLine) {
  search(u"foo");
  settings.lineNumbers = true;
  EXPECT_TRUE(run(std::string(70000, 'x') + "\nfoo\r\n"));
  EXPECT_EQ(written(), "3: foo\n");
}

TEST_F(ProcessFileTest, CountModeCountsLinesNotMatches) {
  search(u"foo");
  settings.countMode = true;
  EXPECT_TRUE(run("foo foo foo\nbar\nfoo\n"));
  EXPECT_EQ(written(), "2\n");
  EXPECT_TRUE(run("foo\n", true, u"b.txt"));
  EXPECT_EQ(written(), "b.txt: 1\n");
}

TEST_F(ProcessFileTest, CountOfAFileWithoutHitsDependsOnTheCountOption) {
  search(u"foo");
  settings.countMode = true;
  EXPECT_FALSE(run(""));
  EXPECT_EQ(written(), "0\n");
  settings.countWhenNotFound = false;
  EXPECT_FALSE(run("bar\n"));
  EXPECT_EQ(written(), "");
}

TEST_F(ProcessFileTest, QuietWritesNothingButStillFinds) {
  search(u"foo");
  settings.quiet = true;
  EXPECT_TRUE(run("foo\n"));
  EXPECT_EQ(written(), "");
}

TEST(PrintPendingHeader, BlankLineBeforeEveryLabelButTheFirst) {
  ConsoleOutput output;
  output.console.outputCodePage = platform::kUtf8CodePage;
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
  output.pendingStdout.clear();
}

}  // namespace
}  // namespace vesk
