// Console probe and console/stream output: the only place that knows what a
// console is on this platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk::platform {

// An opaque console handle; 0 means "not a console" (redirected or absent).
using ConsoleHandle = std::uintptr_t;

enum class StdStream { Output, Error };

// The stream's console handle, or 0 when the stream is not a console.
ConsoleHandle consoleHandle(StdStream stream);

// The console output code page (Windows: GetConsoleOutputCP; 0 without a console).
std::uint32_t consoleOutputCodePage();

// The user's interface language identifier (Windows: GetUserDefaultUILanguage).
std::uint16_t userInterfaceLanguage();

// Writes UTF-16 text to a console handle as wide text, in calls of a size
// every console takes, going on after a partial write. False when the
// console takes no more.
bool writeConsoleWide(ConsoleHandle console, std::u16string_view text);

// Writes bytes to a redirected standard stream; Windows applies text mode
// (LF becomes CR LF) here, POSIX writes them unchanged. False when the
// stream takes no more (a full disk, a closed pipe).
bool writeStreamBytes(StdStream stream, std::string_view bytes);

// A line for standard error made ready in advance, so that it can be written
// when no memory is left to convert it: the line that says so.
struct PreparedErrorLine {
  std::u16string wide;  // with its line end, for a console that takes wide text
  std::string bytes;    // with its line end, as written anywhere else
};

// The line as standard error takes it now, in the given code page where it
// is redirected.
PreparedErrorLine prepareErrorLine(std::u16string_view text, std::uint32_t codePage);

// Writes a prepared line, or (when it is empty) the ASCII fallback, without
// allocating anything. False when standard error takes nothing.
bool writePreparedErrorLine(const PreparedErrorLine& line, std::string_view fallback);

// Prepares the process for the run: on POSIX a write to a closed pipe then
// fails like any other write, instead of ending the process without a word.
void prepareProcess();

}  // namespace vesk::platform
