#include "app/run_main.h"

#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "app/run_driver.h"
#include "base/ascii.h"
#include "cmdline/parse_options.h"
#include "model/search_entry.h"
#include "output/console_output.h"
#include "output/messages.h"
#include "output/report.h"
#include "output/stand_alone_answers.h"
#include "platform/console.h"

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
    writeHelpText(output);
    return true;
  }
  if (asciiEqualsIgnoringCase(argument, u"/void")) return true;
  if (asciiEqualsIgnoringCase(argument, u"/ver")) {
    writeVersionBanner(output, versionBanner());
    return true;
  }
  return false;
}

// Parsing, then the entries compiled, then the search; every failure before
// the search ends the run with exit code 0.
int runSearch(ConsoleOutput& output, const std::vector<std::u16string>& arguments) {
  ParsedCommandLine parsed = parseOptions(arguments);
  for (const Diagnostic& diagnostic : parsed.diagnostics) report(output, diagnostic);
  if (!parsed.ok) return 0;
  const BuiltEntries built = buildEntries(std::move(parsed.terms));
  if (built.failure) {
    report(output, *built.failure);
    return 0;
  }
  return runTarget(output, parsed.options, built.entries);
}

// Standard output took no more: what is pending is lost anyway, and a
// message goes to standard error if that still takes one.
void reportOutputFailure(ConsoleOutput& output, const RunStopped& failure) {
  output.pendingStdout.clear();
  output.pendingConsole.clear();
  if (failure.why != RunStopped::Why::OutputNotTaken) return;
  try {
    report(output, Diagnostic{MessageId::OutputNotWritten, {}});
  } catch (const RunStopped&) {
    // Nowhere left to say it.
  }
}

// Memory ran out somewhere (a worker's failure comes here too): what was
// found so far goes out, then the message, made ready before the run, as
// nothing may be left to compose it now.
void reportOutOfMemory(ConsoleOutput& output) {
  try {
    flushConsoleText(output);
  } catch (const RunStopped& failure) {
    reportOutputFailure(output, failure);
    return;
  } catch (const std::bad_alloc&) {
    // A console's text could not be converted: it is lost.
  }
  platform::writePreparedErrorLine(output.outOfMemory, kNotEnoughMemoryInAscii);
}

int runWithOutput(ConsoleOutput& output,
                  const std::function<std::vector<std::u16string>()>& readArguments) {
  output.console = probeConsole();
  output.outOfMemory =
      platform::prepareErrorLine(messageText(output.console.language, MessageId::NotEnoughMemory),
                                 output.console.outputCodePage);
  const std::vector<std::u16string> arguments = readArguments();
  const int exitCode =
      answerStandAloneRequest(output, arguments) ? 0 : runSearch(output, arguments);
  flushConsoleText(output);
  return exitCode;
}

}  // namespace

int runMain(const std::function<std::vector<std::u16string>()>& readArguments) {
  platform::prepareProcess();
  ConsoleOutput output;
  try {
    return runWithOutput(output, readArguments);
  } catch (const RunStopped& failure) {
    reportOutputFailure(output, failure);
    return 0;
  } catch (const std::bad_alloc&) {
    reportOutOfMemory(output);
    return 0;
  } catch (const std::system_error& error) {
    // A thread without memory for its stack.
    if (error.code() != std::errc::resource_unavailable_try_again) throw;
    reportOutOfMemory(output);
    return 0;
  }
}

}  // namespace vesk
