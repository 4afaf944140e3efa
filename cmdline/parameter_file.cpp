#include "cmdline/parameter_file.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/decimal.h"
#include "cmdline/term_option.h"
#include "io/line_reader.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace vesk {
namespace {

struct FileReading {
  std::u16string_view fileName;
  LineReader& reader;
  std::vector<SearchTerm>& terms;
  std::vector<Diagnostic>& diagnostics;
  std::uint64_t lineNumber = 0;  // of the last line read
  bool letterErrorSeen = false;  // the run ends after the file
};

enum class LineStatus { Read, EndOfFile, TooLong };

struct FileLine {
  LineStatus status = LineStatus::EndOfFile;
  std::u16string text;
};

// A line is at most kMaxPieceUnits units, not counting its line feed. A
// piece cut at the limit is a complete line only when its line feed or the
// end of the file comes next. A NUL ends the line's text.
FileLine readLine(FileReading& reading) {
  LineReader& reader = reading.reader;
  std::string_view piece;
  if (!reader.readBytePiece(piece)) return {};
  ++reading.lineNumber;
  FileLine line{LineStatus::Read, {}};
  reader.decodePiece(piece, line.text);
  if (line.text.ends_with(u'\n')) line.text.pop_back();
  if (reader.pieceEndsMidLine()) {
    std::u16string next;
    if (reader.readLinePiece(next) && next != u"\n") line.status = LineStatus::TooLong;
  }
  return line;
}

void note(FileReading& reading, MessageId id, std::u16string_view subject = {}) {
  reading.diagnostics.push_back(Diagnostic{id, std::u16string(subject)});
}

// What is reported when a term line cannot be read: [0] for the search
// term, [1] for the replacement.
constexpr std::array<MessageId, 2> missingTermMessages(TermOption option) {
  if (option == TermOption::Search) {
    return {MessageId::SearchStringNotSpecifiedInFile, MessageId::SearchStringNotSpecifiedInFile};
  }
  return {MessageId::SearchAndReplaceNotSpecifiedInFile,
          MessageId::ReplaceStringNotSpecifiedInFile};
}

// An unknown letter is reported, but the record is read on, so that every
// bad option line of the file is reported.
bool readTermRecord(FileReading& reading, TermOption option, std::u16string_view optionLine) {
  TermLetters letters;
  if (!applyTermLetters(option, optionLetters(optionLine), letters)) {
    note(reading, MessageId::ParameterInFileInvalid, optionLine);
    reading.letterErrorSeen = true;
  }
  std::u16string texts[2];
  for (std::size_t i = 0; i < termCount(option); ++i) {
    FileLine line = readLine(reading);
    if (line.status != LineStatus::Read) {
      note(reading, missingTermMessages(option)[i]);
      return false;
    }
    texts[i] = std::move(line.text);
  }
  reading.terms.push_back(makeTerm(option, letters, texts[0], texts[1]));
  return true;
}

enum class RecordStatus { Read, EndOfFile, Failed };

// The file and the number of the line just read, "name(line)".
std::u16string atLine(const FileReading& reading) {
  std::u16string subject(reading.fileName);
  subject += u'(';
  appendDecimal(subject, reading.lineNumber);
  subject += u')';
  return subject;
}

RecordStatus readRecord(FileReading& reading) {
  const FileLine line = readLine(reading);
  if (line.status == LineStatus::EndOfFile) return RecordStatus::EndOfFile;
  // Not a word of it can be read as the user wrote it.
  if (line.status == LineStatus::TooLong) {
    note(reading, MessageId::LineTooLongInFile, atLine(reading));
    return RecordStatus::Failed;
  }
  const std::u16string& optionLine = line.text;
  if (optionLine.empty()) {
    note(reading, MessageId::EmptyParameterInFile);
    return RecordStatus::Failed;
  }
  const std::optional<TermOption> option = termOptionOf(optionLine);
  if (!option) {
    note(reading, MessageId::ParameterInFileInvalid, optionLine);
    return RecordStatus::Failed;
  }
  return readTermRecord(reading, *option, optionLine) ? RecordStatus::Read : RecordStatus::Failed;
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

bool readParameterFile(std::u16string_view fileName, std::vector<SearchTerm>& terms,
                       std::vector<Diagnostic>& diagnostics) {
  const std::optional<platform::InputFile> file = platform::InputFile::open(fileName);
  if (!file) {
    diagnostics.push_back(Diagnostic{MessageId::FileNotOpened, std::u16string(fileName)});
    return false;
  }
  LineReader reader;
  // A byte-order mark (what many editors on Windows write) says the file is
  // UTF-8 or UTF-16; without one it is in the ANSI code page.
  reader.startReading(fileSource(file->handle()), InputEncoding::CodePageUnlessMarked,
                      platform::kAnsiCodePage);
  FileReading reading{fileName, reader, terms, diagnostics};
  bool complete = readRecords(reading);
  if (reader.readFailed()) {
    note(reading, MessageId::FileNotRead, fileName);
    complete = false;
  }
  return complete;
}

}  // namespace vesk
