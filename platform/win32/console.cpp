#include "platform/console.h"

#include <windows.h>

#include <string>

namespace vesk::platform {
namespace {

DWORD stdHandleId(StdStream stream) {
  return stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

void writeAll(HANDLE handle, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
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

void writeConsoleWide(ConsoleHandle console, std::u16string_view text) {
  DWORD written = 0;
  WriteConsoleW(reinterpret_cast<HANDLE>(console), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

// Redirected streams are text-mode streams on Windows: every LF leaves as CR LF.
void writeStreamBytes(StdStream stream, std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32);
  for (char c : bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  writeAll(GetStdHandle(stdHandleId(stream)), text.data(), text.size());
}

}  // namespace vesk::platform
