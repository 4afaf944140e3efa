#include "app/run_driver.h"

#include "io/byte_source.h"
#include "model/run_plan.h"
#include "output/report.h"
#include "platform/files.h"
#include "platform/redirection.h"
#include "search/file_search.h"
#include "targets/folder_walk.h"
#include "targets/target_resolution.h"

namespace vesk {
namespace {

constexpr std::u16string_view kStandardInputName = u"(CON)";

bool searchTarget(ConsoleOutput& output, const RunOptions& options, const SearchEntryList& entries,
                  const ResolvedTarget& target) {
  const bool standardInput = target.namePattern.empty();
  const RunPlan plan = planRun(options, PlannedTarget{standardInput, target.showsFileNames},
                               output.console.outputCodePage);
  LineReader reader;
  FolderHeader folderHeader;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  FileSearch search{output, plan, entries, folderHeader, reader, workspace, {}};
  if (!standardInput) return walkFolder(search, target);
  return searchFile(search, fileSource(platform::standardInput()),
                    InputNames{kStandardInputName, kStandardInputName});
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
