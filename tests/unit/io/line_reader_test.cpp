#include "io/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/locale.h"

namespace vesk {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::u16string>;

// Lines run-length encoded, so that a failure with long lines stays readable.
std::string describe(const Lines& lines) {
  std::string text;
  for (const std::u16string& line : lines) {
    text += "[";
    for (std::size_t at = 0; at < line.size();) {
      std::size_t run = 1;
      while (at + run < line.size() && line[at + run] == line[at]) ++run;
      const char16_t unit = line[at];
      char shown[16];
      if (unit >= 0x20 && unit < 0x7F) {
        std::snprintf(shown, sizeof shown, "%c", static_cast<char>(unit));
      } else {
        std::snprintf(shown, sizeof shown, "<%04X>", static_cast<unsigned>(unit));
      }
      text += shown;
      if (run > 3)
        text += "*" + std::to_string(run);
      else
        for (std::size_t again = 1; again < run; ++again) text += shown;
      at += run;
    }
    text += "]";
  }
  return text;
}

// Every piece of the bytes, decoded; readSize 0 reads whole blocks.
Lines readAll(std::string_view bytes, InputEncoding mode, std::size_t readSize = 0,
              std::uint32_t codePage = platform::kUtf8CodePage) {
  LineReader reader;
  reader.startReading(memorySource(bytes, readSize), mode, codePage);
  Lines lines;
  std::u16string lineText;
  while (reader.readLinePiece(lineText)) lines.push_back(lineText);
  return lines;
}

// The lines read, described for comparing with `lines(...)`.
std::string read(std::string_view bytes, InputEncoding mode, std::size_t readSize = 0,
                 std::uint32_t codePage = platform::kUtf8CodePage) {
  return describe(readAll(bytes, mode, readSize, codePage));
}

std::string lines(const Lines& expected) {
  return describe(expected);
}

// The pieces as bytes, with whether each stopped in the middle of its line.
struct BytePiece {
  std::string bytes;
  bool endsMidLine;
};

// Byte pieces described like lines, with "..." after a piece that stopped in
// the middle of its line.
std::string describe(const std::vector<BytePiece>& pieces) {
  std::string text;
  for (const BytePiece& piece : pieces) {
    text += describe(Lines{std::u16string(piece.bytes.begin(), piece.bytes.end())});
    if (piece.endsMidLine) text += "...";
  }
  return text;
}

std::string readBytePieces(std::string_view bytes) {
  LineReader reader;
  reader.startReading(memorySource(bytes), InputEncoding::CodePage, platform::kUtf8CodePage);
  std::vector<BytePiece> pieces;
  std::string_view piece;
  while (reader.readBytePiece(piece))
    pieces.push_back({std::string(piece), reader.pieceEndsMidLine()});
  return describe(pieces);
}

std::string bytePieces(const std::vector<BytePiece>& expected) {
  return describe(expected);
}

std::u16string units(std::size_t count, char16_t unit) {
  return std::u16string(count, unit);
}

// UTF-16 bytes of ASCII text, little- or big-endian.
std::string utf16(std::string_view ascii, bool bigEndian = false) {
  std::string bytes;
  for (char c : ascii) {
    if (bigEndian) bytes.push_back('\0');
    bytes.push_back(c);
    if (!bigEndian) bytes.push_back('\0');
  }
  return bytes;
}

constexpr std::size_t kReadSizes[] = {0, 1, 7, 4096, 65537};

// --- Code-page mode: text-mode line rules ---

TEST(LineReaderCodePage, SplitsAfterLineFeedsAndKeepsLastLineWithoutOne) {
  EXPECT_EQ(read("ab\ncd\n\nef", InputEncoding::CodePage), lines({u"ab\n", u"cd\n", u"\n", u"ef"}));
}

TEST(LineReaderCodePage, EmptyInputGivesNoLine) {
  EXPECT_TRUE(readAll("", InputEncoding::CodePage).empty());
  EXPECT_EQ(read("\n", InputEncoding::CodePage), lines({u"\n"}));
}

TEST(LineReaderCodePage, CrLfBecomesLfAndLoneCrStays) {
  EXPECT_EQ(read("a\r\nb\rc\r\r\nd\r", InputEncoding::CodePage),
            lines({u"a\n", u"b\rc\r\n", u"d\r"}));
}

TEST(LineReaderCodePage, NulCutsTheTextButTheLineKeepsItsLineFeed) {
  EXPECT_EQ(read("ab\0cd\nxy\n\0\n"s, InputEncoding::CodePage), lines({u"ab\n", u"xy\n", u"\n"}));
  EXPECT_EQ(read("ab\0cd"s, InputEncoding::CodePage), lines({u"ab"}));
}

TEST(LineReaderCodePage, CtrlZEndsTheInput) {
  EXPECT_EQ(read("ab\ncd\x1A"
                 "ef\ngh\n",
                 InputEncoding::CodePage),
            lines({u"ab\n", u"cd"}));
  EXPECT_TRUE(readAll("\x1A"
                      "ab\n",
                      InputEncoding::CodePage)
                  .empty());
  EXPECT_EQ(read("a\r\x1A\n", InputEncoding::CodePage), lines({u"a\r"}));
}

TEST(LineReaderCodePage, Utf16FileIsReadAsBytes) {
  // FF FE 'a' 00 0A | 00 'b' 00 0A | 00: pieces end at each 0x0A byte and
  // keep only what comes before their first zero byte, and their line feed.
  const std::string bytes = "\xFF\xFE" + utf16("a\nb\n");
  EXPECT_EQ(read(bytes, InputEncoding::CodePage), lines({u"\uFFFD\uFFFDa\n", u"\n", u""}));
}

TEST(LineReaderCodePage, ByteOrderMarkIsText) {
  EXPECT_EQ(read("\xEF\xBB\xBFx\n", InputEncoding::CodePage), lines({u"\uFEFFx\n"}));
}

// --- Code-page mode: the 65,535-byte limit ---

TEST(LineReaderCodePageLimit, LongLineIsSplitIntoPiecesThatCountAsLines) {
  const std::string line(70000, 'x');
  EXPECT_EQ(read(line + "\nz\n", InputEncoding::CodePage),
            lines({units(65535, u'x'), units(4465, u'x') + u"\n", u"z\n"}));
}

TEST(LineReaderCodePageLimit, ExactlyLimitPlusLineFeedGivesALoneLineFeedLine) {
  const std::string line(65535, 'x');
  EXPECT_EQ(readBytePieces(line + "\n"), bytePieces({{line, true}, {"\n", false}}));
}

TEST(LineReaderCodePageLimit, CrLfCountsAsOneByteAgainstTheLimit) {
  const std::string fits(65534, 'x');
  EXPECT_EQ(readBytePieces(fits + "\r\n"), bytePieces({{fits + "\n", false}}));
  const std::string over(65535, 'x');
  EXPECT_EQ(readBytePieces(over + "\r\n"), bytePieces({{over, true}, {"\n", false}}));
}

TEST(LineReaderCodePageLimit, LimitLongLastLineIsNotCut) {
  const std::string line(65535, 'x');
  EXPECT_EQ(readBytePieces(line), bytePieces({{line, false}}));
}

TEST(LineReaderCodePageLimit, NulBytesCountTowardsTheLimit) {
  std::string line(70000, 'x');
  line[10] = '\0';
  const auto pieces = readAll(line + "\n", InputEncoding::CodePage);
  EXPECT_EQ(describe(pieces), lines({units(10, u'x'), units(4465, u'x') + u"\n"}));
}

TEST(LineReaderCodePageLimit, APieceNeverEndsInsideACharacter) {
  // U+00E9 is C3 A9 in UTF-8: the piece ends before it.
  const std::string line = std::string(65534, 'a') + "\xC3\xA9" + "b\n";
  EXPECT_EQ(read(line, InputEncoding::CodePage), lines({units(65534, u'a'), u"\u00E9b\n"}));
  // A character of four bytes that would end at 65,536.
  const std::string four = std::string(65532, 'a') + "\xF0\x9F\x98\x80" + "b\n";
  EXPECT_EQ(read(four, InputEncoding::CodePage), lines({units(65532, u'a'), u"\U0001F600b\n"}));
  // Malformed bytes are not held back: a lone continuation byte ends a piece.
  const std::string stray = std::string(65534, 'a') + "\x80\x80" + "b\n";
  EXPECT_EQ(read(stray, InputEncoding::CodePage),
            lines({units(65534, u'a') + u"\uFFFD", u"\uFFFDb\n"}));
}

TEST(LineReaderCodePageLimit, ADoubleByteCharacterStaysWhole) {
  ::setenv("LANG", "ja_JP.SJIS", 1);
  platform::posix::reloadLocale();
  std::string kana;  // "\u3042" is 82 A0 in Shift_JIS, 0x82 also a trail byte
  for (int i = 0; i < 32767; ++i) kana += "\x82\xA0";
  const Lines pieces =
      readAll(kana + "\x93\x8C" + "b\n", InputEncoding::CodePage, 0, platform::kAnsiCodePage);
  ::setenv("LANG", "C.UTF-8", 1);
  platform::posix::reloadLocale();
  EXPECT_EQ(describe(pieces), lines({units(32767, u'\u3042'), u"\u6771b\n"}));
}

// --- Block boundaries: the same pieces whatever the size of each read ---

TEST(LineReaderBlocks, CrLfSplitAcrossTwoReadsIsStillOneLineEnd) {
  std::string bytes(kReadBufferBytes - 1, 'x');
  for (std::size_t at = 99; at < bytes.size(); at += 100) bytes[at] = '\n';
  bytes.back() = '\r';  // the last byte of the first read
  bytes += "\nnext\n";
  const Lines all = readAll(bytes, InputEncoding::CodePage);
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2].back(), u'\n');
  EXPECT_EQ(all[all.size() - 2].find(u'\r'), std::u16string::npos);
  EXPECT_EQ(all.back(), u"next\n");
  EXPECT_EQ(read("ab\r", InputEncoding::CodePage, 3), lines({u"ab\r"}));
  EXPECT_EQ(read("ab\r\ncd", InputEncoding::CodePage, 3), lines({u"ab\n", u"cd"}));
}

// A mix of what can go wrong at a boundary: long lines, CR LF, NUL, lone CR,
// multibyte characters and a Ctrl-Z near the end.
std::string mixedInput() {
  std::string bytes;
  for (int round = 0; round < 2; ++round) {
    bytes += std::string(70000 + round, 'a') + "\r\n";
    bytes += "short\r\rline\r\n";
    bytes += std::string(65534, 'b') + "\r\n";
    bytes += std::string(65535, 'c') + "\r\n";
    bytes += "nul\0inside\n"s;
    for (int i = 0; i < 30000; ++i) bytes += "\xE3\x81\x82";  // U+3042
    bytes += "\xF0\x9F\x98\x80\n";                            // U+1F600
  }
  return bytes +
         "tail\r\n\x1A"
         "after";
}

TEST(LineReaderBlocks, PiecesDoNotDependOnReadSizes) {
  const std::string bytes = mixedInput();
  for (InputEncoding mode :
       {InputEncoding::CodePage, InputEncoding::Utf8, InputEncoding::Unicode}) {
    const std::string whole = read(bytes, mode);
    for (std::size_t readSize : kReadSizes) {
      EXPECT_EQ(read(bytes, mode, readSize), whole)
          << "mode " << static_cast<int>(mode) << ", reads of " << readSize;
    }
  }
}

TEST(LineReaderBlocks, FileReadsGiveTheSamePiecesAsMemory) {
  const std::string bytes = mixedInput();
  const auto path = std::filesystem::temp_directory_path() / "vesk_line_reader_test.txt";
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const std::string narrow = path.string();
  const auto file = platform::InputFile::open(std::u16string(narrow.begin(), narrow.end()));
  ASSERT_TRUE(file);
  LineReader reader;
  reader.startReading(fileSource(file->handle()), InputEncoding::CodePage, platform::kUtf8CodePage);
  Lines fromFile;
  std::u16string lineText;
  while (reader.readLinePiece(lineText)) fromFile.push_back(lineText);
  std::filesystem::remove(path);
  EXPECT_EQ(describe(fromFile), read(bytes, InputEncoding::CodePage));
}

TEST(LineReaderBlocks, AReadErrorEndsTheStreamAndIsRemembered) {
  LineReader reader;
  std::u16string lineText;
  reader.startReading(fileSource(platform::FileHandle{}), InputEncoding::CodePage, 0);
  EXPECT_FALSE(reader.readLinePiece(lineText));
  EXPECT_TRUE(reader.readFailed());
  reader.startReading(memorySource("a\n"), InputEncoding::CodePage, 0);
  EXPECT_TRUE(reader.readLinePiece(lineText));
  EXPECT_FALSE(reader.readLinePiece(lineText));
  EXPECT_FALSE(reader.readFailed()) << "the end of the input is no error";
}

TEST(LineReaderBlocks, ReaderIsReusableForTheNextStream) {
  LineReader reader;
  std::u16string lineText;
  reader.startReading(memorySource("\xFF\xFEz"), InputEncoding::Utf8, 0);
  while (reader.readLinePiece(lineText)) {
  }
  reader.startReading(memorySource("first\nsecond"), InputEncoding::CodePage,
                      platform::kUtf8CodePage);
  ASSERT_TRUE(reader.readLinePiece(lineText));
  EXPECT_EQ(lineText, u"first\n");
}

// --- Unicode modes: byte-order marks and defaults ---

TEST(LineReaderUnicode, WithoutByteOrderMarkTheModeDecides) {
  EXPECT_EQ(read(utf16("ab\ncd"), InputEncoding::Unicode), lines({u"ab\n", u"cd"}));
  EXPECT_EQ(read(utf16("ab\ncd"), InputEncoding::Utf16Le), lines({u"ab\n", u"cd"}));
  EXPECT_EQ(read("\xC3\xA9\n", InputEncoding::Utf8), lines({u"\u00E9\n"}));
}

TEST(LineReaderUnicode, ByteOrderMarkDecidesWhateverTheMode) {
  for (InputEncoding mode : {InputEncoding::Unicode, InputEncoding::Utf8, InputEncoding::Utf16Le}) {
    EXPECT_EQ(read("\xEF\xBB\xBF\xC3\xA9\n", mode), lines({u"\u00E9\n"}));
    EXPECT_EQ(read("\xFF\xFE" + utf16("le\n"), mode), lines({u"le\n"}));
    EXPECT_EQ(read("\xFE\xFF" + utf16("be\n", true), mode), lines({u"be\n"}));
  }
}

TEST(LineReaderUnicode, OnlyAByteOrderMarkGivesNoLine) {
  EXPECT_TRUE(readAll("\xEF\xBB\xBF", InputEncoding::Unicode).empty());
  EXPECT_TRUE(readAll("\xFF\xFE", InputEncoding::Utf8).empty());
  EXPECT_TRUE(readAll("", InputEncoding::Unicode).empty());
}

TEST(LineReaderUnicode, CtrlZIsText) {
  EXPECT_EQ(read("a\x1A"
                 "b\n",
                 InputEncoding::Utf8),
            lines({u"a\u001Ab\n"}));
}

// --- UTF-8 ---

TEST(LineReaderUtf8, InvalidSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(read("a\xFF"
                 "b\xE3\x81\n\xC3",
                 InputEncoding::Utf8),
            lines({u"a\uFFFDb\uFFFD\n", u"\uFFFD"}));
}

TEST(LineReaderUtf8, CrLfAndNulFollowTheTextModeRules) {
  EXPECT_EQ(read("a\r\nb\rc\nd\0e\nf"s, InputEncoding::Utf8),
            lines({u"a\n", u"b\rc\n", u"d\n", u"f"}));
}

TEST(LineReaderUtf8, LimitCountsUnitsNotBytes) {
  std::string line;
  for (int i = 0; i < 70000; ++i) line += "\xE3\x81\x82";  // one unit, three bytes
  EXPECT_EQ(read(line + "\n", InputEncoding::Utf8),
            lines({units(65535, u'\u3042'), units(4465, u'\u3042') + u"\n"}));
  std::string fits;
  for (int i = 0; i < 65534; ++i) fits += "\xE3\x81\x82";
  EXPECT_EQ(read(fits + "\r\n", InputEncoding::Utf8), lines({units(65534, u'\u3042') + u"\n"}));
}

TEST(LineReaderUtf8, CharacterOfTwoUnitsAcrossTheLimitStartsTheNextPiece) {
  const std::string line = std::string(65534, 'a') + "\xF0\x9F\x98\x80" + "b\n";  // U+1F600
  EXPECT_EQ(read(line, InputEncoding::Utf8), lines({units(65534, u'a'), u"\U0001F600b\n"}));
  const std::string atEnd = std::string(65534, 'a') + "\xF0\x9F\x98\x80";
  EXPECT_EQ(read(atEnd, InputEncoding::Utf8), lines({units(65534, u'a'), u"\U0001F600"}));
}

// --- UTF-16 ---

TEST(LineReaderUtf16, CrLfAndNulFollowTheTextModeRules) {
  EXPECT_EQ(read(utf16("a\r\nb\rc\r\r\nd\0e\nf\r"s), InputEncoding::Unicode),
            lines({u"a\n", u"b\rc\r\n", u"d\n", u"f\r"}));
}

TEST(LineReaderUtf16, LineFeedMustBeAWholeUnit) {
  // U+0A41 is 41 0A in little-endian order: no line end.
  EXPECT_EQ(read("\x41\x0A\x0A\x00"
                 "b\x00"s,
                 InputEncoding::Unicode),
            lines({u"\u0A41\n", u"b"}));
  EXPECT_EQ(read("\xFE\xFF\x0A\x41\x00\x0A"s, InputEncoding::Unicode), lines({u"\u0A41\n"}));
}

TEST(LineReaderUtf16, OddTrailingByteBecomesAReplacementCharacter) {
  EXPECT_EQ(read(utf16("ab") + "c", InputEncoding::Unicode), lines({u"ab\uFFFD"}));
  EXPECT_EQ(read("\xFE\xFF" + utf16("ab", true) + "c", InputEncoding::Utf8), lines({u"ab\uFFFD"}));
  EXPECT_EQ(read("x", InputEncoding::Utf16Le), lines({u"\uFFFD"}));
}

TEST(LineReaderUtf16, LimitCountsUnits) {
  const std::string line = utf16(std::string(70000, 'x'));
  EXPECT_EQ(read(line + utf16("\n"), InputEncoding::Unicode),
            lines({units(65535, u'x'), units(4465, u'x') + u"\n"}));
  const std::string exact = utf16(std::string(65535, 'x'));
  EXPECT_EQ(read(exact + utf16("\n"), InputEncoding::Unicode), lines({units(65535, u'x'), u"\n"}));
}

TEST(LineReaderUtf16, SurrogatePairAcrossTheLimitStartsTheNextPiece) {
  const std::string line = utf16(std::string(65534, 'a')) + "\x3D\xD8\x00\xDE"s + utf16("b\n");
  EXPECT_EQ(read(line, InputEncoding::Unicode), lines({units(65534, u'a'), u"\U0001F600b\n"}));
}

}  // namespace
}  // namespace vesk
