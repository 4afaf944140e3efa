#include "platform/files.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vesk::platform {

bool openInputFile(std::u16string_view path, InputFile& file) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open, as wanted.
  HANDLE handle = CreateFileW(win32::wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file = InputFile{reinterpret_cast<std::intptr_t>(handle), true};
  return true;
}

InputFile standardInput() {
  return InputFile{reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE)), false};
}

std::ptrdiff_t readInputFile(InputFile& file, char* buffer, std::size_t size) {
  HANDLE handle = reinterpret_cast<HANDLE>(file.handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return 0;  // no standard input at all
  DWORD count = 0;
  const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
  if (ReadFile(handle, buffer, chunk, &count, nullptr)) return count;
  // The writing end of a pipe closed: that is the end of the input.
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool readMayWait(const InputFile& file) {
  HANDLE handle = reinterpret_cast<HANDLE>(file.handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR:  // a console: the user types at their own pace
      return true;
    case FILE_TYPE_PIPE: {
      DWORD available = 0;
      return PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) && available == 0;
    }
    default:
      return false;
  }
}

void closeInputFile(InputFile& file) {
  if (file.owned && file.handle != -1) CloseHandle(reinterpret_cast<HANDLE>(file.handle));
  file = InputFile{};
}

}  // namespace vesk::platform
