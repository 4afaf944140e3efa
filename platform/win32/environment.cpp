#include "platform/environment.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vesk::platform {

std::optional<std::u16string> environmentVariable(std::u16string_view name) {
  const std::wstring wideName = win32::wide(name);
  // The size with the terminating NUL; 0 when the variable is not set.
  DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::u16string();
  }
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  value.resize(size);
  return win32::utf16(value);
}

}  // namespace vesk::platform
