// A mapped file that another program cuts short must not end the process:
// the bytes it lost read as NULs, and the mapping says it was cut.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/utf8.h"

namespace vesk::platform {
namespace {

std::u16string wide(const std::string& path) {
  std::u16string text;
  appendWideFromUtf8(path, text);
  return text;
}

struct TemporaryFile {
  std::string path;
  TemporaryFile() {
    char name[] = "/tmp/vesk_mapped_XXXXXX";
    const int fd = ::mkstemp(name);
    EXPECT_GE(fd, 0);
    ::close(fd);
    path = name;
  }
  ~TemporaryFile() { ::unlink(path.c_str()); }
};

TEST(MappedFile, BytesLostToTheFileBeingCutReadAsNuls) {
  TemporaryFile temporary;
  constexpr std::size_t kSize = 6 * 1024 * 1024;
  ASSERT_EQ(::truncate(temporary.path.c_str(), kSize), 0);
  InputFile file;
  ASSERT_TRUE(openInputFile(wide(temporary.path), file));
  MappedFile mapped;
  if (!mapInputFile(file, mapped)) {
    closeInputFile(file);
    GTEST_SKIP() << "this build reads files rather than mapping them";
  }
  ASSERT_EQ(mapped.size, kSize);
  mapped.bytes[0] = 'a';  // private: the file keeps its zeros
  EXPECT_FALSE(mappingWasCut(mapped));
  ASSERT_EQ(::truncate(temporary.path.c_str(), 4096), 0);
  // Every byte past the cut faults; each reads as a NUL from then on.
  std::size_t nonZero = 0;
  for (std::size_t at = 4096; at < kSize; at += 4096 * 97) nonZero += mapped.bytes[at] != 0;
  EXPECT_EQ(nonZero, 0u);
  EXPECT_EQ(mapped.bytes[0], 'a');
  EXPECT_TRUE(mappingWasCut(mapped));
  unmapInputFile(mapped);
  closeInputFile(file);

  // A later mapping in the same place starts uncut.
  ASSERT_EQ(::truncate(temporary.path.c_str(), kSize), 0);
  ASSERT_TRUE(openInputFile(wide(temporary.path), file));
  ASSERT_TRUE(mapInputFile(file, mapped));
  EXPECT_EQ(mapped.bytes[kSize - 1], 0);
  EXPECT_FALSE(mappingWasCut(mapped));
  unmapInputFile(mapped);
  closeInputFile(file);
}

}  // namespace
}  // namespace vesk::platform
