// Turns the target into a base folder and a file-name pattern, or standard
// input, and runs the walk.
#pragma once

#include <string>

#include "app/console_output.h"
#include "cmdline/run_settings.h"
#include "cmdline/search_entry.h"

namespace vesk {

struct TargetState {
  std::u16string baseFolder;   // always ends in the path separator
  std::u16string namePattern;  // empty: standard input
};

enum class Resolution { Resolved, Failed };

// Resolves settings.target; may set settings.showFileNames. Reports and
// returns Failed when the target cannot be used.
Resolution resolveTarget(ConsoleOutput& output, RunSettings& settings, TargetState& target);

// The whole target phase; returns the exit code.
int runTarget(ConsoleOutput& output, RunSettings& settings, SearchEntryList& entries);

}  // namespace vesk
