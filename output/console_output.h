// The one writer of text: wide text to a console, code-page bytes to a
// redirected stream. Results go to standard output through writeConsoleText;
// messages go to standard error through report (output/report.h) only.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostic.h"
#include "model/run_stopped.h"
#include "output/console_state.h"
#include "platform/console.h"

namespace vesk {

// A diagnostic held back by a capturing output, with how much standard
// output came before it.
struct CapturedDiagnostic {
  Diagnostic diagnostic;
  std::size_t stdoutBytes = 0;   // of pendingStdout
  std::size_t consoleUnits = 0;  // of pendingConsole
};

struct ConsoleOutput {
  ConsoleState console;
  // Standard output is collected here and written in large blocks:
  // redirected as bytes, to a console as wide text. It is flushed before
  // anything goes to standard error, so that results and messages keep
  // their order, and before a read that may wait, so that a line typed at a
  // console is answered at once.
  std::string pendingStdout;
  std::u16string pendingConsole;
  // A capturing output writes nothing: what it would write stays in
  // pendingStdout (redirected form), pendingConsole (console form) and
  // diagnostics, in order, for the caller to look at or to pass on.
  bool capture = false;
  std::vector<CapturedDiagnostic> diagnostics;
  // A capturing output that has collected spillAt bytes or more hands what
  // it holds to spill, which passes it on and leaves the output empty.
  std::size_t spillAt = 0;  // 0: never
  std::function<void(ConsoleOutput&)> spill;
  // Time spent handing standard output to the system: writing to a pipe
  // waits for its reader, who needs a processor too.
  std::chrono::nanoseconds writeTime{0};
  // "Not enough memory." made ready to be written when memory has run out.
  platform::PreparedErrorLine outOfMemory;
};

// An output that collects what the given console state would be written.
ConsoleOutput capturingOutput(const ConsoleState& console);

void writeConsoleText(ConsoleOutput& output, std::u16string_view text, bool appendNewline);

// Writes what is pending to standard output (nothing when capturing). A
// standard stream that takes no more (a full disk, a closed pipe) stops the
// run (RunStopped), here and in every write: searching on would only lose
// what it finds, so the run ends at once and the top says so once.
void flushConsoleText(ConsoleOutput& output);

// True when standard output is redirected, so that writeRedirectedBytes may be used.
bool stdoutRedirected(const ConsoleOutput& output);

// True when redirected output is written in UTF-8.
bool redirectedOutputIsUtf8(const ConsoleOutput& output);

// Writes bytes that are already in the redirected output's encoding, as they
// are: plain ASCII (no CR, no NUL), which every code page writes unchanged,
// or what a capturing output collected.
void writeRedirectedBytes(ConsoleOutput& output, std::string_view bytes);

// Calls the capturing output's spill when it holds enough; the writers do.
void spillIfFull(ConsoleOutput& output);

// One line of text on standard error, after what is pending on standard
// output. Only report() calls it.
void writeErrorLine(ConsoleOutput& output, std::u16string_view text);

// Writes narrow text straight to standard output, after what is pending.
void writeNarrowStdout(ConsoleOutput& output, std::string_view bytes);

}  // namespace vesk
