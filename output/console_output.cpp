#include "output/console_output.h"

#include "platform/codepage.h"
#include "platform/console.h"

namespace vesk {
namespace {

// Large enough that a redirected search writes in big blocks, small enough to
// keep memory flat whatever the input size.
constexpr std::size_t kStdoutBlock = 64 * 1024;

void writeToConsole(platform::ConsoleHandle console, std::u16string_view text, bool appendNewline) {
  if (!appendNewline) {
    platform::writeConsoleWide(console, text);
    return;
  }
  std::u16string line(text);
  line += u'\n';
  platform::writeConsoleWide(console, line);
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
  const platform::ConsoleHandle handle = output.console.stdoutConsole;
  if (handle != 0) {
    if (!output.capture) {
      writeToConsole(handle, text, appendNewline);
      return;
    }
    output.pendingConsole += text;
    if (appendNewline) output.pendingConsole += u'\n';
    spillIfFull(output);
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
    writeToConsole(handle, text, true);
    return;
  }
  std::string bytes;
  platform::appendMultiByteFromWide(text, output.console.outputCodePage, bytes);
  bytes += '\n';
  platform::writeStreamBytes(platform::StdStream::Error, bytes);
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
    platform::writeStreamBytes(platform::StdStream::Output, text);
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
  if (output.pendingStdout.empty() || output.capture) return;
  platform::writeStreamBytes(platform::StdStream::Output, output.pendingStdout);
  output.pendingStdout.clear();
}

}  // namespace vesk
