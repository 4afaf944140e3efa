// How the search runs, decided once from the options and the resolved target
// before the first file is read, and fixed from then on.
#pragma once

#include <cstdint>

#include "model/run_options.h"

namespace vesk {

struct RunPlan {
  DisplayMode display = DisplayMode::Lines;
  bool showFileNames = false;  // results carry the name of their file
  bool subfolders = false;     // the walk descends, with folder labels
  InputEncoding encoding = InputEncoding::CodePage;
  std::uint32_t inputCodePage = 0;  // for InputEncoding::CodePage: 0 (ANSI) or 65001
};

struct PlannedTarget {
  bool standardInput = false;   // no target: standard input is read
  bool showsFileNames = false;  // a folder, a wildcard, a name only a listing finds
};

// Standard input is read in the console's output code page (65001 or 0),
// files in the ANSI code page.
RunPlan planRun(const RunOptions& options, const PlannedTarget& target,
                std::uint32_t consoleOutputCodePage);

}  // namespace vesk
