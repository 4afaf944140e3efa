#include "targets/folder_walk.h"

#include <string>
#include <vector>

#include "output/report.h"
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

void reportPath(FileSearch& search, MessageId id, std::u16string_view path) {
  report(search.output, Diagnostic{id, std::u16string(path)});
}

// The file pass of one folder; true when some file had a hit.
bool searchMatchingFiles(FileSearch& search, const std::u16string& folder,
                         const std::vector<platform::DirectoryEntry>& listing) {
  bool found = false;
  for (const platform::DirectoryEntry& entry : listing) {
    if (!isReadableFile(entry)) continue;
    const std::u16string path = folder + entry.name;
    platform::InputFile file;
    if (!platform::openInputFile(path, file)) {
      reportPath(search, MessageId::FileNotOpened, path);
      continue;
    }
    if (searchFile(search, fileSource(file), InputNames{entry.name, path})) found = true;
    platform::closeInputFile(file);
  }
  return found;
}

void queueSubfolders(const std::u16string& relative,
                     const std::vector<platform::DirectoryEntry>& listing,
                     std::vector<std::u16string>& pending) {
  for (auto entry = listing.rbegin(); entry != listing.rend(); ++entry) {
    if (isWalkableFolder(*entry)) {
      pending.push_back(relative + entry->name + platform::pathSeparator());
    }
  }
}

}  // namespace

// Depth first, files before subfolders, each in listing order. The pending
// folders are kept on a list rather than the call stack, so that a tree as
// deep as the file system allows cannot exhaust the stack. A folder that
// exists but cannot be listed is reported once and not entered.
bool walkFolder(FileSearch& search, const ResolvedTarget& target) {
  const bool subfolders = search.plan.subfolders;
  bool found = false;
  std::vector<std::u16string> pending{u""};  // relative folders, the next one last
  std::vector<platform::DirectoryEntry> listing;
  while (!pending.empty()) {
    const std::u16string relative = std::move(pending.back());
    pending.pop_back();
    search.folderHeader.label = folderLabelFor(relative);
    search.folderHeader.pending = subfolders;
    const std::u16string folder = target.baseFolder + relative;
    const std::u16string filesSpec = folder + target.namePattern;
    switch (platform::listDirectory(filesSpec, listing)) {
      case platform::Listing::Found:
        if (searchMatchingFiles(search, folder, listing)) found = true;
        break;
      case platform::Listing::NoMatch:
        if (!subfolders) {
          reportPath(search, MessageId::FileNotFound, filesSpec);
          return false;
        }
        break;
      case platform::Listing::Failed:
        reportPath(search, MessageId::FolderNotListed, folder);
        if (!subfolders) return false;
        continue;
    }
    if (!subfolders) continue;
    switch (platform::listDirectory(folder + u"*", listing)) {
      case platform::Listing::Found:
        queueSubfolders(relative, listing, pending);
        break;
      case platform::Listing::NoMatch:
        break;
      case platform::Listing::Failed:
        reportPath(search, MessageId::FolderNotListed, folder);
        break;
    }
  }
  return found;
}

}  // namespace vesk
