#include <string>
#include <string_view>
#include <vector>

#include "app/console_output.h"
#include "app/messages.h"
#include "cmdline/ascii.h"
#include "cmdline/parse_options.h"
#include "platform/console.h"
#include "platform/entry.h"
#include "targets/target_resolution.h"

namespace vesk {
namespace {

// " Vesk 2.00 32bit - Mar  7 2025 09:05:00 ": the build tools' own date and
// time stamp has exactly this layout. The word size is the build's own, so
// the product (32-bit) says 32bit and no test build claims to be it.
std::string versionBanner() {
  const char* wordSize = sizeof(void*) == 4 ? "32bit" : "64bit";
  return std::string(" Vesk 2.00 ") + wordSize + " - " + __DATE__ + " " + __TIME__ + " ";
}

// "/?", "/void" and "/ver" are answered only when they stand alone.
bool answerStandAloneRequest(ConsoleOutput& output, const std::vector<std::u16string>& arguments) {
  if (arguments.size() != 1) return false;
  const std::u16string_view argument = arguments.front();
  if (asciiEqualsIgnoringCase(argument, u"/?")) {
    writeConsoleText(output, messageText(output.console.language, MessageId::HelpText), false,
                     false);
    return true;
  }
  if (asciiEqualsIgnoringCase(argument, u"/void")) return true;
  if (asciiEqualsIgnoringCase(argument, u"/ver")) {
    flushConsoleText(output);
    platform::writeStreamBytes(platform::StdStream::Output, "\n" + versionBanner() + "\n");
    return true;
  }
  return false;
}

}  // namespace

int runMain(const std::vector<std::u16string>& arguments) {
  ConsoleOutput output{probeConsole(), {}};
  int exitCode = 0;
  if (!answerStandAloneRequest(output, arguments)) {
    RunSettings settings;
    SearchEntryList entries;
    if (parseOptions(output, arguments, settings, entries)) {
      exitCode = runTarget(output, settings, entries);
    }
  }
  flushConsoleText(output);
  return exitCode;
}

}  // namespace vesk
