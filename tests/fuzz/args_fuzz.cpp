// Feeds argument vectors to the option parser and checks what it promises:
// on success the job is complete (one display mode at most, entries, a target
// where "/d" or an encoding needs one), and no file is left open either way.
//
// Input layout: byte 0 picks the message language; the rest is the arguments
// in UTF-8, separated by NUL bytes. The parser runs in a private folder that
// holds two parameter files, "p" (good records) and "q" (bad letters);
// every slash after an argument's first character becomes "_", so that
// "/f" can only name files of that folder and never a device.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "cmdline/parse_options.h"
#include "model/run_plan.h"
#include "platform/filesystem.h"

namespace vesk {
namespace {

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "args fuzz: %s\n", what);
  std::abort();
}

void enterSandbox() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vesk_fuzz_args_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  std::ofstream("p", std::ios::binary) << "/s\na\n/ril\n(\n$1\n/sv\n\n";
  std::ofstream("q", std::ios::binary) << "/sx\na\n/r\nb\n";
}

// The lowest free descriptor: it moves when a descriptor is left open.
int lowestFreeDescriptor() {
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ::close(fd);
  return fd;
}

std::vector<std::u16string> argumentsFrom(std::string_view bytes) {
  std::vector<std::u16string> arguments;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = bytes.find('\0', start);
    std::string argument(bytes.substr(start, end - start));
    for (std::size_t at = 1; at < argument.size(); ++at) {
      if (argument[at] == '/') argument[at] = '_';
    }
    arguments.emplace_back();
    appendWideFromUtf8(argument, arguments.back());
    if (end == std::string_view::npos) return arguments;
    start = end + 1;
  }
}

void checkCompleteJob(const RunOptions& options, const std::vector<SearchTerm>& terms) {
  check(!terms.empty(), "accepted a job without entries");
  for (const char16_t c : options.target) {
    check(!platform::isForbiddenInTarget(c), "accepted a forbidden character in the target");
  }
  check(!options.target.starts_with(u'/'), "accepted an option as the target");
  check(!(options.subfolders || options.encoding != InputEncoding::CodePage) ||
            !options.target.empty(),
        "accepted /d or an encoding without a target");
  check(!options.subfolders || planRun(options, PlannedTarget{}, 0).showFileNames,
        "/d without file names");
  for (const SearchTerm& term : terms) {
    check(!term.isReplace || !term.invert, "an inverted replace entry");
  }
  const BuiltEntries built = buildEntries(terms);
  check(built.failure || built.entries.size() == terms.size(), "an entry left uncompiled");
  for (const SearchEntry& entry : built.entries) {
    check(entry.pattern.compiled != nullptr, "an entry left uncompiled");
  }
}

}  // namespace
}  // namespace vesk

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vesk::enterSandbox();
  std::fprintf(stderr,
               "args fuzz: working in %s; give -artifact_prefix to keep crashes elsewhere\n",
               std::filesystem::current_path().c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  const std::vector<std::u16string> arguments =
      size == 1
          ? std::vector<std::u16string>{}
          : argumentsFrom(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

  const int freeBefore = lowestFreeDescriptor();
  const ParsedCommandLine parsed = parseOptions(arguments);
  check(parsed.ok == parsed.diagnostics.empty(), "a failure without a diagnostic, or the reverse");
  check(parsed.diagnostics.size() <= 1 || !parsed.ok, "several diagnostics for a good job");
  if (parsed.ok) checkCompleteJob(parsed.options, parsed.terms);
  check(lowestFreeDescriptor() == freeBefore, "a parameter file was left open");
  return 0;
}
