// The command-line grammar and its checks.
#pragma once

#include <string>
#include <vector>

#include "cmdline/run_settings.h"
#include "cmdline/search_entry.h"

namespace vesk {

struct ConsoleOutput;

// Parses the arguments after the program name. False after one message (or,
// for a parameter file, several) has been reported.
bool parseOptions(ConsoleOutput& output, const std::vector<std::u16string>& arguments,
                  RunSettings& settings, SearchEntryList& entries);

}  // namespace vesk
