// Numbers as the program writes them: decimal digits, no sign, no grouping.
#pragma once

#include <cstdint>
#include <string>

namespace vesk {

inline void appendDecimal(std::u16string& text, std::uint64_t value) {
  char16_t digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count != 0) text.push_back(digits[--count]);
}

}  // namespace vesk
