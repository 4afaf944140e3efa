// Only the Windows build sees wchar_t: it is UTF-16 there, the same units as char16_t.
#pragma once

#include <string>
#include <string_view>

namespace vesk::platform::win32 {

inline std::wstring wide(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

inline std::u16string utf16(std::wstring_view text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

}  // namespace vesk::platform::win32
