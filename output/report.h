// Writes diagnostics: the one place where what went wrong becomes a line on
// standard error, composed in the language of the run.
#pragma once

#include "model/diagnostic.h"
#include "output/console_output.h"

namespace vesk {

void report(ConsoleOutput& output, const Diagnostic& diagnostic);

}  // namespace vesk
