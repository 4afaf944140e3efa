// File names on POSIX are bytes in the locale's codeset.
#pragma once

#include <string>
#include <string_view>

namespace vesk::platform::posix {

std::string nativePath(std::u16string_view path);
std::u16string widePath(std::string_view path);

}  // namespace vesk::platform::posix
