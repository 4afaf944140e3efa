// The POSIX build's code pages come from the locale; these tests switch it.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/posix/locale.h"

namespace vesk::platform {
namespace {

struct LocaleScope {
  explicit LocaleScope(const char* lang) {
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_CTYPE");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", lang, 1);
    posix::reloadLocale();
  }
  ~LocaleScope() {
    ::setenv("LANG", "C.UTF-8", 1);
    posix::reloadLocale();
  }
};

std::u16string toWide(std::string_view bytes, std::uint32_t codePage) {
  std::u16string text;
  appendWideFromMultiByte(bytes, codePage, text);
  return text;
}

std::string toBytes(std::u16string_view text, std::uint32_t codePage) {
  std::string bytes;
  appendMultiByteFromWide(text, codePage, bytes);
  return bytes;
}

TEST(CodePages, CAndPosixLocalesCountAsUtf8) {
  for (const char* lang : {"C", "POSIX", ""}) {
    LocaleScope scope(lang);
    EXPECT_TRUE(ansiCodePageIsUtf8()) << lang;
    EXPECT_EQ(toWide("\xE6\x97\xA5", kAnsiCodePage), u"日");
  }
}

TEST(CodePages, ShiftJisLocaleConvertsBothWays) {
  LocaleScope scope("ja_JP.SJIS");
  EXPECT_FALSE(ansiCodePageIsUtf8());
  // 0x95 0x5C is U+8868 (a trail byte that is an ASCII backslash).
  EXPECT_EQ(toWide("\x95\x5C"
                   "a\x82\xA0",
                   kAnsiCodePage),
            u"表aあ");
  EXPECT_EQ(toBytes(u"表aあ", kAnsiCodePage),
            "\x95\x5C"
            "a\x82\xA0");
  // Code page 65001 stays UTF-8 whatever the locale.
  EXPECT_EQ(toWide("\xE3\x81\x82", kUtf8CodePage), u"あ");
  EXPECT_EQ(toBytes(u"あ", kUtf8CodePage), "\xE3\x81\x82");
}

TEST(CodePages, LatinLocaleConvertsAndSubstitutesWhatItCannotHold) {
  LocaleScope scope("de_DE.ISO-8859-1");
  EXPECT_EQ(toWide("caf\xE9", kAnsiCodePage), u"café");
  EXPECT_EQ(toBytes(u"café", kAnsiCodePage), "caf\xE9");
  EXPECT_EQ(toBytes(u"a日b", kAnsiCodePage), "a?b");
}

TEST(CodePages, MalformedShiftJisBecomesReplacementCharacters) {
  LocaleScope scope("ja_JP.SJIS");
  // A lead byte at the very end has no trail byte.
  EXPECT_EQ(toWide("ab\x82", kAnsiCodePage), u"ab\uFFFD");
}

// A byte search for a text finds every line that holds it only where no
// character of it has another spelling.
TEST(CodePages, UniqueSpellingsOnly) {
  {
    LocaleScope scope("ja_JP.SJIS");
    EXPECT_EQ(uniqueAnsiSpelling(u"東京 a"), "\x93\x8C\x8B\x9E a");
    EXPECT_EQ(uniqueAnsiSpelling(u"a\uFFE2"), std::nullopt);  // also NEC's and IBM's spellings
    EXPECT_EQ(uniqueAnsiSpelling(u"\u2252"), std::nullopt);
    EXPECT_EQ(uniqueAnsiSpelling(u"\uFFFD"), std::nullopt);  // what malformed bytes read as
  }
  {
    LocaleScope scope("de_DE.ISO-8859-1");
    EXPECT_EQ(uniqueAnsiSpelling(u"abc"), "abc");
    EXPECT_EQ(uniqueAnsiSpelling(u"caf\u00E9"), std::nullopt);  // known for ASCII only
  }
  LocaleScope scope("C.UTF-8");
  EXPECT_EQ(uniqueAnsiSpelling(u"\u00E9"), "\xC3\xA9");
}

// What iconv itself makes of the input, converted the way the program reads
// text: where iconv stops, one unit of input becomes the substitute.
template <typename Out>
Out throughIconv(const char* to, const char* from, std::string_view input, std::size_t unit,
                 typename Out::value_type substitute) {
  const iconv_t cd = iconv_open(to, from);
  Out out;
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char buffer[64];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(reinterpret_cast<const typename Out::value_type*>(buffer),
               static_cast<std::size_t>(outPtr - buffer) / sizeof(typename Out::value_type));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    out.push_back(substitute);
    const std::size_t skip = inLeft < unit ? inLeft : unit;
    in += skip;
    inLeft -= skip;
  }
  iconv_close(cd);
  return out;
}

// Shift_JIS converts by tables filled from iconv; they must give what iconv
// gives, for every kind of byte and unit and for malformed input.
TEST(CodePages, ShiftJisTablesConvertAsIconvDoes) {
  LocaleScope scope("ja_JP.SJIS");
  std::mt19937 random(20261207);
  const auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const unsigned length = below(24);
    for (unsigned i = 0; i < length; ++i) {
      switch (below(5)) {
        case 0:
          bytes += static_cast<char>(0x20 + below(0x60));
          break;  // ASCII
        case 1:
          bytes += static_cast<char>(0x81 + below(0x1F));
          break;  // a lead byte
        case 2:
          bytes += static_cast<char>(0xE0 + below(0x1D));
          break;  // a lead byte
        case 3:
          bytes += static_cast<char>(0x40 + below(0xBD));
          break;  // a trail byte
        default:
          bytes += static_cast<char>(below(256));
          break;  // anything
      }
    }
    const auto expected = throughIconv<std::u16string>("UTF-16LE", "CP932", bytes, 1, u'\uFFFD');
    ASSERT_EQ(toWide(bytes, kAnsiCodePage), expected) << round;

    std::u16string text;
    for (unsigned i = 0; i < length; ++i) {
      switch (below(4)) {
        case 0:
          text += static_cast<char16_t>(below(0x80));
          break;
        case 1:
          text += expected.empty() ? u'x' : expected[below(static_cast<unsigned>(expected.size()))];
          break;
        case 2:
          text += static_cast<char16_t>(0xD800 + below(0x800));
          break;  // halves of pairs
        default:
          text += static_cast<char16_t>(below(0x10000));
          break;
      }
    }
    const std::string_view raw(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    ASSERT_EQ(toBytes(text, kAnsiCodePage),
              throughIconv<std::string>("CP932", "UTF-16LE", raw, 2, '?'))
        << round;
  }
}

}  // namespace
}  // namespace vesk::platform
