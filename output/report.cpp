#include "output/report.h"

#include "output/messages.h"

namespace vesk {

void report(ConsoleOutput& output, const Diagnostic& diagnostic) {
  if (output.capture) {
    output.diagnostics.push_back(
        {diagnostic, output.pendingStdout.size(), output.pendingConsole.size()});
    spillIfFull(output);
    return;
  }
  writeErrorLine(output, composeMessage(output.console.language, diagnostic));
}

}  // namespace vesk
