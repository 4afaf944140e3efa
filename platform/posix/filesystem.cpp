#include "platform/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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
  appendBytesKeepingBytes(path, bytes);
  return bytes;
}

std::u16string widePath(std::string_view path) {
  std::u16string text;
  appendWideKeepingBytes(path, text);
  return text;
}

PathAt::PathAt(PathAt&& other) noexcept : folder(other.folder), name(std::move(other.name)) {
  other.folder = -1;
}

PathAt::~PathAt() {
  if (folder >= 0) ::close(folder);
}

PathAt reachPath(const std::string& path) {
  PathAt at;
  if (path.size() < PATH_MAX) {
    at.folder = AT_FDCWD;
    at.name = path;
    return at;
  }
#ifdef O_PATH
  constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;  // search permission is enough
#else
  constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
  const std::size_t lastSlash = path.find_last_of('/');
  at.folder = ::open(path.front() == '/' ? "/" : ".", kFolderFlags);
  for (std::size_t start = 0; at.folder >= 0 && start < lastSlash;) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos || end > lastSlash) end = lastSlash;
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    const int next = ::openat(at.folder, part.c_str(), kFolderFlags);
    const int error = errno;
    ::close(at.folder);
    at.folder = next;
    errno = error;
  }
  at.name = path.substr(lastSlash + 1);
  if (at.name.empty()) at.name = ".";
  return at;
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

unsigned char typeOf(const struct stat& info) {
  return S_ISLNK(info.st_mode)   ? DT_LNK
         : S_ISDIR(info.st_mode) ? DT_DIR
         : S_ISREG(info.st_mode) ? DT_REG
                                 : DT_FIFO;
}

// Classifies one name in an open folder, of the type its listing gave
// (DT_UNKNOWN: not known yet); links are followed for files and never for
// folders, so that a walk cannot loop.
DirectoryEntry describeEntry(int folder, const char* entryName, unsigned char type,
                             std::u16string name) {
  DirectoryEntry result;
  result.name = std::move(name);
  result.isHidden = entryName[0] == '.';
  struct stat info {};
  if (type == DT_UNKNOWN && ::fstatat(folder, entryName, &info, AT_SYMLINK_NOFOLLOW) == 0) {
    type = typeOf(info);
  }
  if (type == DT_LNK) {
    if (::fstatat(folder, entryName, &info, 0) != 0) {
      return result;  // a broken link: a file that will not open
    }
    result.isFolderLink = S_ISDIR(info.st_mode);
    result.isSystem = !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode);
    return result;
  }
  result.isFolder = type == DT_DIR;
  result.isSystem = type != DT_DIR && type != DT_REG;
  return result;
}

bool meansNothingThere(int error) {
  return error == ENOENT || error == ENOTDIR;
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
  const posix::PathAt at = posix::reachPath(posix::nativePath(path));
  struct stat info {};
  if (at.folder == -1 || ::fstatat(at.folder, at.name.c_str(), &info, 0) != 0) return std::nullopt;
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

namespace {

struct DescriptorCloser {
  void operator()(const int* fd) const { ::close(*fd); }
};

// A name without wildcards is looked up, not listed: its folder may let
// names be looked up but not listed (mode 311), and a lookup is cheaper.
Listing lookUp(int folder, const std::u16string& name, std::vector<DirectoryEntry>& entries) {
  const std::string native = posix::nativePath(name);
  struct stat info {};
  if (::fstatat(folder, native.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return meansNothingThere(errno) ? Listing::NoMatch : Listing::Failed;
  }
  entries.push_back(describeEntry(folder, native.c_str(), typeOf(info), name));
  return Listing::Found;
}

// Takes the folder's descriptor over: it is closed with the listing.
Listing listNames(int folder, std::u16string_view pattern, std::vector<DirectoryEntry>& entries) {
  const std::unique_ptr<DIR, DirectoryCloser> dir(::fdopendir(folder));
  if (!dir) {
    ::close(folder);
    return Listing::Failed;
  }
  for (;;) {
    errno = 0;  // readdir tells its end from an error only through errno
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) return Listing::Failed;
      break;
    }
    std::u16string name = posix::widePath(entry->d_name);
    if (!matchesWildcard(pattern, name)) continue;
    entries.push_back(
        describeEntry(::dirfd(dir.get()), entry->d_name, entry->d_type, std::move(name)));
  }
  return entries.empty() ? Listing::NoMatch : Listing::Found;
}

}  // namespace

Listing listDirectory(std::u16string_view pathPattern, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  const PathParts parts = splitFullPath(pathPattern);
  const posix::PathAt at =
      posix::reachPath(posix::nativePath(parts.folder.empty() ? u"./" : parts.folder));
  if (at.folder == -1) return meansNothingThere(errno) ? Listing::Gone : Listing::Failed;
  const int folder = ::openat(at.folder, at.name.c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC |
#ifdef O_PATH
                                  (hasWildcard(parts.name) ? 0 : O_PATH)
#else
                                  0
#endif
  );
  if (folder < 0) return meansNothingThere(errno) ? Listing::Gone : Listing::Failed;
  if (!hasWildcard(parts.name)) {
    const std::unique_ptr<const int, DescriptorCloser> closer(&folder);
    return lookUp(folder, parts.name, entries);
  }
  const Listing listing = listNames(folder, parts.name, entries);
  // readdir's order follows the file system's hashing and differs from one
  // machine to the next; names sorted as NTFS lists them (case folded) make
  // every run's output the same, and the same as on Windows.
  std::sort(entries.begin(), entries.end(), listedBefore);
  return listing;
}

void listForWalk(std::u16string_view folder, std::u16string_view pattern, bool everyEntry,
                 WalkListing& listing) {
  const std::u16string base(folder);
  listing.matches.clear();
  listing.all = Listing::NoMatch;
  // A name without wildcards is looked up, which works in folders that may
  // be entered but not listed.
  if (!everyEntry || !hasWildcard(pattern)) {
    listing.matching = listDirectory(base + std::u16string(pattern), listing.matches);
    listing.entries.clear();
    if (everyEntry &&
        (listing.matching == Listing::Found || listing.matching == Listing::NoMatch)) {
      listing.all = listDirectory(base + u"*", listing.entries);
    }
    return;
  }
  listing.all = listDirectory(base + u"*", listing.entries);
  listing.matching = listing.all;
  if (listing.all != Listing::Found) return;
  for (const DirectoryEntry& entry : listing.entries) {
    if (matchesWildcard(pattern, entry.name)) listing.matches.push_back(entry);
  }
  if (listing.matches.empty()) listing.matching = Listing::NoMatch;
}

}  // namespace vesk::platform
