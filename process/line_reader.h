// Reads an input stream as line pieces of at most 65,535 UTF-16 units, with
// the text-mode rules applied by our own code on every platform: CR LF is
// delivered as LF, a lone CR stays, a NUL cuts the piece's text, a Ctrl-Z
// byte ends code-page input.
//
// Reading is two steps: readBytePiece finds the next piece in the block
// buffer as bytes in the stream's encoding, and decodePiece turns those bytes
// into UTF-16. A caller may look at the bytes first and skip the decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vesk {

constexpr std::size_t kMaxPieceUnits = 65535;

// The size of one binary read; the buffer holds a read plus the unread rest
// of the longest piece.
constexpr std::size_t kReadBlockBytes = 256 * 1024;
constexpr std::size_t kReadBufferBytes = 2 * kReadBlockBytes;

// How a stream's bytes become text: code-page bytes ("rt"), or one of the
// encodings named by "/u" ("UNICODE"), "/u8" ("UTF-8"), "/u16" ("UTF-16LE").
enum class ReadingMode { CodePage, Unicode, Utf8, Utf16Le };

ReadingMode readingModeFor(bool encodingGiven, std::u16string_view encodingName);

struct LineReader {
  platform::InputFile file;
  ReadingMode mode = ReadingMode::CodePage;
  std::uint32_t codePage = 0;   // for ReadingMode::CodePage
  bool codePageIsUtf8 = false;  // decode code-page pieces with our own UTF-8 decoder
  // Decided from the byte-order mark when reading starts.
  enum class Decoding { CodePage, Utf8, Utf16Le, Utf16Be } decoding = Decoding::CodePage;
  std::vector<char> buffer;  // large block buffer, reused from file to file
  std::size_t begin = 0;     // unread bytes are buffer[begin, end)
  std::size_t end = 0;
  bool atEnd = false;    // no more bytes will be read from the file
  bool started = false;  // the byte-order mark has been looked at

  // What the last readBytePiece found besides the bytes.
  bool pieceEndsMidLine = false;  // stopped at the length limit, more of the line follows
  // UTF-8 only: a character that needs two units may straddle the limit; its
  // second unit then opens the next piece.
  char16_t leadingUnit = 0;  // unit that opens the current piece, 0 for none
  bool pieceSplitsCharacter = false;
  char16_t nextLeadingUnit = 0;

  // Tests and the fuzz target read from memory, in reads of a chosen size,
  // to reach every block boundary. The program always reads the file.
  bool fromMemory = false;
  std::string_view memoryInput;
  // 0: as much as the buffer takes. Kept by startReading, so that tests can
  // make processFile read a file in small reads too; the program never sets it.
  std::size_t readSizeLimit = 0;
};

// Prepares the reader for a new stream; the buffer is kept.
void startReading(LineReader& reader, platform::InputFile file, ReadingMode mode,
                  std::uint32_t codePage);

// The same, reading bytes from memory instead of a file.
void startReadingMemory(LineReader& reader, std::string_view bytes, ReadingMode mode,
                        std::uint32_t codePage, std::size_t readSizeLimit = 0);

// Reads the next piece as bytes with the text-mode rules applied (CR LF as
// LF, Ctrl-Z ends code-page input), ending after a line feed. In code-page
// mode the piece holds at most 65,535 bytes, NUL bytes included; in the
// Unicode modes it is the piece's bytes in the decided encoding. The view
// stays valid until the next read. False at the end of the stream.
// A line longer than the limit shows as a piece with pieceEndsMidLine set.
bool readBytePiece(LineReader& reader, std::string_view& piece);

// Looks at the byte-order mark and decides the decoding, once per stream;
// readBytePiece does it by itself when nobody did before.
void startDecoding(LineReader& reader);

struct ByteNeedle;

// Skips whole pieces ahead that cannot hold the needle, exactly as
// readBytePiece would have delivered them, and returns how many; their bytes
// are in skippedBytes until the next read. It stops before the line that may
// hold the needle, before a line that could be longer than a piece (the exact
// reader splits those), with plainOnly before a line that is not plain ASCII
// without CR and NUL, and at the end of what one read brings. Only line
// starts in byte-oriented encodings are skipped from.
std::uint64_t skipPiecesWithout(LineReader& reader, const ByteNeedle& needle, bool plainOnly,
                                std::string_view& skippedBytes);

// Turns the piece just read into lineText: its text up to the first NUL.
void decodePiece(const LineReader& reader, std::string_view piece, std::u16string& lineText);

// Reads the next piece into lineText; false at the end of the stream or on a
// read error (the lines read so far count normally).
bool readLinePiece(LineReader& reader, std::u16string& lineText);

}  // namespace vesk
