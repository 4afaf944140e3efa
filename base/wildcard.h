// File-name wildcards: '*' any run of characters, '?' any one character,
// "*.*" every name. Windows' directory search matches them itself; the POSIX
// listing uses matchesWildcard.
#pragma once

#include <string_view>

namespace vesk {

// True when the text holds '*' or '?': a name with them never names one file.
constexpr bool hasWildcard(std::u16string_view text) {
  return text.find_first_of(u"*?") != text.npos;
}

bool matchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace vesk
