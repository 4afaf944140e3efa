#include "app/run_driver.h"

#include <algorithm>
#include <string_view>
#include <thread>

#include "cmdline/thread_setting.h"
#include "io/byte_source.h"
#include "model/run_plan.h"
#include "output/printers.h"
#include "output/report.h"
#include "platform/environment.h"
#include "platform/file_system.h"
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

// Standard input, unless it is the file standard output goes to.
bool searchStandardInput(FileSearch& search, Printers& printers, SearchPool* pool,
                         FanOutSettings threads,
                         const std::optional<platform::FileIdentity>& outputFile) {
  const platform::FileHandle input = platform::standardInput();
  const InputNames names{kStandardInputName, kStandardInputName};
  const std::optional<platform::FileIdentity> identity = platform::fileIdentity(input);
  if (outputFile && identity && platform::sameFile(*identity, *outputFile)) {
    printers.main().diagnostic(
        Diagnostic{MessageId::InputIsOutput, std::u16string(kStandardInputName)});
    return false;
  }
  ByteSource source = fileSource(input);
  // A line typed at a console is answered before the next one is read.
  source.beforeWaiting = [&output = printers.output()] { flushConsoleText(output); };
  return pool ? searchFileByBlocks(search, printers, *pool, threads, std::move(source), names)
              : searchFile(search, printers.main(), source, names);
}

bool searchTarget(ConsoleOutput& output, const RunOptions& options, const SearchEntryList& entries,
                  const ResolvedTarget& target, const platform::FileSystem& files) {
  const bool standardInput = target.namePattern.empty();
  const RunPlan plan = planRun(options, PlannedTarget{standardInput, target.showsFileNames},
                               output.console.outputCodePage);
  Printers printers(PrintSettings{plan.display, plan.showFileNames}, output);
  LineReader reader;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  const FastPaths fastPaths = planFastPaths(entries, plan, printers.main());
  FileSearch search{.plan = plan,
                    .entries = entries,
                    .reader = reader,
                    .workspace = workspace,
                    .fastPaths = fastPaths};
  const FanOutSettings threads = searchThreads(output);
  // The pool starts its threads only when the fan-out first asks for them.
  const SearchPoolHandle pool =
      threads.workers > 0
          ? startSearchPool(
                output.console,
                [&printers](const ConsoleOutput& captured) { printers.writeCaptured(captured); },
                threads.workers)
          : SearchPoolHandle();
  const std::optional<platform::FileIdentity> outputFile = platform::standardOutputFile();
  if (standardInput) return searchStandardInput(search, printers, pool.get(), threads, outputFile);
  return walkFolder(WalkSetup{.search = search,
                              .printers = printers,
                              .files = files,
                              .outputFile = outputFile,
                              .pool = pool.get(),
                              .threads = threads},
                    target);
}

}  // namespace

int runTarget(ConsoleOutput& output, const RunOptions& options, const SearchEntryList& entries) {
  // The walk sees the real folders, not those WOW64 shows a 32-bit process.
  const platform::RedirectionOff redirectionOff;
  const platform::DiskFileSystem files;
  const TargetResolution resolution = resolveTarget(files, options.target, options.subfolders);
  if (resolution.failure) {
    report(output, *resolution.failure);
    return 0;
  }
  return searchTarget(output, options, entries, resolution.target, files) ? 1 : 0;
}

}  // namespace vesk
