#include "cmdline/parameter_file.h"

#include <optional>
#include <string>

#include "app/messages.h"
#include "cmdline/option_letters.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "process/line_reader.h"

namespace vesk {
namespace {

enum class LineStatus { Read, End, TooLong };

// A line is at most kMaxPieceUnits bytes, not counting its line feed. A full
// piece without a line feed is a complete line only when its line feed or the
// end of the file comes next.
LineStatus readLineBytes(LineReader& reader, std::string& bytes) {
  std::string_view piece;
  if (!readBytePiece(reader, piece)) return LineStatus::End;
  const bool endsLine = piece.ends_with('\n');
  if (endsLine) piece.remove_suffix(1);
  const bool fullWithoutLineFeed = !endsLine && piece.size() >= kMaxPieceUnits;
  // A NUL byte ends the line's text.
  bytes.assign(piece.substr(0, piece.find('\0')));
  if (fullWithoutLineFeed) {
    std::string_view next;
    if (readBytePiece(reader, next) && next != "\n") return LineStatus::TooLong;
  }
  return LineStatus::Read;
}

std::optional<std::u16string> readLine(LineReader& reader) {
  std::string bytes;
  if (readLineBytes(reader, bytes) != LineStatus::Read) return std::nullopt;
  std::u16string text;
  platform::appendWideFromMultiByte(bytes, platform::kAnsiCodePage, text);
  return text;
}

struct FileReading {
  ConsoleOutput& output;
  LineReader& reader;
  SearchEntryList& entries;
  bool letterErrorSeen = false;  // the run ends after the file
};

// Reports an unknown letter but reads the record on, so that every bad
// option line of the file is reported.
void reportUnknownLetter(FileReading& reading, std::u16string_view optionLine) {
  reportError(reading.output, optionLine, MessageId::ParameterInFileInvalid);
  reading.letterErrorSeen = true;
}

bool readSearchRecord(FileReading& reading, std::u16string_view optionLine) {
  SearchLetters letters;
  if (!applySearchLetters(optionLetters(optionLine), letters)) {
    reportUnknownLetter(reading, optionLine);
  }
  const std::optional<std::u16string> term = readLine(reading.reader);
  if (!term) {
    reportError(reading.output, MessageId::SearchStringNotSpecifiedInFile);
    return false;
  }
  reading.entries.push_back(
      makeSearchEntry(letters.ignoreCase, letters.literal, letters.invert, *term));
  return true;
}

bool readReplaceRecord(FileReading& reading, std::u16string_view optionLine) {
  ReplaceLetters letters;
  if (!applyReplaceLetters(optionLetters(optionLine), letters)) {
    reportUnknownLetter(reading, optionLine);
  }
  const std::optional<std::u16string> searchTerm = readLine(reading.reader);
  if (!searchTerm) {
    reportError(reading.output, MessageId::SearchAndReplaceNotSpecifiedInFile);
    return false;
  }
  const std::optional<std::u16string> replaceTerm = readLine(reading.reader);
  if (!replaceTerm) {
    reportError(reading.output, MessageId::ReplaceStringNotSpecifiedInFile);
    return false;
  }
  reading.entries.push_back(makeReplaceEntry(letters.ignoreCase, letters.literal, letters.escapes,
                                             *searchTerm, *replaceTerm));
  return true;
}

enum class RecordStatus { Read, EndOfFile, Failed };

RecordStatus readRecord(FileReading& reading) {
  std::string bytes;
  // An option line that is too long ends the file like its end would.
  if (readLineBytes(reading.reader, bytes) != LineStatus::Read) return RecordStatus::EndOfFile;
  if (bytes.empty()) {
    reportError(reading.output, MessageId::EmptyParameterInFile);
    return RecordStatus::Failed;
  }
  std::u16string optionLine;
  platform::appendWideFromMultiByte(bytes, platform::kAnsiCodePage, optionLine);
  const std::optional<TermOption> option = termOptionOf(optionLine);
  if (!option) {
    reportError(reading.output, optionLine, MessageId::ParameterInFileInvalid);
    return RecordStatus::Failed;
  }
  const bool read = *option == TermOption::Search ? readSearchRecord(reading, optionLine)
                                                  : readReplaceRecord(reading, optionLine);
  return read ? RecordStatus::Read : RecordStatus::Failed;
}

bool readRecords(FileReading& reading) {
  for (;;) {
    switch (readRecord(reading)) {
      case RecordStatus::Read:
        break;
      case RecordStatus::EndOfFile:
        return !reading.letterErrorSeen;
      case RecordStatus::Failed:
        return false;
    }
  }
}

}  // namespace

bool readParameterFile(ConsoleOutput& output, std::u16string_view fileName,
                       SearchEntryList& entries) {
  platform::InputFile file;
  if (!platform::openInputFile(fileName, file)) {
    reportError(output, fileName, MessageId::FileNotOpened);
    return false;
  }
  LineReader reader;
  startReading(reader, file, ReadingMode::CodePage, platform::kAnsiCodePage);
  FileReading reading{output, reader, entries};
  const bool complete = readRecords(reading);
  closeInputFile(reader.file);
  return complete;
}

}  // namespace vesk
