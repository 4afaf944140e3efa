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

}  // namespace vesk
