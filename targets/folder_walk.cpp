#include "targets/folder_walk.h"

#include <memory>
#include <string>
#include <vector>

#include "base/wildcard.h"
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
  const WalkSetup& setup;
  const ResolvedTarget& target;
  FanOut fanOut;
  unsigned poolWorkers = 0;  // what the pool was last asked for
  bool found = false;
};

// Everything the walk writes goes through the pool when there is one, so
// that it stands in its place among the files' results.
void inTurn(Walk& walk, TaskWritten written) {
  if (walk.setup.pool == nullptr) {
    written();
  } else {
    handOut(*walk.setup.pool, {}, std::move(written));
  }
}

void reportPath(Walk& walk, MessageId id, std::u16string_view path) {
  inTurn(walk,
         [&printers = walk.setup.printers, diagnostic = Diagnostic{id, std::u16string(path)}] {
           printers.main().diagnostic(diagnostic);
         });
}

// Labels are written only where the walk descends.
void enterFolder(Walk& walk, const std::u16string& relative) {
  if (!walk.setup.search.plan.subfolders) return;
  inTurn(walk, [&printers = walk.setup.printers, label = folderLabelFor(relative)] {
    printers.enterFolder(label);
  });
}

// What reading a file needs on the thread that reads it.
struct FileReading {
  FileSearch& search;
  SearchSink& sink;
  const platform::FileSystem& files;
  const std::optional<platform::FileIdentity>& outputFile;
};

// Opens and searches one file; a worker does this with its own reader,
// workspace and printer.
bool openAndSearch(const FileReading& reading, const std::u16string& path,
                   std::u16string_view name) {
  const std::optional<platform::OpenedInput> input = reading.files.open(path);
  if (!input) {
    reading.sink.diagnostic(Diagnostic{MessageId::FileNotOpened, path});
    return false;
  }
  if (platform::isFile(*input, reading.outputFile)) {
    reading.sink.diagnostic(Diagnostic{MessageId::InputIsOutput, path});
    return false;
  }
  return searchFile(reading.search, reading.sink, sourceOf(*input), InputNames{name, path});
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

// A worker searches the files of a batch with its own reader and workspace,
// printing into what it captures.
void searchBatch(const WalkSetup& setup, FileBatch& batch, Worker& worker,
                 ConsoleOutput& captured) {
  FileSearch workerSearch = searchOnWorker(setup.search, worker, worker.reader);
  const std::unique_ptr<SearchSink> sink = setup.printers.capturing(captured);
  const FileReading reading{workerSearch, *sink, setup.files, setup.outputFile};
  for (std::size_t i = 0; i < batch.paths.size(); ++i) {
    if (openAndSearch(reading, batch.paths[i], batch.names[i])) batch.found = true;
    batch.work += kFileWork + worker.reader.consumedBytes();
  }
}

void handOutBatch(Walk& walk, std::shared_ptr<FileBatch>& batch) {
  if (!batch) return;
  handOut(
      *walk.setup.pool,
      [&setup = walk.setup, batch](Worker& worker, ConsoleOutput& captured) {
        searchBatch(setup, *batch, worker, captured);
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

// One named file, without "/d": its lines are searched on every core where
// that pays.
bool searchByBlocks(Walk& walk, const std::u16string& path, std::u16string_view name) {
  const WalkSetup& setup = walk.setup;
  const std::optional<platform::OpenedInput> input = setup.files.open(path);
  if (!input) {
    reportPath(walk, MessageId::FileNotOpened, path);
    return false;
  }
  if (platform::isFile(*input, setup.outputFile)) {
    reportPath(walk, MessageId::InputIsOutput, path);
    return false;
  }
  return searchFileByBlocks(setup.search, setup.printers, *setup.pool, setup.threads,
                            sourceOf(*input), InputNames{name, path});
}

// The owner searches a file itself, after everything handed out before it,
// and tells the fan-out what that took.
bool searchHere(Walk& walk, const std::u16string& path, std::u16string_view name) {
  const WalkSetup& setup = walk.setup;
  if (setup.pool != nullptr) writeHandedOut(*setup.pool);
  const bool found = openAndSearch(FileReading{.search = setup.search,
                                               .sink = setup.printers.main(),
                                               .files = setup.files,
                                               .outputFile = setup.outputFile},
                                   path, name);
  const LineReader& reader = setup.search.reader;
  // What the walk takes to list and open files is what workers may share.
  walk.fanOut.ownWork(kFileWork + reader.consumedBytes(), {}, FanOutClock::now());
  return found;
}

// The workers the fan-out asks for, as many as the pool can give.
unsigned workersNow(Walk& walk) {
  const unsigned wanted = walk.setup.pool == nullptr ? 0 : walk.fanOut.workers();
  if (wanted == 0 || wanted == walk.poolWorkers) return wanted;
  walk.poolWorkers = setWorkers(*walk.setup.pool, wanted);
  if (walk.poolWorkers < wanted) walk.fanOut.limitWorkers(walk.poolWorkers);
  return walk.poolWorkers;
}

bool isOneNamedFile(const Walk& walk) {
  return !walk.setup.search.plan.subfolders && !hasWildcard(walk.target.namePattern);
}

// The file pass of one folder.
void searchMatchingFiles(Walk& walk, const std::u16string& folder,
                         const std::vector<platform::DirectoryEntry>& listing) {
  std::shared_ptr<FileBatch> batch;
  for (const platform::DirectoryEntry& entry : listing) {
    if (!isReadableFile(entry)) continue;
    std::u16string path = folder + entry.name;
    bool found = false;
    if (walk.setup.pool != nullptr && isOneNamedFile(walk)) {
      found = searchByBlocks(walk, path, entry.name);
    } else if (workersNow(walk) > 0) {
      addToBatch(walk, batch, std::move(path), entry.name);
    } else {
      handOutBatch(walk, batch);  // files before this one go first
      found = searchHere(walk, path, entry.name);
    }
    walk.found = walk.found || found;
  }
  if (walk.setup.pool != nullptr) handOutBatch(walk, batch);
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
  const bool subfolders = walk.setup.search.plan.subfolders;
  std::vector<std::u16string> pending{u""};  // relative folders, the next one last
  platform::WalkListing listing;
  while (!pending.empty()) {
    const std::u16string relative = std::move(pending.back());
    pending.pop_back();
    enterFolder(walk, relative);
    const std::u16string folder = walk.target.baseFolder + relative;
    walk.setup.files.listForWalk(folder, walk.target.namePattern, subfolders, listing);
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

bool walkFolder(const WalkSetup& setup, const ResolvedTarget& target) {
  // Listing and opening files gain from workers even where searching them
  // is quick (on every machine measured): the walk starts with them, and
  // the owner alone is what the fan-out tries.
  FanOutSettings threads = setup.threads;
  threads.onlyWhenSearchingDominates = false;
  threads.startShared = true;
  Walk walk{setup, target, FanOut(threads, FanOutClock::now())};
  if (setup.pool == nullptr) {
    walkFolders(walk);
    return walk.found;
  }
  // A walk hands out a label and a batch a folder, most of them small: with
  // more in flight, the owner lists folders ahead while workers open files.
  keepInFlight(*setup.pool, kWalkInFlight);
  abandoningOnFailure(*setup.pool, [&] {
    walkFolders(walk);
    writeHandedOut(*setup.pool);
  });
  return walk.found;
}

}  // namespace vesk
