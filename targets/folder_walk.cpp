#include "targets/folder_walk.h"

#include <memory>
#include <string>
#include <vector>

#include "base/wildcard.h"
#include "output/report.h"
#include "platform/files.h"
#include "platform/filesystem.h"
#include "search/block_search.h"

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

// A file weighs this much besides its bytes in the work the fan-out
// measures: opening and closing it costs about what reading that much does.
constexpr std::uint64_t kFileWork = 16 * 1024;

// What one walk works with; found collects the hits of every file.
struct Walk {
  FileSearch& search;
  const ResolvedTarget& target;
  SearchPool* pool;  // null: the files are searched one by one, here
  FanOutSettings threads;
  FanOut fanOut;
  unsigned poolWorkers = 0;  // what the pool was last asked for
  bool found = false;
};

// Everything the walk writes goes through the pool when there is one, so
// that it stands in its place among the files' results.
void inTurn(Walk& walk, TaskWritten written) {
  if (walk.pool == nullptr) {
    written();
  } else {
    handOut(*walk.pool, {}, std::move(written));
  }
}

void reportPath(Walk& walk, MessageId id, std::u16string_view path) {
  inTurn(walk, [&output = walk.search.output, diagnostic = Diagnostic{id, std::u16string(path)}] {
    report(output, diagnostic);
  });
}

void enterFolder(Walk& walk, const std::u16string& relative) {
  inTurn(walk, [&header = walk.search.folderHeader, label = folderLabelFor(relative),
                pending = walk.search.plan.subfolders] {
    header.label = label;
    header.pending = pending;
  });
}

// Opens and searches one file into the search's output; a worker does this
// with its own output, reader and workspace.
bool openAndSearch(FileSearch& search, const std::u16string& path, std::u16string_view name) {
  platform::InputFile file;
  if (!platform::openInputFile(path, file)) {
    report(search.output, Diagnostic{MessageId::FileNotOpened, path});
    return false;
  }
  struct Closer {
    platform::InputFile& file;
    ~Closer() { platform::closeInputFile(file); }
  } closer{file};
  if (isTheOutput(search, file)) {
    report(search.output, Diagnostic{MessageId::InputIsOutput, path});
    return false;
  }
  return searchFile(search, fileSource(file), InputNames{name, path});
}

// Files of one folder that one worker searches in a row: most files are
// small, and handing each out alone would cost more than searching it.
struct FileBatch {
  std::vector<std::u16string> paths;
  std::vector<std::u16string> names;
  bool found = false;
  std::uint64_t work = 0;  // as the fan-out counts it
};

constexpr std::size_t kFilesPerBatch = 32;
constexpr std::size_t kWalkInFlight = 18;

void handOutBatch(Walk& walk, std::shared_ptr<FileBatch>& batch) {
  if (!batch) return;
  const FileSearch& search = walk.search;
  handOut(
      *walk.pool,
      [&search, batch](Worker& worker, ConsoleOutput& captured) {
        FolderHeader noLabels;  // the owner writes the labels
        FileSearch workerSearch{captured,         search.plan,      search.entries,
                                noLabels,         worker.reader,    worker.workspace,
                                search.fastPaths, worker.abandoned, search.outputFile};
        for (std::size_t i = 0; i < batch->paths.size(); ++i) {
          if (openAndSearch(workerSearch, batch->paths[i], batch->names[i])) batch->found = true;
          batch->work += kFileWork + consumedBytes(worker.reader);
        }
      },
      [&walk, batch] {
        walk.found = walk.found || batch->found;
        walk.fanOut.sharedWork(batch->work, FanOutClock::now());
      });
  batch.reset();
}

void addToBatch(Walk& walk, std::shared_ptr<FileBatch>& batch, std::u16string path,
                std::u16string name) {
  if (!batch) batch = std::make_shared<FileBatch>();
  batch->paths.push_back(std::move(path));
  batch->names.push_back(std::move(name));
  if (batch->paths.size() == kFilesPerBatch) handOutBatch(walk, batch);
}

// One named file, without "/d": its lines are searched on every core.
bool searchByBlocks(Walk& walk, const std::u16string& path, std::u16string_view name) {
  platform::InputFile file;
  if (!platform::openInputFile(path, file)) {
    reportPath(walk, MessageId::FileNotOpened, path);
    return false;
  }
  struct Closer {
    platform::InputFile& file;
    ~Closer() { platform::closeInputFile(file); }
  } closer{file};
  if (isTheOutput(walk.search, file)) {
    reportPath(walk, MessageId::InputIsOutput, path);
    return false;
  }
  return searchFileByBlocks(walk.search, *walk.pool, walk.threads, fileSource(file),
                            InputNames{name, path});
}

// The owner searches a file itself, after everything handed out before it,
// and tells the fan-out what that took.
bool searchHere(Walk& walk, const std::u16string& path, std::u16string_view name) {
  if (walk.pool != nullptr) writeHandedOut(*walk.pool);
  const bool found = openAndSearch(walk.search, path, name);
  const LineReader& reader = walk.search.reader;
  // What the walk takes to list and open files is what workers may share.
  walk.fanOut.ownWork(kFileWork + consumedBytes(reader), {}, FanOutClock::now());
  return found;
}

// The workers the fan-out asks for, as many as the pool can give.
unsigned workersNow(Walk& walk) {
  const unsigned wanted = walk.pool == nullptr ? 0 : walk.fanOut.workers();
  if (wanted == 0 || wanted == walk.poolWorkers) return wanted;
  walk.poolWorkers = setWorkers(*walk.pool, wanted);
  if (walk.poolWorkers < wanted) walk.fanOut.limitWorkers(walk.poolWorkers);
  return walk.poolWorkers;
}

bool isOneNamedFile(const Walk& walk) {
  return !walk.search.plan.subfolders && !hasWildcard(walk.target.namePattern);
}

// The file pass of one folder.
void searchMatchingFiles(Walk& walk, const std::u16string& folder,
                         const std::vector<platform::DirectoryEntry>& listing) {
  std::shared_ptr<FileBatch> batch;
  for (const platform::DirectoryEntry& entry : listing) {
    if (!isReadableFile(entry)) continue;
    std::u16string path = folder + entry.name;
    bool found = false;
    if (walk.pool != nullptr && isOneNamedFile(walk)) {
      found = searchByBlocks(walk, path, entry.name);
    } else if (workersNow(walk) > 0) {
      addToBatch(walk, batch, std::move(path), entry.name);
    } else {
      handOutBatch(walk, batch);  // files before this one go first
      found = searchHere(walk, path, entry.name);
    }
    walk.found = walk.found || found;
  }
  if (walk.pool != nullptr) handOutBatch(walk, batch);
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

// Depth first, files before subfolders, each in listing order. The pending
// folders are kept on a list rather than the call stack, so that a tree as
// deep as the file system allows cannot exhaust the stack. A folder that
// cannot be listed is reported once and not entered: one that exists but
// will not be read, and one that went away (deleted, renamed or replaced by
// a file) after its parent was listed.
void walkFolders(Walk& walk) {
  const bool subfolders = walk.search.plan.subfolders;
  std::vector<std::u16string> pending{u""};  // relative folders, the next one last
  platform::WalkListing listing;
  while (!pending.empty()) {
    const std::u16string relative = std::move(pending.back());
    pending.pop_back();
    enterFolder(walk, relative);
    const std::u16string folder = walk.target.baseFolder + relative;
    platform::listForWalk(folder, walk.target.namePattern, subfolders, listing);
    switch (listing.matching) {
      case platform::Listing::Found:
        searchMatchingFiles(walk, folder, listing.matches);
        break;
      case platform::Listing::NoMatch:
        if (!subfolders) {
          reportPath(walk, MessageId::FileNotFound, folder + walk.target.namePattern);
          return;
        }
        break;
      case platform::Listing::Gone:
      case platform::Listing::Failed:
        reportPath(walk, MessageId::FolderNotListed, folder);
        if (!subfolders) return;
        continue;
    }
    if (!subfolders) continue;
    switch (listing.all) {
      case platform::Listing::Found:
        queueSubfolders(relative, listing.entries, pending);
        break;
      case platform::Listing::NoMatch:
        break;
      case platform::Listing::Gone:
      case platform::Listing::Failed:
        reportPath(walk, MessageId::FolderNotListed, folder);
        break;
    }
  }
}

}  // namespace

bool walkFolder(FileSearch& search, const ResolvedTarget& target, SearchPool* pool,
                FanOutSettings threads) {
  // Listing and opening files gain from workers even where searching them
  // is quick (on every machine measured): the walk starts with them, and
  // the owner alone is what the fan-out tries.
  threads.onlyWhenSearchingDominates = false;
  threads.startShared = true;
  Walk walk{search, target, pool, threads, FanOut(threads, FanOutClock::now())};
  // A walk hands out a label and a batch a folder, most of them small: with
  // more in flight, the owner lists folders ahead while workers open files.
  if (pool != nullptr) keepInFlight(*pool, kWalkInFlight);
  if (pool == nullptr) {
    walkFolders(walk);
    return walk.found;
  }
  abandoningOnFailure(*pool, [&] {
    walkFolders(walk);
    writeHandedOut(*pool);
  });
  return walk.found;
}

}  // namespace vesk
