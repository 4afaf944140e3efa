#include "process/line_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/utf8.h"
#include "process/line_skipping.h"

namespace vesk {
namespace {

using Decoding = LineReader::Decoding;

constexpr char kCtrlZ = 0x1A;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Room after the buffer for the two bytes of U+FFFD that stand in for an odd
// trailing byte of a UTF-16 stream.
constexpr std::size_t kBufferSlack = 8;

bool isUtf16(Decoding decoding) {
  return decoding == Decoding::Utf16Le || decoding == Decoding::Utf16Be;
}

std::size_t unitBytes(Decoding decoding) {
  return isUtf16(decoding) ? 2 : 1;
}

// How many unread bytes settle where the current piece ends: either a line
// feed within them, or enough text to fill a piece. A UTF-8 unit takes at
// most three bytes, plus one whole character that may straddle the limit.
std::size_t windowBytes(Decoding decoding) {
  switch (decoding) {
    case Decoding::CodePage:
      return kMaxPieceUnits + 1;
    case Decoding::Utf8:
      return 3 * (kMaxPieceUnits + 1) + 4;
    case Decoding::Utf16Le:
    case Decoding::Utf16Be:
      return 2 * (kMaxPieceUnits + 1);
  }
  return kMaxPieceUnits + 1;
}

char16_t unitAt(Decoding decoding, const char* bytes) {
  const auto first = static_cast<unsigned char>(bytes[0]);
  const auto second = static_cast<unsigned char>(bytes[1]);
  return decoding == Decoding::Utf16Be ? static_cast<char16_t>(first << 8 | second)
                                       : static_cast<char16_t>(second << 8 | first);
}

char* unread(LineReader& reader) {
  return reader.buffer.data() + reader.begin;
}
std::size_t unreadBytes(const LineReader& reader) {
  return reader.end - reader.begin;
}

// An odd byte at the end of a UTF-16 stream reads as U+FFFD.
void completeTrailingUnit(LineReader& reader) {
  if (!reader.atEnd || !isUtf16(reader.decoding) || unreadBytes(reader) % 2 == 0) return;
  const bool bigEndian = reader.decoding == Decoding::Utf16Be;
  reader.buffer[reader.end - 1] = static_cast<char>(bigEndian ? 0xFF : 0xFD);
  reader.buffer[reader.end] = static_cast<char>(bigEndian ? 0xFD : 0xFF);
  ++reader.end;
}

void markEnd(LineReader& reader) {
  reader.atEnd = true;
  completeTrailingUnit(reader);
}

std::ptrdiff_t readMore(LineReader& reader, char* into, std::size_t size) {
  if (reader.readSizeLimit != 0) size = std::min(size, reader.readSizeLimit);
  if (!reader.fromMemory) return platform::readInputFile(reader.file, into, size);
  const std::size_t count = std::min(size, reader.memoryInput.size());
  std::memcpy(into, reader.memoryInput.data(), count);
  reader.memoryInput.remove_prefix(count);
  return static_cast<std::ptrdiff_t>(count);
}

// Moves the unread bytes to the front and reads one block after them. A read
// error ends the stream like its end does.
void refill(LineReader& reader) {
  if (reader.atEnd) return;
  const std::size_t kept = unreadBytes(reader);
  if (reader.begin != 0) {
    std::memmove(reader.buffer.data(), unread(reader), kept);
    reader.begin = 0;
    reader.end = kept;
  }
  char* fresh = reader.buffer.data() + reader.end;
  const std::ptrdiff_t got = readMore(reader, fresh, kReadBufferBytes - reader.end);
  if (got <= 0) {
    markEnd(reader);
    return;
  }
  reader.end += static_cast<std::size_t>(got);
  if (reader.decoding != Decoding::CodePage) return;
  // Text mode: a Ctrl-Z byte ends code-page input.
  if (const void* stop = std::memchr(fresh, kCtrlZ, static_cast<std::size_t>(got))) {
    reader.end = static_cast<std::size_t>(static_cast<const char*>(stop) - reader.buffer.data());
    markEnd(reader);
  }
}

bool startsWith(const LineReader& reader, std::string_view mark) {
  return unreadBytes(reader) >= mark.size() &&
         std::memcmp(reader.buffer.data() + reader.begin, mark.data(), mark.size()) == 0;
}

Decoding defaultDecoding(ReadingMode mode) {
  switch (mode) {
    case ReadingMode::CodePage:
      return Decoding::CodePage;
    case ReadingMode::Utf8:
      return Decoding::Utf8;
    case ReadingMode::Unicode:
    case ReadingMode::Utf16Le:
      return Decoding::Utf16Le;
  }
  return Decoding::CodePage;
}

// In the Unicode modes a byte-order mark decides the encoding, whatever the
// mode's name says, and is not part of the text.
void decideDecoding(LineReader& reader) {
  reader.started = true;
  reader.decoding = defaultDecoding(reader.mode);
  if (reader.mode == ReadingMode::CodePage) return;
  while (unreadBytes(reader) < 3 && !reader.atEnd) refill(reader);
  struct Mark {
    std::string_view bytes;
    Decoding decoding;
  };
  static constexpr Mark kMarks[] = {{"\xEF\xBB\xBF", Decoding::Utf8},
                                    {"\xFF\xFE", Decoding::Utf16Le},
                                    {"\xFE\xFF", Decoding::Utf16Be}};
  for (const Mark& mark : kMarks) {
    if (startsWith(reader, mark.bytes)) {
      reader.decoding = mark.decoding;
      reader.begin += mark.bytes.size();
      break;
    }
  }
  completeTrailingUnit(reader);
}

// Offset just past the first line feed among the unread bytes [from, limit),
// or kNotFound. For UTF-16 both offsets are even and the line feed must be a
// whole unit.
std::size_t findLineFeed(LineReader& reader, std::size_t from, std::size_t limit) {
  const char* text = unread(reader);
  const std::size_t lowByte = reader.decoding == Decoding::Utf16Be ? 1 : 0;
  for (std::size_t at = from; at < limit;) {
    const void* hit = std::memchr(text + at, '\n', limit - at);
    if (hit == nullptr) return kNotFound;
    const auto found = static_cast<std::size_t>(static_cast<const char*>(hit) - text);
    if (!isUtf16(reader.decoding)) return found + 1;
    const std::size_t unitStart = found - found % 2;
    if (found % 2 == lowByte && text[unitStart + 1 - lowByte] == 0) return unitStart + 2;
    at = found + 1;
  }
  return kNotFound;
}

// The offset of the last line feed in text plus one, or 0: where the line
// that holds text's end begins. Eight bytes at a time from the end, as lines
// are short and this runs over whole buffers.
std::size_t lineStartBefore(std::string_view text, std::size_t end) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  constexpr std::uint64_t kLineFeeds = kOnes * '\n';
  std::size_t at = end;
  while (at >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at - 8, 8);
    const std::uint64_t x = word ^ kLineFeeds;
    if (((x - kOnes) & ~x & kHighs) != 0) break;  // some byte of the word is a line feed
    at -= 8;
  }
  while (at > 0 && text[at - 1] != '\n') --at;
  return at;
}

// Counts in blocks with one byte-sized counter per lane, which compilers
// turn into wide compares and adds; std::count widens every byte to a
// 64-bit sum and runs several times slower over whole buffers.
std::uint64_t countLineFeeds(std::string_view text) {
  constexpr std::size_t kLanes = 32;
  constexpr std::size_t kRounds = 255;  // a byte counter holds at most 255
  std::uint64_t total = 0;
  const char* p = text.data();
  std::size_t left = text.size();
  while (left >= kLanes) {
    std::uint8_t lanes[kLanes] = {};
    const std::size_t rounds = std::min(kRounds, left / kLanes);
    for (std::size_t r = 0; r < rounds; ++r, p += kLanes) {
      for (std::size_t lane = 0; lane < kLanes; ++lane) lanes[lane] += p[lane] == '\n';
    }
    left -= rounds * kLanes;
    for (std::uint8_t count : lanes) total += count;
  }
  for (; left > 0; --left) total += *p++ == '\n';
  return total;
}

// The length of text's longest prefix of ASCII without CR or NUL: bytes
// that read and write back unchanged in every code page and text mode.
std::size_t plainAsciiPrefix(std::string_view text) {
  const auto notPlain = [](unsigned char byte) {
    return static_cast<unsigned char>((byte >> 7) | (byte == '\r') | (byte == 0));
  };
  constexpr std::size_t kBlock = 64;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t at = 0;
  // Whole blocks first, an OR over each with no early exit, so it vectorises.
  while (at + kBlock <= text.size()) {
    unsigned char seen = 0;
    for (std::size_t i = 0; i < kBlock; ++i) seen |= notPlain(bytes[at + i]);
    if (seen != 0) break;
    at += kBlock;
  }
  while (at < text.size() && notPlain(bytes[at]) == 0) ++at;
  return at;
}

// How far from the start text consists of whole lines that are one piece
// each: at most 65,535 bytes with their line feed (65,535 bytes and a line
// feed are two pieces). From each line start, the last line feed within that
// reach ends a run of such lines.
std::size_t shortLinesEnd(std::string_view text) {
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    const std::size_t reach = std::min(text.size() - lineStart, kMaxPieceUnits);
    const std::size_t next = lineStartBefore(text.substr(lineStart, reach), reach);
    if (next == 0) return lineStart;
    lineStart += next;
  }
  return lineStart;
}

void consume(LineReader& reader, std::size_t bytes, std::string_view& piece) {
  piece = std::string_view(unread(reader), bytes);
  reader.begin += bytes;
}

bool endsInCrLf(const LineReader& reader, std::size_t lineBytes) {
  const std::size_t unit = unitBytes(reader.decoding);
  if (lineBytes < 2 * unit) return false;
  const char* cr = reader.buffer.data() + reader.begin + lineBytes - 2 * unit;
  return unit == 1 ? *cr == '\r' : unitAt(reader.decoding, cr) == u'\r';
}

// Takes a whole line (or the file's last bytes) as the piece. A CR before its
// final line feed is dropped by moving the line feed over it in the buffer.
void takeLine(LineReader& reader, std::size_t lineBytes, bool crLf, std::string_view& piece) {
  const std::size_t unit = unitBytes(reader.decoding);
  char* text = unread(reader);
  if (crLf) std::memcpy(text + lineBytes - 2 * unit, text + lineBytes - unit, unit);
  piece = std::string_view(text, lineBytes - (crLf ? unit : 0));
  reader.begin += lineBytes;
}

// UTF-8: the span holds more bytes than a piece may have units; cut it where
// the units run out. The CR of a final CR LF stands in for the line feed
// while counting, as both are one unit.
void takeUtf8Piece(LineReader& reader, std::size_t spanBytes, bool crLf, std::string_view& piece) {
  const std::size_t room = kMaxPieceUnits - (reader.leadingUnit != 0 ? 1 : 0);
  const std::size_t countedBytes = spanBytes - (crLf ? 1 : 0);
  const platform::Utf8Prefix prefix =
      platform::utf8PrefixWithin(std::string_view(unread(reader), countedBytes), room);
  if (prefix.bytes == countedBytes) {
    takeLine(reader, spanBytes, crLf, piece);
    return;
  }
  reader.pieceEndsMidLine = true;
  if (prefix.units == room) {
    consume(reader, prefix.bytes, piece);
    return;
  }
  // The next character needs two units and one is left: it ends this piece
  // with its first unit and opens the next one with its second.
  std::u16string pair;
  platform::appendWideFromUtf8(std::string_view(unread(reader) + prefix.bytes, 4), pair);
  reader.pieceSplitsCharacter = true;
  reader.nextLeadingUnit = pair[1];
  consume(reader, prefix.bytes + 4, piece);
}

// Decides the piece that starts at the unread bytes, given spanBytes of them
// that hold either a whole line (endsInLf) or as much as the limit allows.
void takePiece(LineReader& reader, std::size_t spanBytes, bool endsInLf, std::string_view& piece) {
  const bool crLf = endsInLf && endsInCrLf(reader, spanBytes);
  const std::size_t unit = unitBytes(reader.decoding);
  const std::size_t lineUnits = (spanBytes - (crLf ? unit : 0)) / unit;
  const std::size_t room = kMaxPieceUnits - (reader.leadingUnit != 0 ? 1 : 0);
  if (lineUnits <= room) {
    takeLine(reader, spanBytes, crLf, piece);
  } else if (reader.decoding == Decoding::Utf8) {
    takeUtf8Piece(reader, spanBytes, crLf, piece);
  } else {
    reader.pieceEndsMidLine = true;
    consume(reader, room * unit, piece);
  }
}

void appendUtf16Units(Decoding decoding, std::string_view bytes, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size() / 2);
  char16_t* dst = out.data() + start;
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const char16_t unit = unitAt(decoding, bytes.data() + at);
    if (unit == 0) break;
    *dst++ = unit;
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

std::string_view upToNul(std::string_view bytes) {
  const void* nul = std::memchr(bytes.data(), 0, bytes.size());
  if (nul == nullptr) return bytes;
  return bytes.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()));
}

}  // namespace

ReadingMode readingModeFor(bool encodingGiven, std::u16string_view encodingName) {
  if (!encodingGiven) return ReadingMode::CodePage;
  if (encodingName == u"UTF-8") return ReadingMode::Utf8;
  if (encodingName == u"UTF-16LE") return ReadingMode::Utf16Le;
  return ReadingMode::Unicode;
}

void startReading(LineReader& reader, platform::InputFile file, ReadingMode mode,
                  std::uint32_t codePage) {
  reader.file = file;
  reader.mode = mode;
  reader.codePage = codePage;
  reader.codePageIsUtf8 = codePage == platform::kUtf8CodePage ||
                          (codePage == platform::kAnsiCodePage && platform::ansiCodePageIsUtf8());
  reader.decoding = Decoding::CodePage;
  reader.buffer.resize(kReadBufferBytes + kBufferSlack);
  reader.begin = 0;
  reader.end = 0;
  reader.atEnd = false;
  reader.started = false;
  reader.pieceEndsMidLine = false;
  reader.leadingUnit = 0;
  reader.pieceSplitsCharacter = false;
  reader.nextLeadingUnit = 0;
  reader.fromMemory = false;
  reader.memoryInput = {};
}

void startReadingMemory(LineReader& reader, std::string_view bytes, ReadingMode mode,
                        std::uint32_t codePage, std::size_t readSizeLimit) {
  startReading(reader, platform::InputFile{}, mode, codePage);
  reader.fromMemory = true;
  reader.memoryInput = bytes;
  reader.readSizeLimit = readSizeLimit;
}

void startDecoding(LineReader& reader) {
  if (!reader.started) decideDecoding(reader);
}

bool readBytePiece(LineReader& reader, std::string_view& piece) {
  startDecoding(reader);
  reader.pieceEndsMidLine = false;
  reader.pieceSplitsCharacter = false;
  reader.leadingUnit = reader.nextLeadingUnit;
  reader.nextLeadingUnit = 0;
  const std::size_t window = windowBytes(reader.decoding);
  const std::size_t unit = unitBytes(reader.decoding);
  std::size_t searched = 0;  // unread bytes known to hold no line feed
  for (;;) {
    const std::size_t available = unreadBytes(reader);
    const std::size_t limit = std::min(available, window) / unit * unit;
    const std::size_t lineEnd = findLineFeed(reader, searched, limit);
    if (lineEnd != kNotFound) {
      takePiece(reader, lineEnd, true, piece);
      return true;
    }
    if (available >= window || reader.atEnd) {
      if (available == 0 && reader.leadingUnit == 0) return false;
      takePiece(reader, limit, false, piece);
      return true;
    }
    searched = limit;
    refill(reader);
  }
}

std::uint64_t skipPiecesWithout(LineReader& reader, const ByteNeedle& needle, bool plainOnly,
                                std::string_view& skippedBytes) {
  skippedBytes = {};
  startDecoding(reader);
  const bool byteOriented =
      reader.decoding == Decoding::CodePage || reader.decoding == Decoding::Utf8;
  if (!byteOriented || reader.pieceEndsMidLine || reader.nextLeadingUnit != 0) return 0;
  // One read at most, so that the skipped bytes stay where they are.
  if (unreadBytes(reader) <= kMaxPieceUnits) refill(reader);
  const std::string_view text(unread(reader), unreadBytes(reader));
  const std::size_t hit = findNeedle(needle, text);
  const std::size_t lastLineStart = lineStartBefore(text, text.size());
  // The lines before the one holding the hit; without a hit, every whole line.
  std::size_t stop = hit == text.npos ? lastLineStart : lineStartBefore(text, hit);
  stop = shortLinesEnd(text.substr(0, stop));
  if (plainOnly) stop = lineStartBefore(text, plainAsciiPrefix(text.substr(0, stop)));
  std::uint64_t skipped = countLineFeeds(text.substr(0, stop));
  // The stream's last line, without a line feed, is one piece of its own.
  const std::string_view lastLine = text.substr(lastLineStart);
  if (hit == text.npos && reader.atEnd && stop == lastLineStart && !lastLine.empty() &&
      lastLine.size() <= kMaxPieceUnits &&
      (!plainOnly || plainAsciiPrefix(lastLine) == lastLine.size())) {
    stop = text.size();
    ++skipped;
  }
  skippedBytes = text.substr(0, stop);
  reader.begin += stop;
  return skipped;
}

void decodePiece(const LineReader& reader, std::string_view piece, std::u16string& lineText) {
  lineText.clear();
  switch (reader.decoding) {
    case Decoding::CodePage:
      if (reader.codePageIsUtf8) {
        platform::appendWideFromUtf8(upToNul(piece), lineText);
      } else {
        platform::appendWideFromMultiByte(upToNul(piece), reader.codePage, lineText);
      }
      return;
    case Decoding::Utf8: {
      if (reader.leadingUnit != 0) lineText.push_back(reader.leadingUnit);
      const std::string_view text = upToNul(piece);
      platform::appendWideFromUtf8(text, lineText);
      // The second unit of a split character belongs to the next piece.
      if (reader.pieceSplitsCharacter && text.size() == piece.size()) lineText.pop_back();
      return;
    }
    case Decoding::Utf16Le:
    case Decoding::Utf16Be:
      appendUtf16Units(reader.decoding, piece, lineText);
      return;
  }
}

bool readLinePiece(LineReader& reader, std::u16string& lineText) {
  std::string_view piece;
  if (!readBytePiece(reader, piece)) return false;
  decodePiece(reader, piece, lineText);
  return true;
}

}  // namespace vesk
