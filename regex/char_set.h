// Sets of UTF-16 code units, as the dialect's classes and the texts that
// every match must hold describe them.
#pragma once

#include <vector>

namespace vesk::regex {

// The characters from first to last, both included.
struct CharRange {
  char16_t first;
  char16_t last;
};
using CharSet = std::vector<CharRange>;

}  // namespace vesk::regex
