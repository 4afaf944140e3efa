// The search phase of a run: the target resolved, the run planned, and every
// file (or standard input) searched.
#pragma once

#include "model/run_options.h"
#include "model/search_entry.h"
#include "output/console_output.h"

namespace vesk {

// Returns the exit code: 1 when something was found, else 0.
int runTarget(ConsoleOutput& output, const RunOptions& options, const SearchEntryList& entries);

}  // namespace vesk
