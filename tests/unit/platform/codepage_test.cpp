// The POSIX build's code pages come from the locale; these tests switch it.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace vesk::platform
