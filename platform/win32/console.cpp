#include "platform/console.h"

#include <windows.h>

#include <string>

#include "platform/codepage.h"

namespace vesk::platform {
namespace {

DWORD stdHandleId(StdStream stream) {
  return stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

bool writeAll(HANDLE handle, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// Every console takes writes of this many units; some take no more.
constexpr std::size_t kConsoleWriteUnits = 4096;

// As many units as one write may take, ending between two characters.
std::size_t unitsForOneWrite(std::u16string_view text) {
  if (text.size() <= kConsoleWriteUnits) return text.size();
  std::size_t units = kConsoleWriteUnits;
  const char16_t last = text[units - 1];
  if (last >= 0xD800 && last <= 0xDBFF) --units;  // a pair stays whole
  return units;
}

}  // namespace

ConsoleHandle consoleHandle(StdStream stream) {
  HANDLE handle = GetStdHandle(stdHandleId(stream));
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    return 0;
  }
  return reinterpret_cast<ConsoleHandle>(handle);
}

std::uint32_t consoleOutputCodePage() {
  return GetConsoleOutputCP();
}

std::uint16_t userInterfaceLanguage() {
  return GetUserDefaultUILanguage();
}

bool writeConsoleWide(ConsoleHandle console, std::u16string_view text) {
  while (!text.empty()) {
    const std::size_t units = unitsForOneWrite(text);
    DWORD written = 0;
    if (!WriteConsoleW(reinterpret_cast<HANDLE>(console), text.data(), static_cast<DWORD>(units),
                       &written, nullptr) ||
        written == 0) {
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

// Redirected streams are text-mode streams on Windows: every LF leaves as CR LF.
PreparedErrorLine prepareErrorLine(std::u16string_view text, std::uint32_t codePage) {
  PreparedErrorLine line;
  line.wide = text;
  line.wide += u'\n';
  appendMultiByteFromWide(text, codePage, line.bytes);
  line.bytes += "\r\n";  // text mode, as writeStreamBytes would write it
  return line;
}

bool writePreparedErrorLine(const PreparedErrorLine& line, std::string_view fallback) {
  const ConsoleHandle console = consoleHandle(StdStream::Error);
  if (console != 0 && !line.wide.empty()) return writeConsoleWide(console, line.wide);
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (!line.bytes.empty()) return writeAll(handle, line.bytes.data(), line.bytes.size());
  return writeAll(handle, fallback.data(), fallback.size()) && writeAll(handle, "\r\n", 2);
}

bool writeStreamBytes(StdStream stream, std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32);
  for (char c : bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return writeAll(GetStdHandle(stdHandleId(stream)), text.data(), text.size());
}

void prepareProcess() {}

}  // namespace vesk::platform
