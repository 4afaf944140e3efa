// Feeds parameter-file bytes to readParameterFile and checks that the file is
// closed on every path and that a file read without complaint gave one entry
// per record, within the line limit.
//
// Input layout: byte 0 may put a run of filler letters just short of or
// past the line limit after the first 0-7 payload bytes, so that short
// inputs reach the limit; the rest is the file.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "cmdline/parameter_file.h"
#include "io/line_reader.h"

namespace vesk {
namespace {

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "parameter file fuzz: %s\n", what);
  std::abort();
}

const std::filesystem::path& fileName() {
  static const std::filesystem::path name =
      std::filesystem::temp_directory_path() /
      ("vesk_fuzz_parameter_file_" + std::to_string(::getpid()) + ".txt");
  return name;
}

// The lowest free descriptor: it moves when a descriptor is left open.
int lowestFreeDescriptor() {
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ::close(fd);
  return fd;
}

std::string contentFrom(const std::uint8_t* data, std::size_t size) {
  std::string_view payload(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 0x80) == 0) return std::string(payload);
  const std::size_t headBytes = std::min<std::size_t>((data[0] >> 4) & 7, payload.size());
  const std::size_t count = kMaxPieceUnits - 8 + (data[0] & 15);
  std::string content(payload.substr(0, headBytes));
  content.append(count, (data[0] & 1) != 0 ? 'i' : 'x');
  content += payload.substr(headBytes);
  return content;
}

}  // namespace
}  // namespace vesk

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  const std::string content = contentFrom(data, size);
  std::ofstream(fileName(), std::ios::binary | std::ios::trunc) << content;
  const std::string name = fileName().string();

  std::vector<SearchTerm> entries;
  std::vector<Diagnostic> diagnostics;
  const int freeBefore = lowestFreeDescriptor();
  const bool complete =
      readParameterFile(std::u16string(name.begin(), name.end()), entries, diagnostics);
  check(complete == diagnostics.empty(), "a failure without a diagnostic, or the reverse");
  check(lowestFreeDescriptor() == freeBefore, "the parameter file was left open");

  if (complete) {
    // Each record takes two or three lines, and each line ends at a line feed.
    const std::size_t lineFeeds =
        static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
    check(entries.size() * 2 <= lineFeeds + 1, "more entries than records");
    for (const SearchTerm& entry : entries) {
      check(!entry.isReplace || !entry.invert, "an inverted replace entry");
    }
  }
  return 0;
}
