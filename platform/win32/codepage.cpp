#include "platform/codepage.h"

#include <windows.h>

#include <vector>

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

namespace {

// How many byte sequences of the ANSI code page decode to each character
// (up to 2). A character that malformed bytes decode to counts as spelled
// twice: the reader decodes such bytes as the system does.
std::vector<std::uint8_t> countSpellings() {
  std::vector<std::uint8_t> spellings(65536, 0);
  const auto decode = [](const char* bytes, int size, DWORD flags, wchar_t* out) {
    return MultiByteToWideChar(CP_ACP, flags, bytes, size, out, 4);
  };
  const auto count = [&](const char* bytes, int size) {
    wchar_t exact[4];
    wchar_t loose[4];
    const int units = decode(bytes, size, MB_ERR_INVALID_CHARS, exact);
    if (units == 1) {
      std::uint8_t& n = spellings[static_cast<char16_t>(exact[0])];
      if (n < 2) ++n;
      return;
    }
    const int looseUnits = decode(bytes, size, 0, loose);
    for (int i = 0; i < looseUnits; ++i) spellings[static_cast<char16_t>(loose[i])] = 2;
  };
  for (int lead = 0; lead < 256; ++lead) {
    const char one = static_cast<char>(lead);
    if (!IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(lead))) {
      count(&one, 1);
      continue;
    }
    count(&one, 1);  // a lead byte at the end of a line
    for (int trail = 0; trail < 256; ++trail) {
      const char two[2] = {one, static_cast<char>(trail)};
      count(two, 2);
    }
  }
  return spellings;
}

}  // namespace

bool ansiLeadByte(unsigned char byte) {
  return !ansiCodePageIsUtf8() && IsDBCSLeadByteEx(CP_ACP, byte) != FALSE;
}

std::optional<std::string> uniqueAnsiSpelling(std::u16string_view text) {
  std::string bytes;
  if (ansiCodePageIsUtf8()) {
    appendUtf8FromWide(text, bytes);  // UTF-8 spells every character one way
    return bytes;
  }
  static const std::vector<std::uint8_t> spellings = countSpellings();
  for (const char16_t unit : text) {
    if (spellings[unit] != 1 || unit == u'\uFFFD') return std::nullopt;
  }
  appendMultiByteFromWide(text, kAnsiCodePage, bytes);
  return bytes;
}

}  // namespace vesk::platform
