#include "search/line_skipping.h"

#include <gtest/gtest.h>

#include <random>

#include "base/ascii.h"
#include "platform/codepage.h"

namespace vesk {
namespace {

ByteNeedle needle(std::string_view bytes, bool fold = false) {
  return byteNeedleOf(bytes, fold);
}

// The needle as text when each of its places holds one byte, else "?".
std::string shown(const ByteNeedle& n) {
  std::string text;
  for (const ByteClass& byteClass : n.classes) {
    const bool one =
        byteClass.ranges.size() == 1 && byteClass.ranges[0].first == byteClass.ranges[0].second;
    text += one ? static_cast<char>(byteClass.ranges[0].first) : '?';
  }
  return text;
}

TEST(LineSkipping, FindsTheNeedleFromAnyAnchor) {
  for (std::size_t anchor = 0; anchor < 3; ++anchor) {
    ByteNeedle n = needle("abc");
    n.anchor = anchor;
    EXPECT_EQ(findNeedle(n, "xxabxabcab"), 5u) << anchor;
    EXPECT_EQ(findNeedle(n, "abc"), 0u) << anchor;
    EXPECT_EQ(findNeedle(n, "ab"), std::string_view::npos) << anchor;
    EXPECT_EQ(findNeedle(n, "xxabxab"), std::string_view::npos) << anchor;
  }
  ByteNeedle folded = needle("mutex", true);
  folded.anchor = 2;
  EXPECT_EQ(findNeedle(folded, "a MuTeX b"), 2u);
  EXPECT_EQ(findNeedle(folded, "a MUTE b"), std::string_view::npos);
}

// The needle search against the plainest search there is, on texts and
// needles of every length around the sixteen or thirty-two places it looks at at once,
// with classes of one byte, of both cases, of ranges and of many ranges.
TEST(LineSkipping, FindsTheNeedleWhereAPlainSearchDoes) {
  std::mt19937 random(11);
  constexpr char kAlphabet[] = "abAB019\n\x80\xFF";
  const auto anyByte = [&] { return kAlphabet[random() % (sizeof kAlphabet - 1)]; };
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 110, 'x');
    for (char& c : text) c = anyByte();
    std::vector<std::string> places(1 + random() % 4);
    for (std::string& members : places) {
      const unsigned count = 1 + random() % (random() % 4 == 0 ? 7 : 2);
      for (unsigned i = 0; i < count; ++i) members += anyByte();
    }
    ByteNeedle n;
    for (const std::string& members : places) n.classes.push_back(byteClassOf(members));
    n.anchor = random() % places.size();
    n.second = random() % places.size();
    n.third = random() % places.size();
    n.anchorByByte = places[n.anchor].size() == 1 && random() % 2 == 0;
    std::size_t plain = std::string_view::npos;
    for (std::size_t at = 0; at + places.size() <= text.size() && plain == text.npos; ++at) {
      bool all = true;
      for (std::size_t i = 0; i < places.size(); ++i)
        all = all && places[i].find(text[at + i]) != std::string::npos;
      if (all) plain = at;
    }
    ASSERT_EQ(findNeedle(n, text), plain) << round;
  }
}

SearchEntryList compiled(const std::vector<SearchTerm>& terms) {
  BuiltEntries built = buildEntries(terms);
  EXPECT_FALSE(built.failure);
  return std::move(built.entries);
}

LineSkipping skippingFor(const SearchEntryList& entries, std::string_view input,
                         InputEncoding mode = InputEncoding::CodePage,
                         LineOutput lineOutput = LineOutput::AsRead) {
  LineReader reader;
  reader.startReading(memorySource(input), mode, platform::kUtf8CodePage);
  return lineSkippingFor(entries, reader.streamDecoding(), lineOutput);
}

// Only what cannot change the output may be skipped.
TEST(LineSkipping, DecidesFromTheEntriesAndTheEncoding) {
  const auto search = compiled({makeSearchTerm(false, true, false, u"a.b")});
  ASSERT_TRUE(skippingFor(search, "x").needle);
  EXPECT_EQ(shown(*skippingFor(search, "x").needle), "a.b");
  EXPECT_FALSE(skippingFor(search, "x").copyUnchanged);
  EXPECT_FALSE(skippingFor(compiled({makeSearchTerm(false, false, false, u"a|b")}), "x").needle);

  const auto replace = compiled({makeReplaceTerm(false, true, false, u"int", u"INT")});
  EXPECT_TRUE(skippingFor(replace, "x").copyUnchanged);
  EXPECT_FALSE(skippingFor(replace, "x").skippedAreHits);
  EXPECT_FALSE(skippingFor(replace, "x", InputEncoding::CodePage, LineOutput::Other).needle);
  const LineSkipping counted = skippingFor(replace, "x", InputEncoding::CodePage, LineOutput::None);
  EXPECT_TRUE(counted.needle && !counted.copyUnchanged);
  const auto replaceThenSearch = compiled({makeReplaceTerm(false, true, false, u"int", u"INT"),
                                           makeSearchTerm(false, false, false, u"x")});
  EXPECT_FALSE(skippingFor(replaceThenSearch, "x").needle);

  // A lone inverted entry selects the lines without its text as they are.
  const auto inverted = compiled({makeSearchTerm(false, true, true, u"int")});
  EXPECT_TRUE(skippingFor(inverted, "x").copyUnchanged);
  EXPECT_TRUE(skippingFor(inverted, "x").skippedAreHits);
  EXPECT_FALSE(skippingFor(inverted, "x", InputEncoding::CodePage, LineOutput::Other).needle);
  const auto invertedThenSearch = compiled(
      {makeSearchTerm(false, true, true, u"int"), makeSearchTerm(false, false, false, u"x")});
  EXPECT_FALSE(skippingFor(invertedThenSearch, "x").needle);

  // UTF-16 pieces are never skipped; a byte-order mark decides that first.
  EXPECT_FALSE(skippingFor(search,
                           "\xFF\xFE"
                           "a\0",
                           InputEncoding::Utf8)
                   .needle);
  EXPECT_TRUE(skippingFor(search, "a", InputEncoding::Utf8).needle);
}

struct Skipped {
  std::uint64_t pieces;
  std::string bytes;
};

Skipped skipOnce(LineReader& reader, const char* needleText, bool plainOnly = false) {
  std::string_view bytes;
  const std::uint64_t pieces =
      skipPiecesWithout(reader, needle(needleText), plainOnly, true, bytes);
  return {pieces, std::string(bytes)};
}

TEST(LineSkipping, SkipsWholeLinesUpToTheOneThatMayHoldTheNeedle) {
  LineReader reader;
  const std::string input = "one\ntwo\r\nthree foo\nfour\nlast";
  reader.startReading(memorySource(input), InputEncoding::CodePage, platform::kUtf8CodePage);
  Skipped skipped = skipOnce(reader, "foo");
  EXPECT_EQ(skipped.pieces, 2u);
  EXPECT_EQ(skipped.bytes, "one\ntwo\r\n");
  std::u16string line;
  ASSERT_TRUE(reader.readLinePiece(line));
  EXPECT_EQ(line, u"three foo\n");
  // Without a hit, the rest to the end, the last line without a line feed included.
  EXPECT_EQ(skipOnce(reader, "foo").pieces, 2u);
  EXPECT_FALSE(reader.readLinePiece(line));
}

TEST(LineSkipping, LeavesLongLinesAndUnplainLinesToTheReader) {
  LineReader reader;
  const std::string input = "a\n" + std::string(kMaxPieceUnits + 1, 'x') + "\nb\n";
  reader.startReading(memorySource(input), InputEncoding::CodePage, platform::kUtf8CodePage);
  EXPECT_EQ(skipOnce(reader, "foo").pieces, 1u);
  std::u16string line;
  ASSERT_TRUE(reader.readLinePiece(line));
  EXPECT_EQ(line.size(), kMaxPieceUnits);

  // 65,535 bytes and a line feed are two pieces: the line feed is one of its own.
  const std::string limit = "a\n" + std::string(kMaxPieceUnits - 1, 'x') + "\n" +
                            std::string(kMaxPieceUnits, 'y') + "\nb\n";
  reader.startReading(memorySource(limit), InputEncoding::CodePage, platform::kUtf8CodePage);
  EXPECT_EQ(skipOnce(reader, "foo").pieces, 2u);
  ASSERT_TRUE(reader.readLinePiece(line));
  EXPECT_EQ(line.size(), kMaxPieceUnits);

  reader.startReading(memorySource("a\nb\r\nc\n"), InputEncoding::CodePage,
                      platform::kUtf8CodePage);
  const Skipped skipped = skipOnce(reader, "foo", true);
  EXPECT_EQ(skipped.pieces, 1u);
  EXPECT_EQ(skipped.bytes, "a\n");
}

}  // namespace
}  // namespace vesk
