// The command-line grammar and its checks.
#pragma once

#include <string>
#include <vector>

#include "model/diagnostic.h"
#include "model/run_options.h"
#include "model/search_entry.h"

namespace vesk {

struct ParsedCommandLine {
  bool ok = false;  // false: diagnostics says why, and the run ends
  RunOptions options;
  std::vector<SearchTerm> terms;  // in command-line order, parameter files at their place
  // In the order found: at most one, or several for one parameter file.
  std::vector<Diagnostic> diagnostics;
};

// Parses the arguments after the program name. The first failing argument
// ends parsing; later arguments are not looked at.
ParsedCommandLine parseOptions(const std::vector<std::u16string>& arguments);

}  // namespace vesk
