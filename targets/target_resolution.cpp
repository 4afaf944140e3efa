#include "targets/target_resolution.h"

#include <vector>

#include "app/messages.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/filesystem.h"
#include "platform/redirection.h"
#include "process/process_file.h"
#include "targets/folder_walk.h"

namespace vesk {
namespace {

constexpr std::u16string_view kStandardInputName = u"(CON)";

bool hasWildcard(std::u16string_view path) {
  return path.find_first_of(u"*?") != path.npos;
}

std::u16string withSeparator(std::u16string path) {
  path += platform::pathSeparator();
  return path;
}

void walkWholeFolder(const std::u16string& full, RunSettings& settings, TargetState& target) {
  target.baseFolder = withSeparator(full);
  target.namePattern = u"*";
  settings.showFileNames = true;
}

void walkFolderPart(const std::u16string& full, TargetState& target) {
  platform::PathParts parts = platform::splitFullPath(full);
  target.baseFolder = std::move(parts.folder);
  target.namePattern = std::move(parts.name);
}

// The name resolves: a folder, a file or a device.
Resolution resolveExisting(ConsoleOutput& output, RunSettings& settings, TargetState& target,
                           const platform::FileAttributes& attributes, const std::u16string& full) {
  if (attributes.isFolder) {
    walkWholeFolder(full, settings, target);
    return Resolution::Resolved;
  }
  walkFolderPart(full, target);
  if (attributes.isDevice || platform::isDeviceFolder(target.baseFolder)) {
    reportError(output, settings.target, MessageId::NotFileOrFolder);
    return Resolution::Failed;
  }
  return Resolution::Resolved;
}

// The name does not resolve: a wildcard pattern, a name only a listing
// reveals, or nothing at all.
Resolution resolveByListing(ConsoleOutput& output, RunSettings& settings, TargetState& target,
                            const std::u16string& full) {
  std::vector<platform::DirectoryEntry> listing;
  if (platform::listDirectory(full, listing)) {
    if (!hasWildcard(settings.target) && listing.front().isFolder) {
      walkWholeFolder(full, settings, target);
    } else {
      walkFolderPart(full, target);
      settings.showFileNames = true;
    }
    return Resolution::Resolved;
  }
  if (platform::listDirectory(withSeparator(full) + u"*", listing)) {
    walkWholeFolder(full, settings, target);
    return Resolution::Resolved;
  }
  if (!settings.subfolders) {
    reportError(output, settings.target, MessageId::FileOrFolderNotFound);
    return Resolution::Failed;
  }
  // With "/d" the pattern is looked for below its folder, which must exist.
  walkFolderPart(full, target);
  if (!platform::listDirectory(target.baseFolder + u"*", listing)) {
    reportError(output, target.baseFolder, MessageId::FolderNotFound);
    return Resolution::Failed;
  }
  return Resolution::Resolved;
}

}  // namespace

Resolution resolveTarget(ConsoleOutput& output, RunSettings& settings, TargetState& target) {
  target = TargetState{};
  if (settings.target.empty()) return Resolution::Resolved;
  const std::optional<std::u16string> full = platform::fullPath(settings.target);
  if (!full) {
    reportError(output, settings.target, MessageId::FileOrFolderNotFound);
    return Resolution::Failed;
  }
  if (const auto attributes = platform::fileAttributes(settings.target)) {
    return resolveExisting(output, settings, target, *attributes, *full);
  }
  return resolveByListing(output, settings, target, *full);
}

int runTarget(ConsoleOutput& output, RunSettings& settings, SearchEntryList& entries) {
  const platform::RedirectionState redirection = platform::disableFileSystemRedirection();
  int exitCode = 0;
  TargetState target;
  if (resolveTarget(output, settings, target) == Resolution::Resolved) {
    if (settings.countMode || settings.listMode) settings.quiet = true;
    LineReader reader;
    FolderHeader folderHeader;
    ProcessContext context{output,       settings, entries,
                           folderHeader, reader,   platform::kAnsiCodePage};
    bool found = false;
    if (target.namePattern.empty()) {
      context.inputCodePage = output.console.outputCodePage;
      found = processFile(context, platform::standardInput(), false, kStandardInputName);
    } else {
      found = walkFolder(context, target);
    }
    exitCode = found ? 1 : 0;
  }
  platform::restoreFileSystemRedirection(redirection);
  return exitCode;
}

}  // namespace vesk
