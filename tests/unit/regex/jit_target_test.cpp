// Every build must link a PCRE2 whose JIT compiles for the build's own word
// size: the i386 build is how the product's x86-32 JIT code runs in tests.
#include <gtest/gtest.h>
#include <pcre2.h>

#include <cstdint>
#include <iostream>
#include <string>

namespace {

std::string jitTarget() {
  const int units = pcre2_config(PCRE2_CONFIG_JITTARGET, nullptr);
  if (units <= 0) return {};
  std::u16string target(static_cast<std::size_t>(units), u'\0');
  pcre2_config(PCRE2_CONFIG_JITTARGET, target.data());
  target.resize(static_cast<std::size_t>(units) - 1);
  return std::string(target.begin(), target.end());  // PCRE2 names its targets in ASCII
}

TEST(JitTarget, MatchesTheWordSize) {
  std::uint32_t jit = 0;
  ASSERT_GE(pcre2_config(PCRE2_CONFIG_JIT, &jit), 0);
  ASSERT_EQ(jit, 1u) << "PCRE2 was built without its JIT";
  const std::string target = jitTarget();
  std::cout << "PCRE2 JIT target: " << target << "\n";
  if (target.rfind("x86", 0) != 0) GTEST_SKIP() << "not an x86 machine";
  const std::string want = sizeof(void*) == 4 ? "x86 32bit" : "x86 64bit";
  EXPECT_EQ(target.rfind(want, 0), 0u) << target;
}

}  // namespace
