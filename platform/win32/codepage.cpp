#include "platform/codepage.h"

#include <windows.h>

#include "base/utf8.h"

namespace vesk::platform {

bool ansiCodePageIsUtf8() {
  return GetACP() == CP_UTF8;
}

// UTF-8 goes through our own converter on every platform, so both builds give
// the same text for malformed bytes; other code pages through the system.
void appendWideFromMultiByte(std::string_view bytes, std::uint32_t codePage, std::u16string& out) {
  if (codePage == kUtf8CodePage || ansiCodePageIsUtf8()) {
    appendWideFromUtf8(bytes, out);
    return;
  }
  if (bytes.empty()) return;
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out.data() + start),
                      units);
}

void appendMultiByteFromWide(std::u16string_view text, std::uint32_t codePage, std::string& out) {
  if (codePage == kUtf8CodePage || ansiCodePageIsUtf8()) {
    appendUtf8FromWide(text, out);
    return;
  }
  if (text.empty()) return;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(bytes));
  WideCharToMultiByte(CP_ACP, 0, wide, size, out.data() + start, bytes, nullptr, nullptr);
}

}  // namespace vesk::platform
