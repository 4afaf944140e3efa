// Comparisons that ignore the case of ASCII letters only: options and option
// letters are ASCII, and no other character may fold onto one of them.
#pragma once

#include <algorithm>
#include <string_view>

namespace vesk {

constexpr char16_t asciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
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
