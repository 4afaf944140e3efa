#include "platform/filesystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "base/ascii.h"
#include "base/wildcard.h"
#include "platform/codepage.h"
#include "platform/posix/paths.h"

namespace vesk::platform {

namespace posix {

std::string nativePath(std::u16string_view path) {
  std::string bytes;
  appendMultiByteFromWide(path, kAnsiCodePage, bytes);
  return bytes;
}

std::u16string widePath(std::string_view path) {
  std::u16string text;
  appendWideFromMultiByte(path, kAnsiCodePage, text);
  return text;
}

}  // namespace posix

namespace {

// NTFS orders names by their upper-cased form.
bool listedBefore(const DirectoryEntry& a, const DirectoryEntry& b) {
  const auto folded = [](char16_t x, char16_t y) { return asciiUpper(x) < asciiUpper(y); };
  if (std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                   folded)) {
    return true;
  }
  if (std::lexicographical_compare(b.name.begin(), b.name.end(), a.name.begin(), a.name.end(),
                                   folded)) {
    return false;
  }
  return a.name < b.name;
}

std::string currentFolder() {
  std::string folder(256, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return {};
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder;
}

// Removes "." and ".." components the way an absolute path is formed on
// Windows; a trailing separator is kept.
std::u16string normalizedAbsolute(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'/', start);
    if (end == path.npos) end = path.size();
    const std::u16string_view part = path.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::u16string result;
  for (std::u16string_view part : parts) {
    result += u'/';
    result += part;
  }
  if (result.empty() || path.back() == u'/') result += u'/';
  return result;
}

struct DirectoryCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// Classifies one listed name; links are followed for files and never for
// folders, so that a walk cannot loop.
DirectoryEntry describeEntry(const std::string& folder, const dirent& entry, std::u16string name) {
  DirectoryEntry result;
  result.name = std::move(name);
  result.isHidden = entry.d_name[0] == '.';
  unsigned char type = entry.d_type;
  const std::string path = folder + entry.d_name;
  struct stat info {};
  if (type == DT_UNKNOWN && ::lstat(path.c_str(), &info) == 0) {
    type = S_ISLNK(info.st_mode)   ? DT_LNK
           : S_ISDIR(info.st_mode) ? DT_DIR
           : S_ISREG(info.st_mode) ? DT_REG
                                   : DT_FIFO;
  }
  if (type == DT_LNK) {
    if (::stat(path.c_str(), &info) != 0)
      return result;  // a broken link: a file that will not open
    result.isFolderLink = S_ISDIR(info.st_mode);
    result.isSystem = !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode);
    return result;
  }
  result.isFolder = type == DT_DIR;
  result.isSystem = type != DT_DIR && type != DT_REG;
  return result;
}

}  // namespace

char16_t pathSeparator() {
  return u'/';
}

bool isForbiddenInTarget(char16_t c) {
  return c == u'<' || c == u'>' || c == u'|' || c == u'"';
}

std::optional<FileAttributes> fileAttributes(std::u16string_view path) {
  if (hasWildcard(path)) return std::nullopt;
  struct stat info {};
  if (::stat(posix::nativePath(path).c_str(), &info) != 0) return std::nullopt;
  FileAttributes attributes;
  attributes.isFolder = S_ISDIR(info.st_mode);
  attributes.isDevice = !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode);
  return attributes;
}

std::optional<std::u16string> fullPath(std::u16string_view path) {
  if (path.empty()) return std::nullopt;
  if (path.front() == u'/') return normalizedAbsolute(path);
  const std::string folder = currentFolder();
  if (folder.empty()) return std::nullopt;
  return normalizedAbsolute(posix::widePath(folder) + u'/' + std::u16string(path));
}

PathParts splitFullPath(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  if (slash == path.npos) return PathParts{{}, std::u16string(path)};
  return PathParts{std::u16string(path.substr(0, slash + 1)),
                   std::u16string(path.substr(slash + 1))};
}

bool isDeviceFolder(std::u16string_view) {
  return false;
}

Listing listDirectory(std::u16string_view pathPattern, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  const PathParts parts = splitFullPath(pathPattern);
  const std::string folder = posix::nativePath(parts.folder.empty() ? u"./" : parts.folder);
  const std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(folder.c_str()));
  if (!dir) return errno == ENOENT || errno == ENOTDIR ? Listing::NoMatch : Listing::Failed;
  for (;;) {
    errno = 0;  // readdir tells its end from an error only through errno
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) return Listing::Failed;
      break;
    }
    std::u16string name = posix::widePath(entry->d_name);
    if (!matchesWildcard(parts.name, name)) continue;
    entries.push_back(describeEntry(folder, *entry, std::move(name)));
  }
  // readdir's order follows the file system's hashing and differs from one
  // machine to the next; names sorted as NTFS lists them (case folded) make
  // every run's output the same, and the same as on Windows.
  std::sort(entries.begin(), entries.end(), listedBefore);
  return entries.empty() ? Listing::NoMatch : Listing::Found;
}

}  // namespace vesk::platform
