#include "model/run_plan.h"

#include "platform/codepage.h"

namespace vesk {

RunPlan planRun(const RunOptions& options, const PlannedTarget& target,
                std::uint32_t consoleOutputCodePage) {
  RunPlan plan;
  plan.display = options.display;
  plan.subfolders = options.subfolders;
  plan.showFileNames = options.subfolders || target.showsFileNames;
  plan.encoding = options.encoding;
  plan.inputCodePage = target.standardInput ? consoleOutputCodePage : platform::kAnsiCodePage;
  return plan;
}

}  // namespace vesk
