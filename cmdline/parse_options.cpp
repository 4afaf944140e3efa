#include "cmdline/parse_options.h"

#include <array>
#include <optional>
#include <string_view>

#include "app/messages.h"
#include "cmdline/ascii.h"
#include "cmdline/option_letters.h"
#include "cmdline/parameter_file.h"
#include "platform/filesystem.h"

namespace vesk {
namespace {

// What one parse works on; index is the next argument to examine.
struct ParseState {
  ConsoleOutput& output;
  const std::vector<std::u16string>& arguments;
  RunSettings& settings;
  SearchEntryList& entries;
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

std::size_t argumentsLeft(const ParseState& state) {
  return state.arguments.size() - state.index;
}

// The option argument is at state.index; its terms follow it.
bool parseSearchOption(ParseState& state) {
  const std::u16string& option = state.arguments[state.index];
  if (argumentsLeft(state) < 2) {
    reportError(state.output, MessageId::SearchStringNotSpecified);
    return false;
  }
  SearchLetters letters;
  if (!applySearchLetters(optionLetters(option), letters)) {
    reportError(state.output, option, MessageId::ParameterInvalid);
    return false;
  }
  const std::u16string& term = state.arguments[state.index + 1];
  state.entries.push_back(
      makeSearchEntry(letters.ignoreCase, letters.literal, letters.invert, term));
  state.index += 2;
  return true;
}

bool parseReplaceOption(ParseState& state) {
  const std::u16string& option = state.arguments[state.index];
  if (argumentsLeft(state) < 2) {
    reportError(state.output, MessageId::SearchAndReplaceNotSpecified);
    return false;
  }
  if (argumentsLeft(state) < 3) {
    reportError(state.output, MessageId::ReplaceStringNotSpecified);
    return false;
  }
  ReplaceLetters letters;
  if (!applyReplaceLetters(optionLetters(option), letters)) {
    reportError(state.output, option, MessageId::ParameterInvalid);
    return false;
  }
  const std::u16string& searchTerm = state.arguments[state.index + 1];
  const std::u16string& replaceTerm = state.arguments[state.index + 2];
  state.entries.push_back(makeReplaceEntry(letters.ignoreCase, letters.literal, letters.escapes,
                                           searchTerm, replaceTerm));
  state.index += 3;
  return true;
}

bool parseParameterFileOption(ParseState& state) {
  if (argumentsLeft(state) < 2) {
    reportError(state.output, MessageId::ParameterFileNotSpecified);
    return false;
  }
  const std::u16string& fileName = state.arguments[state.index + 1];
  state.index += 2;
  return readParameterFile(state.output, fileName, state.entries);
}

bool setEncoding(ParseState& state, std::u16string_view name) {
  if (state.settings.encodingGiven) {
    reportError(state.output, u"/u", MessageId::ParameterAlreadySpecified);
    return false;
  }
  state.settings.encodingGiven = true;
  state.settings.encodingName = name;
  return true;
}

bool applyFlag(ParseState& state, Flag flag) {
  RunSettings& settings = state.settings;
  switch (flag) {
    case Flag::CountFound:
      settings.countWhenNotFound = false;
      [[fallthrough]];
    case Flag::Count:
      settings.countMode = true;
      return true;
    case Flag::Subfolders:
      settings.subfolders = true;
      settings.showFileNames = true;
      return true;
    case Flag::ListNotFound:
      settings.listFound = false;
      [[fallthrough]];
    case Flag::List:
      settings.listMode = true;
      return true;
    case Flag::LineNumbers:
      settings.lineNumbers = true;
      return true;
    case Flag::Quiet:
      settings.quiet = true;
      return true;
    case Flag::Unicode:
      return setEncoding(state, u"UNICODE");
    case Flag::Utf8:
      return setEncoding(state, u"UTF-8");
    case Flag::Utf16:
      return setEncoding(state, u"UTF-16LE");
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
  // An option we do not know, and "/?" among other arguments, land here.
  if (argument.front() == u'/' || !state.settings.target.empty()) {
    reportError(state.output, argument, MessageId::ParameterInvalid);
    return false;
  }
  if (holdsForbiddenCharacter(argument)) {
    reportError(state.output, argument, MessageId::FileNameInvalid);
    return false;
  }
  state.settings.target = argument;
  return true;
}

bool parseArgument(ParseState& state) {
  const std::u16string& argument = state.arguments[state.index];
  if (argument.empty()) {
    reportError(state.output, MessageId::EmptyParameter);
    return false;
  }
  if (const std::optional<TermOption> option = termOptionOf(argument)) {
    return *option == TermOption::Search ? parseSearchOption(state) : parseReplaceOption(state);
  }
  if (asciiEqualsIgnoringCase(argument, u"/f")) return parseParameterFileOption(state);
  ++state.index;
  if (const std::optional<Flag> flag = flagOf(argument)) return applyFlag(state, *flag);
  return setTarget(state, argument);
}

// Counts what the user gave; quiet implied by a count or list mode comes later.
int displayOptionCount(const RunSettings& settings) {
  return int{settings.countMode} + int{settings.listMode} + int{settings.lineNumbers} +
         int{settings.quiet};
}

bool checkCompleteJob(ParseState& state) {
  if (displayOptionCount(state.settings) > 1) {
    reportError(state.output, u"/c /l /n /q", MessageId::ParametersConflict);
    return false;
  }
  if ((state.settings.subfolders || state.settings.encodingGiven) &&
      state.settings.target.empty()) {
    reportError(state.output, MessageId::FileOrFolderNotSpecified);
    return false;
  }
  if (state.entries.empty()) {
    reportError(state.output, MessageId::SearchOrReplaceNotSpecified);
    return false;
  }
  return validatePatterns(state.output, state.entries);
}

}  // namespace

bool parseOptions(ConsoleOutput& output, const std::vector<std::u16string>& arguments,
                  RunSettings& settings, SearchEntryList& entries) {
  ParseState state{output, arguments, settings, entries};
  while (state.index < arguments.size()) {
    if (!parseArgument(state)) return false;
  }
  return checkCompleteJob(state);
}

}  // namespace vesk
