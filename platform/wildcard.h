// File-name wildcards for listings on systems whose directory search has
// none: '*' any run of characters, '?' any one character, "*.*" every name.
#pragma once

#include <string_view>

namespace vesk::platform {

bool matchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace vesk::platform
