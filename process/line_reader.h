// Reads an input stream as line pieces of at most 65,535 UTF-16 units, with
// the text-mode rules applied by our own code on every platform: CR LF is
// delivered as LF, a lone CR stays, a NUL cuts the piece's text, a Ctrl-Z
// byte ends code-page input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vesk {

constexpr std::size_t kMaxPieceUnits = 65535;

// How a stream's bytes become text: code-page bytes ("rt"), or one of the
// encodings named by "/u" ("UNICODE"), "/u8" ("UTF-8"), "/u16" ("UTF-16LE").
enum class ReadingMode { CodePage, Unicode, Utf8, Utf16Le };

ReadingMode readingModeFor(bool encodingGiven, std::u16string_view encodingName);

struct LineReader {
  platform::InputFile file;
  ReadingMode mode = ReadingMode::CodePage;
  std::uint32_t codePage = 0;  // for ReadingMode::CodePage
  // Decided from the byte-order mark when reading starts.
  enum class Decoding { CodePage, Utf8, Utf16Le, Utf16Be } decoding = Decoding::CodePage;
  std::vector<char> buffer;  // large block buffer, reused from file to file
  std::size_t begin = 0;     // unread bytes are buffer[begin, end)
  std::size_t end = 0;
  bool atEnd = false;       // no more bytes will be read from the file
  bool started = false;     // the byte-order mark has been looked at
  std::string pieceBytes;   // scratch for a piece that crosses buffer refills
};

// Prepares the reader for a new stream; the buffer is kept.
void startReading(LineReader& reader, platform::InputFile file, ReadingMode mode,
                  std::uint32_t codePage);

// Reads the next piece as bytes with the text-mode rules applied (CR LF as
// LF, Ctrl-Z ends code-page input), at most 65,535 bytes, ending after a line
// feed; the view stays valid until the next read. Only for ReadingMode::CodePage.
// False at the end of the stream.
bool readBytePiece(LineReader& reader, std::string_view& piece);

// Reads the next piece into lineText; false at the end of the stream or on a
// read error (the lines read so far count normally).
bool readLinePiece(LineReader& reader, std::u16string& lineText);

}  // namespace vesk
