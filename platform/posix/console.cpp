#include "platform/console.h"

#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <csignal>
#include <string>

#include "platform/codepage.h"
#include "platform/posix/locale.h"

namespace vesk::platform {
namespace {

int descriptorOf(StdStream stream) {
  return stream == StdStream::Output ? 1 : 2;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Stand-ins for the Windows values, so the console probe reads the same.
constexpr std::uint32_t kShiftJisCodePage = 932;
constexpr std::uint32_t kOtherCodePage = 1252;
constexpr std::uint16_t kJapaneseLanguageId = 0x0411;
constexpr std::uint16_t kEnglishLanguageId = 0x0409;

}  // namespace

// A terminal is the console; the handle is the descriptor plus one, so that 0 stays "none".
ConsoleHandle consoleHandle(StdStream stream) {
  const int fd = descriptorOf(stream);
  return ::isatty(fd) ? static_cast<ConsoleHandle>(fd + 1) : 0;
}

std::uint32_t consoleOutputCodePage() {
  switch (posix::localeInfo().codeset) {
    case posix::Codeset::Utf8:
      return kUtf8CodePage;
    case posix::Codeset::ShiftJis:
      return kShiftJisCodePage;
    case posix::Codeset::Other:
      break;
  }
  return kOtherCodePage;
}

std::uint16_t userInterfaceLanguage() {
  return posix::localeInfo().language == "ja" ? kJapaneseLanguageId : kEnglishLanguageId;
}

bool writeConsoleWide(ConsoleHandle console, std::u16string_view text) {
  std::string bytes;
  appendMultiByteFromWide(text, kAnsiCodePage, bytes);
  return writeAll(static_cast<int>(console) - 1, bytes.data(), bytes.size());
}

// A terminal takes the locale's encoding, as writeConsoleWide writes it.
PreparedErrorLine prepareErrorLine(std::u16string_view text, std::uint32_t codePage) {
  PreparedErrorLine line;
  const bool console = consoleHandle(StdStream::Error) != 0;
  appendMultiByteFromWide(text, console ? kAnsiCodePage : codePage, line.bytes);
  line.bytes += '\n';
  return line;
}

bool writePreparedErrorLine(const PreparedErrorLine& line, std::string_view fallback) {
  if (!line.bytes.empty()) return writeAll(2, line.bytes.data(), line.bytes.size());
  return writeAll(2, fallback.data(), fallback.size()) && writeAll(2, "\n", 1);
}

bool writeStreamBytes(StdStream stream, std::string_view bytes) {
  return writeAll(descriptorOf(stream), bytes.data(), bytes.size());
}

void prepareProcess() {
  std::signal(SIGPIPE, SIG_IGN);
#if defined(__GLIBC__)
  // glibc gives threads heaps of their own as they contend, each reserving
  // 64 MiB of address space, so that a run's address space would grow with
  // its threads rather than with what it holds; workers allocate little,
  // and each thread's cache of small blocks keeps them from contending.
  ::mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace vesk::platform
