#include "app/console_output.h"

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

void writeConsoleText(ConsoleOutput& output, std::u16string_view text, bool toStderr,
                      bool appendNewline) {
  const ConsoleState& console = output.console;
  if (toStderr) flushConsoleText(output);  // results first, then the message
  const platform::ConsoleHandle handle = toStderr ? console.stderrConsole : console.stdoutConsole;
  if (handle != 0) {
    writeToConsole(handle, text, appendNewline);
    return;
  }
  if (toStderr) {
    std::string bytes;
    platform::appendMultiByteFromWide(text, console.outputCodePage, bytes);
    if (appendNewline) bytes += '\n';
    platform::writeStreamBytes(platform::StdStream::Error, bytes);
    return;
  }
  platform::appendMultiByteFromWide(text, console.outputCodePage, output.pendingStdout);
  if (appendNewline) output.pendingStdout += '\n';
  if (output.pendingStdout.size() >= kStdoutBlock) flushConsoleText(output);
}

bool stdoutRedirected(const ConsoleOutput& output) {
  return output.console.stdoutConsole == 0;
}

void writeRedirectedAscii(ConsoleOutput& output, std::string_view text) {
  // Large runs go straight out rather than through the block buffer.
  if (text.size() >= kStdoutBlock) {
    flushConsoleText(output);
    platform::writeStreamBytes(platform::StdStream::Output, text);
    return;
  }
  output.pendingStdout += text;
  if (output.pendingStdout.size() >= kStdoutBlock) flushConsoleText(output);
}

void flushConsoleText(ConsoleOutput& output) {
  if (output.pendingStdout.empty()) return;
  platform::writeStreamBytes(platform::StdStream::Output, output.pendingStdout);
  output.pendingStdout.clear();
}

}  // namespace vesk
