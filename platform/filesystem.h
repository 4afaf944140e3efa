// File attributes, full paths and directory listings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::platform {

// The separator of path components on this platform.
char16_t pathSeparator();

// True for a character that no target argument may hold.
bool isForbiddenInTarget(char16_t c);

struct FileAttributes {
  bool isFolder = false;
  bool isDevice = false;  // exists but is neither a regular file nor a folder
};

// The attributes of an existing name; nullopt when it does not resolve
// (a name with a wildcard never resolves).
std::optional<FileAttributes> fileAttributes(std::u16string_view path);

// The absolute form of a path; nullopt when it cannot be formed.
std::optional<std::u16string> fullPath(std::u16string_view path);

// The parts of a full path: folder (drive and directory, ending in the
// separator) and name (base name and extension).
struct PathParts {
  std::u16string folder;
  std::u16string name;
};
PathParts splitFullPath(std::u16string_view fullPath);

// True when the folder part of a full path is the device namespace (Windows \\.\).
bool isDeviceFolder(std::u16string_view folder);

struct DirectoryEntry {
  std::u16string name;
  bool isFolder = false;      // a real folder; a link or junction to one is not
  bool isFolderLink = false;  // a link or junction to a folder: never entered, never read
  bool isHidden = false;
  bool isSystem = false;
};

enum class Listing {
  Found,    // at least one entry matches
  NoMatch,  // the folder holds nothing that matches
  Gone,     // there is no such folder (or it is not a folder), or no longer
  Failed,   // the folder exists but its entries could not be read
};

// Lists the entries whose name matches the last component of pathPattern
// (which may hold '*' and '?'), in the order of names that NTFS gives: the
// POSIX build sorts them so, as readdir's order differs between machines.
Listing listDirectory(std::u16string_view pathPattern, std::vector<DirectoryEntry>& entries);

// A folder as a walk takes it: the entries whose names match `pattern`, and
// with `everyEntry` all of them too (where the walk finds the subfolders).
// The POSIX build reads the folder once for both; Windows matches patterns
// against short names as well, so the system is asked for each.
struct WalkListing {
  Listing matching = Listing::NoMatch;
  std::vector<DirectoryEntry> matches;
  Listing all = Listing::NoMatch;
  std::vector<DirectoryEntry> entries;
};
void listForWalk(std::u16string_view folder, std::u16string_view pattern, bool everyEntry,
                 WalkListing& listing);

}  // namespace vesk::platform
