// ASCII letter case, for bytes and for UTF-16 units alike. Options and
// option letters are ASCII and no other character may fold onto one of them;
// byte prefilters fold only ASCII; and NTFS orders names by upper-cased ASCII.
#pragma once

#include <algorithm>
#include <string_view>

namespace vesk {

template <typename Char>
constexpr bool isAsciiLetter(Char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

template <typename Char>
constexpr Char asciiLower(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename Char>
constexpr Char asciiUpper(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - 'a' + 'A') : c;
}

constexpr bool asciiEqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return asciiLower(x) == asciiLower(y); });
}

constexpr bool asciiStartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         asciiEqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace vesk
