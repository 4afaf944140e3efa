// The answers to the requests that stand alone on the command line: the help
// text ("/?") in the run's language and the version banner ("/ver").
#pragma once

#include <string_view>

#include "output/console_output.h"

namespace vesk {

void writeHelpText(ConsoleOutput& output);

// The banner is ASCII, written as it is whatever the console.
void writeVersionBanner(ConsoleOutput& output, std::string_view banner);

}  // namespace vesk
