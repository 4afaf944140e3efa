#include "cmdline/parse_options.h"

#include <array>
#include <optional>
#include <string_view>

#include "base/ascii.h"
#include "cmdline/parameter_file.h"
#include "cmdline/term_option.h"
#include "platform/filesystem.h"

namespace vesk {
namespace {

// The display options as the user gave them; "/c" with "/ce", or "/l" with
// "/lv", are one option.
struct DisplayFlags {
  bool count = false;
  bool countWhenNotFound = true;  // "/ce" clears it
  bool list = false;
  bool listFound = true;  // "/lv" clears it
  bool lineNumbers = false;
  bool quiet = false;
};

// What one parse works on; index is the next argument to examine.
struct ParseState {
  const std::vector<std::u16string>& arguments;
  ParsedCommandLine& parsed;
  DisplayFlags display;
  bool encodingGiven = false;
  std::size_t index = 0;
};

enum class Flag {
  Count,
  CountFound,
  Subfolders,
  List,
  ListNotFound,
  LineNumbers,
  Quiet,
  Unicode,
  Utf8,
  Utf16
};

struct FlagSpelling {
  std::u16string_view text;
  Flag flag;
};

constexpr std::array<FlagSpelling, 10> kFlags{{
    {u"/c", Flag::Count},
    {u"/ce", Flag::CountFound},
    {u"/d", Flag::Subfolders},
    {u"/l", Flag::List},
    {u"/lv", Flag::ListNotFound},
    {u"/n", Flag::LineNumbers},
    {u"/q", Flag::Quiet},
    {u"/u", Flag::Unicode},
    {u"/u8", Flag::Utf8},
    {u"/u16", Flag::Utf16},
}};

std::optional<Flag> flagOf(std::u16string_view argument) {
  for (const FlagSpelling& spelling : kFlags) {
    if (asciiEqualsIgnoringCase(argument, spelling.text)) return spelling.flag;
  }
  return std::nullopt;
}

bool fail(ParseState& state, MessageId id, std::u16string_view subject = {}) {
  state.parsed.diagnostics.push_back(Diagnostic{id, std::u16string(subject)});
  return false;
}

std::size_t argumentsLeft(const ParseState& state) {
  return state.arguments.size() - state.index;
}

// What is reported when the option is followed by fewer terms than it takes:
// [0] with none, [1] with one.
constexpr std::array<MessageId, 2> missingTermMessages(TermOption option) {
  if (option == TermOption::Search) {
    return {MessageId::SearchStringNotSpecified, MessageId::SearchStringNotSpecified};
  }
  return {MessageId::SearchAndReplaceNotSpecified, MessageId::ReplaceStringNotSpecified};
}

// The option argument is at state.index; its terms follow it. The terms are
// counted before the letters are looked at.
bool parseTermOption(ParseState& state, TermOption option) {
  const std::u16string& optionText = state.arguments[state.index];
  const std::size_t terms = termCount(option);
  const std::size_t given = argumentsLeft(state) - 1;
  if (given < terms) return fail(state, missingTermMessages(option)[given]);
  TermLetters letters;
  if (!applyTermLetters(option, optionLetters(optionText), letters)) {
    return fail(state, MessageId::ParameterInvalid, optionText);
  }
  const std::u16string& searchText = state.arguments[state.index + 1];
  const std::u16string_view replaceText =
      terms == 2 ? std::u16string_view(state.arguments[state.index + 2]) : std::u16string_view();
  state.parsed.terms.push_back(makeTerm(option, letters, searchText, replaceText));
  state.index += 1 + terms;
  return true;
}

bool parseParameterFileOption(ParseState& state) {
  if (argumentsLeft(state) < 2) return fail(state, MessageId::ParameterFileNotSpecified);
  const std::u16string& fileName = state.arguments[state.index + 1];
  state.index += 2;
  return readParameterFile(fileName, state.parsed.terms, state.parsed.diagnostics);
}

bool setEncoding(ParseState& state, InputEncoding encoding) {
  if (state.encodingGiven) return fail(state, MessageId::ParameterAlreadySpecified, u"/u");
  state.encodingGiven = true;
  state.parsed.options.encoding = encoding;
  return true;
}

bool applyFlag(ParseState& state, Flag flag) {
  DisplayFlags& display = state.display;
  switch (flag) {
    case Flag::CountFound:
      display.countWhenNotFound = false;
      [[fallthrough]];
    case Flag::Count:
      display.count = true;
      return true;
    case Flag::Subfolders:
      state.parsed.options.subfolders = true;
      return true;
    case Flag::ListNotFound:
      display.listFound = false;
      [[fallthrough]];
    case Flag::List:
      display.list = true;
      return true;
    case Flag::LineNumbers:
      display.lineNumbers = true;
      return true;
    case Flag::Quiet:
      display.quiet = true;
      return true;
    case Flag::Unicode:
      return setEncoding(state, InputEncoding::Unicode);
    case Flag::Utf8:
      return setEncoding(state, InputEncoding::Utf8);
    case Flag::Utf16:
      return setEncoding(state, InputEncoding::Utf16Le);
  }
  return true;
}

bool holdsForbiddenCharacter(std::u16string_view argument) {
  for (const char16_t c : argument) {
    if (platform::isForbiddenInTarget(c)) return true;
  }
  return false;
}

bool setTarget(ParseState& state, const std::u16string& argument) {
  std::u16string& target = state.parsed.options.target;
  // An option we do not know, and "/?" among other arguments, land here.
  if (argument.front() == u'/' || !target.empty()) {
    return fail(state, MessageId::ParameterInvalid, argument);
  }
  if (holdsForbiddenCharacter(argument)) return fail(state, MessageId::FileNameInvalid, argument);
  target = argument;
  return true;
}

bool parseArgument(ParseState& state) {
  const std::u16string& argument = state.arguments[state.index];
  if (argument.empty()) return fail(state, MessageId::EmptyParameter);
  if (const std::optional<TermOption> option = termOptionOf(argument)) {
    return parseTermOption(state, *option);
  }
  if (asciiEqualsIgnoringCase(argument, u"/f")) return parseParameterFileOption(state);
  ++state.index;
  if (const std::optional<Flag> flag = flagOf(argument)) return applyFlag(state, *flag);
  return setTarget(state, argument);
}

// Counts what the user gave.
int displayOptionCount(const DisplayFlags& display) {
  return int{display.count} + int{display.list} + int{display.lineNumbers} + int{display.quiet};
}

DisplayMode displayModeOf(const DisplayFlags& display) {
  if (display.count) {
    return display.countWhenNotFound ? DisplayMode::Count : DisplayMode::CountFound;
  }
  if (display.list) return display.listFound ? DisplayMode::List : DisplayMode::ListNotFound;
  if (display.lineNumbers) return DisplayMode::LineNumbers;
  if (display.quiet) return DisplayMode::Quiet;
  return DisplayMode::Lines;
}

bool checkCompleteJob(ParseState& state) {
  const RunOptions& options = state.parsed.options;
  if (displayOptionCount(state.display) > 1) {
    return fail(state, MessageId::ParametersConflict, u"/c /l /n /q");
  }
  if ((options.subfolders || state.encodingGiven) && options.target.empty()) {
    return fail(state, MessageId::FileOrFolderNotSpecified);
  }
  if (state.parsed.terms.empty()) return fail(state, MessageId::SearchOrReplaceNotSpecified);
  state.parsed.options.display = displayModeOf(state.display);
  return true;
}

}  // namespace

ParsedCommandLine parseOptions(const std::vector<std::u16string>& arguments) {
  ParsedCommandLine parsed;
  ParseState state{arguments, parsed, {}, false, 0};
  while (state.index < arguments.size()) {
    if (!parseArgument(state)) return parsed;
  }
  parsed.ok = checkCompleteJob(state);
  return parsed;
}

}  // namespace vesk
