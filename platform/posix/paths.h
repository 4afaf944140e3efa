// File names on POSIX are bytes in the locale's codeset.
#pragma once

#include <string>
#include <string_view>

namespace vesk::platform::posix {

std::string nativePath(std::u16string_view path);
std::u16string widePath(std::string_view path);

// A path as an open folder and a name in it, for the *at calls: a path longer
// than the system takes in one call is reached a folder at a time, so that
// a walk finds what lies deeper than PATH_MAX. A short path is the current
// folder and the whole path.
struct PathAt {
  int folder = -1;   // AT_FDCWD, an open folder, or -1 when a folder on the way did not open
  std::string name;  // errno tells why when folder is -1

  PathAt() = default;
  PathAt(const PathAt&) = delete;
  PathAt& operator=(const PathAt&) = delete;
  PathAt(PathAt&& other) noexcept;
  ~PathAt();
};

PathAt reachPath(const std::string& path);

}  // namespace vesk::platform::posix
