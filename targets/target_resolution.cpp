#include "targets/target_resolution.h"

#include <vector>

#include "base/wildcard.h"
#include "platform/file_system.h"

namespace vesk {
namespace {

std::u16string withSeparator(std::u16string path) {
  path += platform::pathSeparator();
  return path;
}

TargetResolution wholeFolder(const std::u16string& full) {
  return TargetResolution{ResolvedTarget{withSeparator(full), u"*", true}, std::nullopt};
}

TargetResolution folderPart(const std::u16string& full, bool showsFileNames) {
  platform::PathParts parts = platform::splitFullPath(full);
  return TargetResolution{
      ResolvedTarget{std::move(parts.folder), std::move(parts.name), showsFileNames}, std::nullopt};
}

TargetResolution failure(MessageId id, std::u16string_view subject) {
  return TargetResolution{{}, Diagnostic{id, std::u16string(subject)}};
}

// The name resolves: a folder, a file or a device.
TargetResolution resolveExisting(std::u16string_view typed,
                                 const platform::FileAttributes& attributes,
                                 const std::u16string& full) {
  if (attributes.isFolder) return wholeFolder(full);
  TargetResolution resolution = folderPart(full, false);
  if (attributes.isDevice || platform::isDeviceFolder(resolution.target.baseFolder)) {
    return failure(MessageId::NotFileOrFolder, typed);
  }
  return resolution;
}

// The name does not resolve: a wildcard pattern, a name only a listing
// reveals, or nothing at all. A listing that fails counts as finding nothing
// here; the walk reports a folder it cannot list.
TargetResolution resolveByListing(const platform::FileSystem& files, std::u16string_view typed,
                                  bool subfolders, const std::u16string& full) {
  std::vector<platform::DirectoryEntry> listing;
  if (files.list(full, listing) == platform::Listing::Found) {
    if (!hasWildcard(typed) && listing.front().isFolder) return wholeFolder(full);
    return folderPart(full, true);
  }
  if (files.list(withSeparator(full) + u"*", listing) == platform::Listing::Found) {
    return wholeFolder(full);
  }
  if (!subfolders) return failure(MessageId::FileOrFolderNotFound, typed);
  // With "/d" the pattern is looked for below its folder, which must exist.
  TargetResolution resolution = folderPart(full, true);
  const std::u16string& base = resolution.target.baseFolder;
  const platform::Listing baseListing = files.list(base + u"*", listing);
  if (baseListing == platform::Listing::NoMatch || baseListing == platform::Listing::Gone) {
    return failure(MessageId::FolderNotFound, base);
  }
  return resolution;
}

}  // namespace

TargetResolution resolveTarget(const platform::FileSystem& files, std::u16string_view typed,
                               bool subfolders) {
  if (typed.empty()) return {};
  const std::optional<std::u16string> full = files.fullPath(typed);
  if (!full) return failure(MessageId::FileOrFolderNotFound, typed);
  if (const auto attributes = files.attributes(typed)) {
    return resolveExisting(typed, *attributes, *full);
  }
  return resolveByListing(files, typed, subfolders, *full);
}

}  // namespace vesk
