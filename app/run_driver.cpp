#include "app/run_driver.h"

#include <algorithm>
#include <string_view>
#include <thread>

#include "cmdline/thread_setting.h"
#include "io/byte_source.h"
#include "model/run_plan.h"
#include "output/report.h"
#include "platform/environment.h"
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

// The default is up to one worker a logical processor, at most this many.
constexpr unsigned kDefaultThreadsAtMost = 16;

// VESK_THREADS=N searches with N workers beside the main thread, always
// (1: on the main thread alone). By default up to one worker a logical
// processor, where the fan-out finds them faster.
FanOutSettings searchThreads(ConsoleOutput& output) {
  const ThreadSetting setting = threadSettingFrom(platform::environmentVariable(u"VESK_THREADS"));
  if (setting.warning) report(output, *setting.warning);
  if (setting.threads != 0) {
    return FanOutSettings{.workers = setting.threads == 1 ? 0 : setting.threads, .fixed = true};
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
  FileSearch search{output,       plan,    entries,
                    folderHeader, reader,  workspace,
                    fastPaths,    nullptr, platform::standardOutputFile()};
  const FanOutSettings threads = searchThreads(output);
  // The pool starts its threads only when the fan-out first asks for them.
  const SearchPoolHandle pool = threads.workers > 0
                                    ? startSearchPool(output, folderHeader, threads.workers)
                                    : SearchPoolHandle();
  if (!standardInput) return walkFolder(search, target, pool.get(), threads);
  ByteSource source = fileSource(platform::standardInput());
  const InputNames names{kStandardInputName, kStandardInputName};
  if (isTheOutput(search, source.file)) {
    report(output, Diagnostic{MessageId::InputIsOutput, std::u16string(kStandardInputName)});
    return false;
  }
  source.beforeWaiting = [&output] { flushConsoleText(output); };
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
