#include "output/console_output.h"

#include "platform/codepage.h"
#include "platform/console.h"

namespace vesk {
namespace {

// Large enough that a search writes in big blocks, small enough to keep
// memory flat whatever the input size.
constexpr std::size_t kStdoutBlock = 64 * 1024;
constexpr std::size_t kConsoleBlock = 16 * 1024;  // units

void writeOrFail(bool written, bool onStandardError) {
  if (written) return;
  throw RunStopped{onStandardError ? RunStopped::Why::ErrorOutputNotTaken
                                   : RunStopped::Why::OutputNotTaken};
}

// Writes standard output's bytes, timed.
bool writeStdoutBytes(ConsoleOutput& output, std::string_view bytes) {
  const auto start = std::chrono::steady_clock::now();
  const bool written = platform::writeStreamBytes(platform::StdStream::Output, bytes);
  output.writeTime += std::chrono::steady_clock::now() - start;
  return written;
}

}  // namespace

ConsoleOutput capturingOutput(const ConsoleState& console) {
  ConsoleOutput output;
  output.console = console;
  output.capture = true;
  return output;
}

void spillIfFull(ConsoleOutput& output) {
  if (output.spillAt == 0 || !output.spill) return;
  // A diagnostic is counted at about what it takes in memory.
  constexpr std::size_t kDiagnosticBytes = 64;
  const std::size_t held = output.pendingStdout.size() + 2 * output.pendingConsole.size() +
                           kDiagnosticBytes * output.diagnostics.size();
  if (held >= output.spillAt) output.spill(output);
}

void writeConsoleText(ConsoleOutput& output, std::u16string_view text, bool appendNewline) {
  if (output.console.stdoutConsole != 0) {
    output.pendingConsole += text;
    if (appendNewline) output.pendingConsole += u'\n';
    if (output.capture) {
      spillIfFull(output);
    } else if (output.pendingConsole.size() >= kConsoleBlock) {
      flushConsoleText(output);
    }
    return;
  }
  platform::appendMultiByteFromWide(text, output.console.outputCodePage, output.pendingStdout);
  if (appendNewline) output.pendingStdout += '\n';
  if (output.capture) {
    spillIfFull(output);
  } else if (output.pendingStdout.size() >= kStdoutBlock) {
    flushConsoleText(output);
  }
}

void writeErrorLine(ConsoleOutput& output, std::u16string_view text) {
  flushConsoleText(output);  // results first, then the message
  const platform::ConsoleHandle handle = output.console.stderrConsole;
  if (handle != 0) {
    std::u16string line(text);
    line += u'\n';
    writeOrFail(platform::writeConsoleWide(handle, line), true);
    return;
  }
  std::string bytes;
  platform::appendMultiByteFromWide(text, output.console.outputCodePage, bytes);
  bytes += '\n';
  writeOrFail(platform::writeStreamBytes(platform::StdStream::Error, bytes), true);
}

void writeNarrowStdout(ConsoleOutput& output, std::string_view bytes) {
  flushConsoleText(output);
  writeOrFail(platform::writeStreamBytes(platform::StdStream::Output, bytes), false);
}

bool stdoutRedirected(const ConsoleOutput& output) {
  return output.console.stdoutConsole == 0;
}

bool redirectedOutputIsUtf8(const ConsoleOutput& output) {
  return output.console.outputCodePage == platform::kUtf8CodePage || platform::ansiCodePageIsUtf8();
}

void writeRedirectedBytes(ConsoleOutput& output, std::string_view text) {
  // Large runs go straight out rather than through the block buffer.
  if (text.size() >= kStdoutBlock && !output.capture) {
    flushConsoleText(output);
    writeOrFail(writeStdoutBytes(output, text), false);
    return;
  }
  output.pendingStdout += text;
  if (output.capture) {
    spillIfFull(output);
  } else if (output.pendingStdout.size() >= kStdoutBlock) {
    flushConsoleText(output);
  }
}

void flushConsoleText(ConsoleOutput& output) {
  if (output.capture) return;
  if (!output.pendingConsole.empty()) {
    const auto start = std::chrono::steady_clock::now();
    const bool written =
        platform::writeConsoleWide(output.console.stdoutConsole, output.pendingConsole);
    output.writeTime += std::chrono::steady_clock::now() - start;
    output.pendingConsole.clear();
    writeOrFail(written, false);
  }
  if (!output.pendingStdout.empty()) {
    const bool written = writeStdoutBytes(output, output.pendingStdout);
    output.pendingStdout.clear();
    writeOrFail(written, false);
  }
}

}  // namespace vesk
