// The one writer of text: wide text to a console, code-page bytes to a
// redirected stream.
#pragma once

#include <string>
#include <string_view>

#include "app/console_state.h"

namespace vesk {

struct ConsoleOutput {
  ConsoleState console;
  // Redirected standard output is collected here and written in large
  // blocks; it is flushed before anything goes to standard error, so that
  // results and messages keep their order in a shared file.
  std::string pendingStdout;
};

void writeConsoleText(ConsoleOutput& output, std::u16string_view text, bool toStderr,
                      bool appendNewline);

void flushConsoleText(ConsoleOutput& output);

// True when standard output is redirected, so that writeRedirectedAscii may be used.
bool stdoutRedirected(const ConsoleOutput& output);

// Writes plain ASCII (no CR, no NUL) to redirected standard output as it is:
// every code page writes such text unchanged, so it needs no conversion.
void writeRedirectedAscii(ConsoleOutput& output, std::string_view text);

}  // namespace vesk
