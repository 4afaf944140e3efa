#include "app/run_driver.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "io/byte_source.h"
#include "model/run_plan.h"
#include "output/report.h"
#include "platform/files.h"
#include "platform/redirection.h"
#include "search/block_search.h"
#include "search/fan_out.h"
#include "search/file_search.h"
#include "search/ordered_searches.h"
#include "targets/folder_walk.h"
#include "targets/target_resolution.h"

namespace vesk {
namespace {

constexpr std::u16string_view kStandardInputName = u"(CON)";

// The default thread count is the machine's, up to this many.
constexpr unsigned kDefaultThreadsAtMost = 16;
// VESK_THREADS may ask for up to this many.
constexpr unsigned kThreadsAtMost = 64;

// VESK_THREADS=N searches with N workers beside the main thread, always
// (1: on the main thread alone); a value that is not a number from 1 to 64
// is ignored. By default up to one worker a logical processor, where the
// fan-out finds them faster.
FanOutSettings searchThreads() {
  const char* text = std::getenv("VESK_THREADS");
  if (text != nullptr && *text != '\0') {
    char* end = nullptr;
    const unsigned long asked = std::strtoul(text, &end, 10);
    if (*end == '\0' && asked >= 1 && asked <= kThreadsAtMost) {
      return FanOutSettings{.workers = asked == 1 ? 0 : static_cast<unsigned>(asked),
                            .fixed = true};
    }
  }
  return FanOutSettings{
      .workers = std::clamp(std::thread::hardware_concurrency(), 1u, kDefaultThreadsAtMost)};
}

bool searchTarget(ConsoleOutput& output, const RunOptions& options, const SearchEntryList& entries,
                  const ResolvedTarget& target) {
  const bool standardInput = target.namePattern.empty();
  const RunPlan plan = planRun(options, PlannedTarget{standardInput, target.showsFileNames},
                               output.console.outputCodePage);
  LineReader reader;
  FolderHeader folderHeader;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  const FastPaths fastPaths = planFastPaths(entries, plan, output);
  FileSearch search{output, plan, entries, folderHeader, reader, workspace, fastPaths};
  const FanOutSettings threads = searchThreads();
  // The pool starts its threads only when the fan-out first asks for them.
  const SearchPoolHandle pool = threads.workers > 0
                                    ? startSearchPool(output, folderHeader, threads.workers)
                                    : SearchPoolHandle();
  if (!standardInput) return walkFolder(search, target, pool.get(), threads);
  ByteSource source = fileSource(platform::standardInput());
  source.beforeWaiting = [&output] { flushConsoleText(output); };
  const InputNames names{kStandardInputName, kStandardInputName};
  return pool ? searchFileByBlocks(search, *pool, threads, std::move(source), names)
              : searchFile(search, source, names);
}

}  // namespace

int runTarget(ConsoleOutput& output, const RunOptions& options, const SearchEntryList& entries) {
  const platform::RedirectionState redirection = platform::disableFileSystemRedirection();
  int exitCode = 0;
  const TargetResolution resolution = resolveTarget(options.target, options.subfolders);
  if (resolution.failure) {
    report(output, *resolution.failure);
  } else if (searchTarget(output, options, entries, resolution.target)) {
    exitCode = 1;
  }
  platform::restoreFileSystemRedirection(redirection);
  return exitCode;
}

}  // namespace vesk
