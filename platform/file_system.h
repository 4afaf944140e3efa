// The file system as the walk and the resolution of the target see it: a
// small interface, so that their rules can be tried on a file system kept in
// memory as well as on the disk (DiskFileSystem, the system's own).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/filesystem.h"

namespace vesk::platform {

// A file opened for reading: on the disk, or bytes kept in memory.
struct OpenedInput {
  std::optional<InputFile> disk;
  std::string_view memory;                     // where there is no file on disk
  std::optional<FileIdentity> memoryIdentity;  // likewise
};

// True when the opened file is the given one (false when none is given).
bool isFile(const OpenedInput& input, const std::optional<FileIdentity>& file);

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // See filesystem.h for what each answers.
  virtual std::optional<FileAttributes> attributes(std::u16string_view path) const = 0;
  virtual std::optional<std::u16string> fullPath(std::u16string_view path) const = 0;
  virtual Listing list(std::u16string_view pathPattern,
                       std::vector<DirectoryEntry>& entries) const = 0;
  virtual void listForWalk(std::u16string_view folder, std::u16string_view pattern, bool everyEntry,
                           WalkListing& listing) const = 0;
  // A regular file opened for reading; nullopt when it does not open. Any
  // thread may call it while others do.
  virtual std::optional<OpenedInput> open(std::u16string_view path) const = 0;
};

class DiskFileSystem final : public FileSystem {
 public:
  std::optional<FileAttributes> attributes(std::u16string_view path) const override;
  std::optional<std::u16string> fullPath(std::u16string_view path) const override;
  Listing list(std::u16string_view pathPattern,
               std::vector<DirectoryEntry>& entries) const override;
  void listForWalk(std::u16string_view folder, std::u16string_view pattern, bool everyEntry,
                   WalkListing& listing) const override;
  std::optional<OpenedInput> open(std::u16string_view path) const override;
};

}  // namespace vesk::platform
