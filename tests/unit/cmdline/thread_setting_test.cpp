#include "cmdline/thread_setting.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

// Every number from 0 to 99 as the digits show it, with and without a
// leading zero, a sign or a space: only 1 to 64 written plainly count, and
// anything else is reported with the value as it was set.
TEST(ThreadSetting, OnlyPlainNumbersFromOneToSixtyFourCount) {
  for (int n = 0; n < 100; ++n) {
    const std::string digits = std::to_string(n);
    const std::u16string plain(digits.begin(), digits.end());
    const ThreadSetting setting = threadSettingFrom(plain);
    const bool valid = n >= 1 && n <= 64;
    EXPECT_EQ(setting.threads, valid ? static_cast<unsigned>(n) : 0u) << digits;
    EXPECT_EQ(setting.warning.has_value(), !valid) << digits;
    for (const std::u16string& odd :
         {u"0" + plain, u"+" + plain, u" " + plain, plain + u" ", u"-" + plain, plain + u"x"}) {
      const ThreadSetting oddSetting = threadSettingFrom(odd);
      EXPECT_EQ(oddSetting.threads, 0u);
      ASSERT_TRUE(oddSetting.warning);
      EXPECT_EQ(oddSetting.warning->subject, u"VESK_THREADS=" + odd);
    }
  }
  EXPECT_FALSE(threadSettingFrom(std::nullopt).warning) << "not set: the default, silently";
  EXPECT_TRUE(threadSettingFrom(u"").warning) << "set to nothing";
  EXPECT_TRUE(threadSettingFrom(u"18446744073709551617").warning);
}

}  // namespace
}  // namespace vesk
