#include "targets/folder_walk.h"

#include <string>
#include <vector>

#include "app/messages.h"
#include "platform/files.h"
#include "platform/filesystem.h"

namespace vesk {
namespace {

// "<.>" for the base folder, "<sub/inner>" below it.
std::u16string folderLabelFor(const std::u16string& relativeFolder) {
  if (relativeFolder.empty()) return u"<.>";
  return u"<" + relativeFolder.substr(0, relativeFolder.size() - 1) + u">";
}

bool isReadableFile(const platform::DirectoryEntry& entry) {
  return !entry.isFolder && !entry.isFolderLink && !entry.isHidden && !entry.isSystem;
}

bool isWalkableFolder(const platform::DirectoryEntry& entry) {
  return entry.isFolder && !entry.isHidden && !entry.isSystem && entry.name != u"." &&
         entry.name != u"..";
}

// The file pass of one folder; true when some file had a hit.
bool processMatchingFiles(ProcessContext& context, const std::u16string& folder,
                          const std::vector<platform::DirectoryEntry>& listing) {
  bool found = false;
  for (const platform::DirectoryEntry& entry : listing) {
    if (!isReadableFile(entry)) continue;
    const std::u16string path = folder + entry.name;
    platform::InputFile file;
    if (!platform::openInputFile(path, file)) {
      reportError(context.output, path, MessageId::FileNotOpened);
      continue;
    }
    if (processFile(context, file, context.settings.showFileNames, entry.name)) found = true;
    platform::closeInputFile(file);
  }
  return found;
}

}  // namespace

// Depth first, files before subfolders, each in listing order. The pending
// folders are kept on a list rather than the call stack, so that a tree as
// deep as the file system allows cannot exhaust the stack.
bool walkFolder(ProcessContext& context, const TargetState& target) {
  const bool subfolders = context.settings.subfolders;
  bool found = false;
  std::vector<std::u16string> pending{u""};  // relative folders, the next one last
  std::vector<platform::DirectoryEntry> listing;
  while (!pending.empty()) {
    const std::u16string relative = std::move(pending.back());
    pending.pop_back();
    context.folderHeader.label = folderLabelFor(relative);
    context.folderHeader.pending = subfolders;
    const std::u16string folder = target.baseFolder + relative;
    const std::u16string filesSpec = folder + target.namePattern;
    if (platform::listDirectory(filesSpec, listing)) {
      if (processMatchingFiles(context, folder, listing)) found = true;
    } else if (!subfolders) {
      reportError(context.output, filesSpec, MessageId::FileNotFound);
      return false;
    }
    if (!subfolders || !platform::listDirectory(folder + u"*", listing)) continue;
    for (auto entry = listing.rbegin(); entry != listing.rend(); ++entry) {
      if (isWalkableFolder(*entry)) {
        pending.push_back(relative + entry->name + platform::pathSeparator());
      }
    }
  }
  return found;
}

}  // namespace vesk
