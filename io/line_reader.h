// Reads an input stream as line pieces of at most 65,535 UTF-16 units, with
// the text-mode rules applied by our own code on every platform: CR LF is
// delivered as LF, a lone CR stays, a NUL cuts the piece's text, a Ctrl-Z
// byte ends code-page input.
//
// Reading is two steps: readBytePiece finds the next piece in the block
// buffer as bytes in the stream's encoding, and decodePiece turns those bytes
// into UTF-16. A caller may look at the bytes first and skip the decoding;
// it may also look at the buffered bytes ahead and skip whole lines of them
// (see search/line_skipping.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "io/byte_source.h"
#include "model/run_options.h"

namespace vesk {

constexpr std::size_t kMaxPieceUnits = 65535;

// The size of one binary read; the buffer holds a read plus the unread rest
// of the longest piece.
constexpr std::size_t kReadBlockBytes = 256 * 1024;
constexpr std::size_t kReadBufferBytes = 2 * kReadBlockBytes;

// How the bytes of a stream are decoded, decided from the byte-order mark
// when reading starts.
enum class Decoding { CodePage, Utf8, Utf16Le, Utf16Be };

// Storage that bytes are read into. Lines handed out of it (see
// handOverLines) share it: it is read into again only once none of them is
// held any longer.
using ReadStorage = std::vector<char>;

// How a stream is decoded once its byte-order mark was looked at.
struct StreamDecoding {
  InputEncoding encoding = InputEncoding::CodePage;
  std::uint32_t codePage = 0;
  bool codePageIsUtf8 = false;
  Decoding decoding = Decoding::CodePage;
};

// Lines handed out of a reader's buffer, which they keep.
struct SharedLines {
  std::shared_ptr<ReadStorage> storage;
  char* lines = nullptr;
  std::size_t size = 0;
};

// True when code-page input in this code page is decoded as UTF-8 (65001,
// or the ANSI code page where that is UTF-8).
bool codePageReadsAsUtf8(std::uint32_t codePage);

class LineReader {
 public:
  // Prepares the reader for a new stream; the buffer is kept.
  void startReading(const ByteSource& source, InputEncoding encoding, std::uint32_t codePage);

  // Reads the next piece as bytes with the text-mode rules applied (CR LF
  // as LF, Ctrl-Z ends code-page input), ending after a line feed. In
  // code-page mode the piece holds at most 65,535 bytes, NUL bytes included;
  // in the Unicode modes it is the piece's bytes in the decided encoding.
  // The view stays valid until the next read. False at the end of the
  // stream. A line longer than the limit shows as a piece after which
  // pieceEndsMidLine() holds.
  bool readBytePiece(std::string_view& piece);

  // The last piece stopped at the length limit (before a character that
  // would not fit whole), and more of the line follows.
  bool pieceEndsMidLine() const { return state_.pieceEndsMidLine; }

  // Looks at the byte-order mark and decides the decoding, once per
  // stream; readBytePiece does it by itself when nobody did before.
  void startDecoding();
  Decoding decoding() const { return state_.decoding; }  // once decided

  // Turns the piece just read into lineText: its text up to the first NUL,
  // and the piece's line feed if it had one.
  void decodePiece(std::string_view piece, std::u16string& lineText) const;

  // Reads the next piece into lineText; false at the end of the stream or
  // on a read error (the lines read so far count normally; readFailed
  // tells which).
  bool readLinePiece(std::u16string& lineText);

  // True when the stream ended because the source reported an error.
  bool readFailed() const { return state_.readFailed; }

  // What reading the stream has cost so far: bytes the reader has taken
  // from its source and passed on (read, skipped or handed over), and the
  // time spent waiting for reads.
  std::uint64_t consumedBytes() const;
  std::chrono::nanoseconds readTime() const { return state_.readTime; }

  // --- Looking ahead, for callers that skip whole lines on their bytes ---

  // True when the next piece starts a line in an encoding whose line feed
  // is one byte: the unread bytes then begin with whole lines.
  bool atByteLineStart();

  // The unread bytes in the buffer; valid until the next read or skip.
  std::string_view bufferedBytes() const;

  // Reads one more block behind the unread bytes unless the source has
  // ended; the bytes of bufferedBytes move.
  void readAhead();

  // True when every byte of the source is in the buffer.
  bool sourceEnded() const { return state_.atEnd; }

  // Passes over the first `bytes` unread bytes, which must be whole lines
  // that readBytePiece would have delivered as one piece each.
  void skipBufferedLines(std::size_t bytes) { state_.begin += bytes; }

  // --- Reading whole lines of a stream elsewhere (another thread) ---

  StreamDecoding streamDecoding();

  // Hands the first `bytes` unread bytes (whole lines) over without copying
  // them. The reader goes on after them; it reads into another buffer while
  // the lines are held.
  SharedLines handOverLines(std::size_t bytes);

  // Reads lines[0, size), whole lines taken from a stream decoded as given,
  // as if they were all that is left of it, in place.
  void startReadingBlock(char* lines, std::size_t size, const StreamDecoding& decoding);

  // The reader's state, kept private; line_reader.cpp's functions work on it.
  struct State {
    ByteSource source;
    InputEncoding encoding = InputEncoding::CodePage;
    std::uint32_t codePage = 0;   // for InputEncoding::CodePage
    bool codePageIsUtf8 = false;  // decode code-page pieces with our own UTF-8 decoder
    Decoding decoding = Decoding::CodePage;
    std::shared_ptr<ReadStorage> buffer;  // large block buffer, reused from file to file
    // Buffers that lines were handed out of, to read into again once free.
    std::vector<std::shared_ptr<ReadStorage>> spareBuffers;
    char* data = nullptr;   // the bytes read: the buffer's, or a block's
    std::size_t begin = 0;  // unread bytes are data[begin, end)
    std::size_t end = 0;
    bool atEnd = false;       // no more bytes will be read from the source
    bool readFailed = false;  // the source reported an error: the stream ended early
    bool started = false;     // the byte-order mark has been looked at
    bool pieceEndsMidLine = false;
    std::uint64_t bytesRead = 0;  // from the source
    std::chrono::nanoseconds readTime{0};
  };

 private:
  State state_;
};

}  // namespace vesk
