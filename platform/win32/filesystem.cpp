#include "platform/filesystem.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace vesk::platform {
namespace {

bool hasAttribute(DWORD attributes, DWORD bit) {
  return (attributes & bit) != 0;
}

DirectoryEntry describeEntry(const WIN32_FIND_DATAW& data) {
  const DWORD attributes = data.dwFileAttributes;
  const bool folder = hasAttribute(attributes, FILE_ATTRIBUTE_DIRECTORY);
  // A junction or folder link may point back up the tree: never entered.
  const bool link = hasAttribute(attributes, FILE_ATTRIBUTE_REPARSE_POINT);
  DirectoryEntry entry;
  entry.name = win32::utf16(data.cFileName);
  entry.isFolder = folder && !link;
  entry.isFolderLink = folder && link;
  entry.isHidden = hasAttribute(attributes, FILE_ATTRIBUTE_HIDDEN);
  entry.isSystem = hasAttribute(attributes, FILE_ATTRIBUTE_SYSTEM);
  return entry;
}

}  // namespace

char16_t pathSeparator() {
  return u'\\';
}

bool isForbiddenInTarget(char16_t c) {
  return c == u'<' || c == u'>' || c == u'|' || c == u'/' || c == u'"';
}

std::optional<FileAttributes> fileAttributes(std::u16string_view path) {
  const DWORD attributes = GetFileAttributesW(win32::wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  FileAttributes result;
  result.isFolder = hasAttribute(attributes, FILE_ATTRIBUTE_DIRECTORY);
  return result;
}

// Sized by the system's answer, so that a long path is never cut.
std::optional<std::u16string> fullPath(std::u16string_view path) {
  const std::wstring input = win32::wide(path);
  const DWORD needed = GetFullPathNameW(input.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::nullopt;
  std::wstring buffer(needed, L'\0');
  const DWORD length = GetFullPathNameW(input.c_str(), needed, buffer.data(), nullptr);
  if (length == 0 || length >= needed) return std::nullopt;
  buffer.resize(length);
  return win32::utf16(buffer);
}

PathParts splitFullPath(std::u16string_view path) {
  const std::size_t separator = path.find_last_of(u"\\:");
  if (separator == path.npos) return PathParts{{}, std::u16string(path)};
  return PathParts{std::u16string(path.substr(0, separator + 1)),
                   std::u16string(path.substr(separator + 1))};
}

bool isDeviceFolder(std::u16string_view folder) {
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(folder.data()),
                              static_cast<int>(folder.size()), L"\\\\.\\", 4, TRUE) == CSTR_EQUAL;
}

namespace {

// What the error of a search that found nothing means: no match in the
// folder, no such folder, or a folder that cannot be read.
Listing listingAfter(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return Listing::NoMatch;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return Listing::Gone;
    default:
      return Listing::Failed;
  }
}

}  // namespace

void listForWalk(std::u16string_view folder, std::u16string_view pattern, bool everyEntry,
                 WalkListing& listing) {
  const std::u16string base(folder);
  listing.matching = listDirectory(base + std::u16string(pattern), listing.matches);
  listing.entries.clear();
  listing.all = Listing::NoMatch;
  if (everyEntry && (listing.matching == Listing::Found || listing.matching == Listing::NoMatch)) {
    listing.all = listDirectory(base + u"*", listing.entries);
  }
}

Listing listDirectory(std::u16string_view pathPattern, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileExW(win32::wide(pathPattern).c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    return listingAfter(GetLastError());
  }
  do {
    entries.push_back(describeEntry(data));
  } while (FindNextFileW(search, &data));
  const DWORD error = GetLastError();
  FindClose(search);
  return error == ERROR_NO_MORE_FILES ? Listing::Found : Listing::Failed;
}

}  // namespace vesk::platform
