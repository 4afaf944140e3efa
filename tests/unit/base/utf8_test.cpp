#include "base/utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vesk {
namespace {

std::u16string wideFrom(std::string_view bytes) {
  std::u16string out;
  appendWideFromUtf8(bytes, out);
  return out;
}

std::string utf8From(std::u16string_view text) {
  std::string out;
  appendUtf8FromWide(text, out);
  return out;
}

TEST(Utf8Decode, ValidSequencesOfEveryLength) {
  EXPECT_EQ(wideFrom("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80z"), u"a\u00E9\u3042\U0001F600z");
  EXPECT_EQ(wideFrom("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(Utf8Decode, AppendsToWhatIsThere) {
  std::u16string out = u"x";
  appendWideFromUtf8("y", out);
  EXPECT_EQ(out, u"xy");
}

TEST(Utf8Decode, EachMaximalInvalidSubpartBecomesOneReplacement) {
  // The example of the Unicode standard, section 3.9.
  EXPECT_EQ(wideFrom("a\xF1\x80\x80\xE1\x80\xC2"
                     "b\x80"
                     "c\x80\xBF"
                     "d"),
            u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd");
  EXPECT_EQ(wideFrom("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong
  EXPECT_EQ(wideFrom("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(wideFrom("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // surrogate
  EXPECT_EQ(wideFrom("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
  EXPECT_EQ(wideFrom("\xF0\x9F\x98"), u"\uFFFD");                        // cut short at the end
}

TEST(Utf8Decode, AsciiRunsOfAnyAlignmentAroundOtherBytes) {
  for (std::size_t at = 0; at < 20; ++at) {
    std::string bytes(20, 'k');
    bytes.replace(at, 1, "\xC3\xA9");
    std::u16string expected(20, u'k');
    expected[at] = u'\u00E9';
    EXPECT_EQ(wideFrom(bytes), expected) << "at " << at;
  }
}

TEST(Utf8Encode, EncodesEveryLengthAndReplacesLoneSurrogates) {
  EXPECT_EQ(utf8From(u"a\u00E9\u3042\U0001F600"), "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8From(u"\xD83D"
                     u"a\xDE00"),
            "\xEF\xBF\xBD"
            "a\xEF\xBF\xBD");
  EXPECT_EQ(utf8From(u"\xD83D"), "\xEF\xBF\xBD");
}

TEST(Utf8Encode, RoundTripsValidText) {
  const std::u16string text = u"Vesk \u691C\u7D22 \U0001F50D \u00FC\u00DF\n";
  EXPECT_EQ(wideFrom(utf8From(text)), text);
}

TEST(Utf8Prefix, StopsBetweenCharactersWithinTheUnits) {
  const std::string bytes =
      "ab\xE3\x81\x82\xF0\x9F\x98\x80"
      "c";  // a b U+3042 U+1F600 c
  EXPECT_EQ(utf8PrefixWithin(bytes, 2).bytes, 2u);
  EXPECT_EQ(utf8PrefixWithin(bytes, 3).bytes, 5u);
  // U+1F600 needs two units: one unit of room is not enough.
  const Utf8Prefix short1 = utf8PrefixWithin(bytes, 4);
  EXPECT_EQ(short1.bytes, 5u);
  EXPECT_EQ(short1.units, 3u);
  EXPECT_EQ(utf8PrefixWithin(bytes, 5).bytes, 9u);
  const Utf8Prefix all = utf8PrefixWithin(bytes, 100);
  EXPECT_EQ(all.bytes, bytes.size());
  EXPECT_EQ(all.units, 6u);
}

TEST(Utf8Prefix, DecodingPrefixAndRestEqualsDecodingTheWhole) {
  const std::string bytes =
      "plain ascii text \xE3\x81\x82\xFF\xC3\xF0\x9F\x98\x80\xE1\x80"
      "x\xED\xA0\x80 more ascii";
  const std::u16string whole = wideFrom(bytes);
  for (std::size_t room = 0; room <= whole.size(); ++room) {
    const Utf8Prefix prefix = utf8PrefixWithin(bytes, room);
    const std::u16string head = wideFrom(std::string_view(bytes).substr(0, prefix.bytes));
    EXPECT_EQ(head.size(), prefix.units);
    EXPECT_LE(prefix.units, room);
    EXPECT_GE(prefix.units + 1, room) << "room " << room;  // only a two-unit character stops short
    EXPECT_EQ(head + wideFrom(std::string_view(bytes).substr(prefix.bytes)), whole)
        << "room " << room;
  }
}

// Lines that are valid UTF-8 are written as they were read: that must be
// what decoding and encoding them gives.
TEST(Utf8Valid, ExactlyTheBytesThatDecodeAndEncodeBackUnchanged) {
  std::mt19937 random(7);
  constexpr unsigned char kBytes[] = {'a',  '~',  0x00, 0x7F, 0x80, 0xBF, 0xC0, 0xC2,
                                      0xDF, 0xE0, 0xE3, 0xED, 0xEF, 0xBB, 0xBD, 0xF0,
                                      0xF4, 0xF5, 0xFF, 0x9F, 0xA0, 0x90, 0x8F};
  int valid = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    const unsigned length = random() % 12;
    for (unsigned i = 0; i < length; ++i) {
      bytes += static_cast<char>(kBytes[random() % std::size(kBytes)]);
      if (random() % 3 == 0) bytes += "abcdefghij";  // runs the eight-byte steps take
    }
    std::string back;
    appendUtf8FromWide(wideFrom(bytes), back);
    ASSERT_EQ(isValidUtf8(bytes), back == bytes) << round;
    valid += back == bytes;
  }
  EXPECT_GT(valid, 1000);  // both answers come up
  // Long runs of characters of every length, some with one byte changed:
  // the sixteen-byte steps must see a sequence broken across their edges.
  constexpr std::string_view kCharacters[] = {"a",
                                              "\xC3\xA9",
                                              "\xE6\x97\xA5",
                                              "\xF0\x9F\x98\x80",
                                              "\xE0\xA0\x80",
                                              "\xED\x9F\xBF",
                                              "\xF4\x8F\xBF\xBF"};
  int changed = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    for (unsigned i = random() % 40; i > 0; --i)
      bytes += kCharacters[random() % std::size(kCharacters)];
    if (!bytes.empty() && random() % 2 == 0) {
      bytes[random() % bytes.size()] = static_cast<char>(kBytes[random() % std::size(kBytes)]);
    }
    if (!bytes.empty() && random() % 8 == 0) bytes.pop_back();
    std::string back;
    appendUtf8FromWide(wideFrom(bytes), back);
    ASSERT_EQ(isValidUtf8(bytes), back == bytes) << round;
    changed += back != bytes;
  }
  EXPECT_GT(changed, 5000);
  EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBD\xF0\x9F\x98\x80"));
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // a surrogate
}

// File names keep their bytes through the program's text, whatever they are;
// well-formed ones read as their characters.
TEST(Utf8KeepingBytes, AnyBytesComeBackAsTheyWere) {
  std::mt19937 random(3);
  constexpr unsigned char kBytes[] = {'a',  0x80, 0xC3, 0xA9, 0xE6, 0x9D, 0xB1, 0xF0,
                                      0x90, 0x82, 0x80, 0xED, 0xA0, 0xFF, 0xDC};
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    for (unsigned i = random() % 10; i > 0; --i)
      bytes += static_cast<char>(kBytes[random() % std::size(kBytes)]);
    std::u16string text;
    appendWideFromUtf8KeepingBytes(bytes, text);
    std::string back;
    appendUtf8KeepingBytes(text, back);
    ASSERT_EQ(back, bytes) << round;
    if (isValidUtf8(bytes)) {
      ASSERT_EQ(text, wideFrom(bytes)) << round;
    }
  }
  std::u16string name;
  appendWideFromUtf8KeepingBytes("caf\xE9\xF0\x90\x82\x80", name);  // U+10080 is D800 DC80
  EXPECT_EQ(name, u"caf\xDCE9\U00010080");
  std::string shown;
  appendUtf8FromWide(name, shown);
  EXPECT_EQ(shown, "caf\xEF\xBF\xBD\xF0\x90\x82\x80") << "shown as U+FFFD";
}

}  // namespace
}  // namespace vesk
