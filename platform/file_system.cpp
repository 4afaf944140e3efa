#include "platform/file_system.h"

#include <utility>

namespace vesk::platform {
namespace {

// What tells the opened file from every other (see fileIdentity).
std::optional<FileIdentity> identityOf(const OpenedInput& input) {
  return input.disk ? fileIdentity(input.disk->handle()) : input.memoryIdentity;
}

}  // namespace

bool isFile(const OpenedInput& input, const std::optional<FileIdentity>& file) {
  if (!file) return false;
  const std::optional<FileIdentity> identity = identityOf(input);
  return identity && sameFile(*identity, *file);
}

std::optional<FileAttributes> DiskFileSystem::attributes(std::u16string_view path) const {
  return fileAttributes(path);
}

std::optional<std::u16string> DiskFileSystem::fullPath(std::u16string_view path) const {
  return platform::fullPath(path);
}

Listing DiskFileSystem::list(std::u16string_view pathPattern,
                             std::vector<DirectoryEntry>& entries) const {
  return listDirectory(pathPattern, entries);
}

void DiskFileSystem::listForWalk(std::u16string_view folder, std::u16string_view pattern,
                                 bool everyEntry, WalkListing& listing) const {
  platform::listForWalk(folder, pattern, everyEntry, listing);
}

std::optional<OpenedInput> DiskFileSystem::open(std::u16string_view path) const {
  std::optional<InputFile> file = InputFile::open(path);
  if (!file) return std::nullopt;
  return OpenedInput{std::move(file), {}, std::nullopt};
}

}  // namespace vesk::platform
