// The bilingual message catalogue and the one way an error line is written.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/console_state.h"

namespace vesk {

struct ConsoleOutput;

enum class MessageId {
  HelpText,
  ParameterInvalid,
  EmptyParameter,
  ParametersConflict,
  ParameterAlreadySpecified,
  SearchOrReplaceNotSpecified,
  SearchStringNotSpecified,
  SearchAndReplaceNotSpecified,
  ReplaceStringNotSpecified,
  FileNameInvalid,
  NotFileOrFolder,
  FileOrFolderNotFound,
  ParameterFileNotSpecified,
  FileNotOpened,
  EmptyParameterInFile,
  ParameterInFileInvalid,
  SearchStringNotSpecifiedInFile,
  SearchAndReplaceNotSpecifiedInFile,
  ReplaceStringNotSpecifiedInFile,
  FileNotFound,
  InvalidRegex,
  FileOrFolderNotSpecified,
  FolderNotFound,
  LineTooComplex,  // the regular-expression engine gave up on one line
  Count
};

// Japanese at index 0, English at index 1: the Language value is the index.
using MessagePair = std::array<std::u16string_view, 2>;

const MessagePair& messagePair(MessageId id);
std::u16string_view messageText(Language language, MessageId id);
std::u16string composeMessage(Language language, std::u16string_view subject, MessageId id);

void reportError(ConsoleOutput& output, MessageId id);
void reportError(ConsoleOutput& output, std::u16string_view subject, MessageId id);

}  // namespace vesk
