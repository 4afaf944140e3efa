// What went wrong, as a value: the message to show and its subject. Every
// layer below the output hands these up; only the output layer writes them,
// in the language of the run.
#pragma once

#include <string>

namespace vesk {

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
  LineTooComplex,     // the regular-expression engine gave up on one line
  FolderNotListed,    // a folder exists but its entries cannot be read
  FileNotRead,        // reading a file or standard input failed before its end
  OutputNotWritten,   // standard output took no more (a full disk, a closed pipe)
  RegexTooLarge,      // a valid pattern larger than the engine can hold
  LineTooLong,        // a replacement would make one line longer than a line may be
  NotEnoughMemory,    // the run ended for want of memory
  InputIsOutput,      // an input is the file standard output goes to: it is not read
  LineTooLongInFile,  // a parameter file's option line is longer than a line may be
  ThreadsInvalid,     // VESK_THREADS holds no number from 1 to 64: the default is used
  Count
};

struct Diagnostic {
  MessageId id = MessageId::Count;
  std::u16string subject;  // written directly before the message text; may be empty

  bool operator==(const Diagnostic&) const = default;
};

}  // namespace vesk
