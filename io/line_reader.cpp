#include "io/line_reader.h"

#include <algorithm>
#include <cstring>

#include "base/utf8.h"
#include "platform/codepage.h"

namespace vesk {
namespace {

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

char* unread(LineReader::State& reader) {
  return reader.data + reader.begin;
}
const char* unread(const LineReader::State& reader) {
  return reader.data + reader.begin;
}
std::size_t unreadBytes(const LineReader::State& reader) {
  return reader.end - reader.begin;
}

// An odd byte at the end of a UTF-16 stream reads as U+FFFD.
void completeTrailingUnit(LineReader::State& reader) {
  if (!reader.atEnd || !isUtf16(reader.decoding) || unreadBytes(reader) % 2 == 0) return;
  const bool bigEndian = reader.decoding == Decoding::Utf16Be;
  reader.data[reader.end - 1] = static_cast<char>(bigEndian ? 0xFF : 0xFD);
  reader.data[reader.end] = static_cast<char>(bigEndian ? 0xFD : 0xFF);
  ++reader.end;
}

void markEnd(LineReader::State& reader) {
  reader.atEnd = true;
  completeTrailingUnit(reader);
}

platform::ReadResult readMore(LineReader::State& reader, char* into, std::size_t size) {
  ByteSource& source = reader.source;
  if (source.maxRead != 0) size = std::min(size, source.maxRead);
  if (!source.fromMemory) {
    if (source.beforeWaiting && platform::readMayWait(source.file)) source.beforeWaiting();
    const auto start = std::chrono::steady_clock::now();
    const platform::ReadResult got = platform::readFile(source.file, into, size);
    reader.readTime += std::chrono::steady_clock::now() - start;
    return got;
  }
  const std::size_t count = std::min(size, source.memory.size());
  std::memcpy(into, source.memory.data(), count);
  source.memory.remove_prefix(count);
  return platform::ReadResult{count, false};
}

// Text mode: a Ctrl-Z byte ends code-page input. Looks at data[from, end).
void endAtCtrlZ(LineReader::State& reader, std::size_t from) {
  const void* stop = std::memchr(reader.data + from, kCtrlZ, reader.end - from);
  if (stop == nullptr) return;
  reader.end = static_cast<std::size_t>(static_cast<const char*>(stop) - reader.data);
  markEnd(reader);
}

std::shared_ptr<ReadStorage> newBuffer() {
  return std::make_shared<ReadStorage>(kReadBufferBytes + kBufferSlack);
}

// Lines handed out of the buffer are still held: the unread bytes move to a
// buffer that nothing holds any more (or a new one), and the reader goes on
// there.
void moveToFreeBuffer(LineReader::State& reader) {
  std::vector<std::shared_ptr<ReadStorage>>& spares = reader.spareBuffers;
  const auto free = std::find_if(spares.begin(), spares.end(),
                                 [](const auto& spare) { return spare.use_count() == 1; });
  std::shared_ptr<ReadStorage> next;
  if (free != spares.end()) {
    next = std::move(*free);
    spares.erase(free);
  } else {
    next = newBuffer();
  }
  const std::size_t kept = unreadBytes(reader);
  std::memcpy(next->data(), unread(reader), kept);
  spares.push_back(std::move(reader.buffer));
  reader.buffer = std::move(next);
  reader.data = reader.buffer->data();
  reader.begin = 0;
  reader.end = kept;
}

// A regular file ends where a read comes back short once it has given what
// it held when opened: a read more would only say so (one system call a
// file, which a walk over thousands of small files feels). A file that grew
// meanwhile gives a full read instead and is read on.
bool endsAtShortRead(const LineReader::State& reader, std::size_t got, std::size_t requested) {
  const ByteSource& source = reader.source;
  if (source.fromMemory || !source.file.sizeAtOpen) return false;
  if (source.maxRead != 0) requested = std::min(requested, source.maxRead);
  return got < requested && reader.bytesRead >= *source.file.sizeAtOpen;
}

// Moves the unread bytes to the front and reads one block after them. A read
// error ends the stream like its end does, and is remembered.
void refill(LineReader::State& reader) {
  if (reader.atEnd) return;
  if (reader.buffer.use_count() > 1) {
    moveToFreeBuffer(reader);
  } else if (reader.begin != 0) {
    const std::size_t kept = unreadBytes(reader);
    std::memmove(reader.data, unread(reader), kept);
    reader.begin = 0;
    reader.end = kept;
  }
  char* fresh = reader.data + reader.end;
  const std::size_t requested = kReadBufferBytes - reader.end;
  const platform::ReadResult got = readMore(reader, fresh, requested);
  if (got.failed || got.bytes == 0) {
    reader.readFailed = got.failed;
    markEnd(reader);
    return;
  }
  reader.end += got.bytes;
  reader.bytesRead += got.bytes;
  if (reader.decoding == Decoding::CodePage) endAtCtrlZ(reader, reader.end - got.bytes);
  if (!reader.atEnd && endsAtShortRead(reader, got.bytes, requested)) markEnd(reader);
}

bool startsWith(const LineReader::State& reader, std::string_view mark) {
  return unreadBytes(reader) >= mark.size() &&
         std::memcmp(unread(reader), mark.data(), mark.size()) == 0;
}

Decoding defaultDecoding(InputEncoding encoding) {
  switch (encoding) {
    case InputEncoding::CodePage:
    case InputEncoding::CodePageUnlessMarked:
      return Decoding::CodePage;
    case InputEncoding::Utf8:
      return Decoding::Utf8;
    case InputEncoding::Unicode:
    case InputEncoding::Utf16Le:
      return Decoding::Utf16Le;
  }
  return Decoding::CodePage;
}

// In the Unicode modes a byte-order mark decides the encoding, whatever the
// mode's name says, and is not part of the text. Where the code page holds
// unless a mark says otherwise, Ctrl-Z ends the input only once no mark has.
void decideDecoding(LineReader::State& reader) {
  reader.started = true;
  reader.decoding = defaultDecoding(reader.encoding);
  if (reader.encoding == InputEncoding::CodePage) return;
  const bool codePageUnlessMarked = reader.encoding == InputEncoding::CodePageUnlessMarked;
  if (codePageUnlessMarked) reader.decoding = Decoding::Utf8;  // no Ctrl-Z while peeking
  while (unreadBytes(reader) < 3 && !reader.atEnd) refill(reader);
  if (codePageUnlessMarked && !startsWith(reader, "\xEF\xBB\xBF") &&
      !startsWith(reader, "\xFF\xFE") && !startsWith(reader, "\xFE\xFF")) {
    reader.decoding = Decoding::CodePage;
    endAtCtrlZ(reader, reader.begin);
    return;
  }
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
std::size_t findLineFeed(LineReader::State& reader, std::size_t from, std::size_t limit) {
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

void consume(LineReader::State& reader, std::size_t bytes, std::string_view& piece) {
  piece = std::string_view(unread(reader), bytes);
  reader.begin += bytes;
}

bool endsInCrLf(const LineReader::State& reader, std::size_t lineBytes) {
  const std::size_t unit = unitBytes(reader.decoding);
  if (lineBytes < 2 * unit) return false;
  const char* cr = unread(reader) + lineBytes - 2 * unit;
  return unit == 1 ? *cr == '\r' : unitAt(reader.decoding, cr) == u'\r';
}

// Takes a whole line (or the file's last bytes) as the piece. A CR before its
// final line feed is dropped by moving the line feed over it in the buffer.
void takeLine(LineReader::State& reader, std::size_t lineBytes, bool crLf,
              std::string_view& piece) {
  const std::size_t unit = unitBytes(reader.decoding);
  char* text = unread(reader);
  if (crLf) std::memcpy(text + lineBytes - 2 * unit, text + lineBytes - unit, unit);
  piece = std::string_view(text, lineBytes - (crLf ? unit : 0));
  reader.begin += lineBytes;
}

// UTF-8: the span holds more bytes than a piece may have units; cut it where
// the units run out, before a character that needs two units when only one
// is left. The CR of a final CR LF stands in for the line feed while
// counting, as both are one unit.
void takeUtf8Piece(LineReader::State& reader, std::size_t spanBytes, bool crLf,
                   std::string_view& piece) {
  const std::size_t countedBytes = spanBytes - (crLf ? 1 : 0);
  const Utf8Prefix prefix =
      utf8PrefixWithin(std::string_view(unread(reader), countedBytes), kMaxPieceUnits);
  if (prefix.bytes == countedBytes) {
    takeLine(reader, spanBytes, crLf, piece);
    return;
  }
  reader.pieceEndsMidLine = true;
  consume(reader, prefix.bytes, piece);
}

// Where a piece of code-page bytes may end at the latest, so that it never
// ends inside a character: before a UTF-8 sequence that would go on past the
// limit, or before the lead byte of a double-byte character whose second
// byte lies past it.
std::size_t codePagePieceEnd(const LineReader::State& reader, std::size_t limit) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(unread(reader));
  if (reader.codePageIsUtf8) {
    for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
      const unsigned char byte = bytes[limit - back];
      if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
      const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      return length > back ? limit - back : limit;
    }
    return limit;
  }
  std::size_t at = 0;
  while (at < limit) at += platform::ansiLeadByte(bytes[at]) ? 2 : 1;
  return at > limit ? limit - 1 : limit;
}

// UTF-16: a pair of surrogates stays in one piece.
std::size_t utf16PieceUnits(const LineReader::State& reader, std::size_t room) {
  const char* text = unread(reader);
  const char16_t last = unitAt(reader.decoding, text + 2 * (room - 1));
  const char16_t next = unitAt(reader.decoding, text + 2 * room);
  const bool pair = last >= 0xD800 && last <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF;
  return pair ? room - 1 : room;
}

// Decides the piece that starts at the unread bytes, given spanBytes of them
// that hold either a whole line (endsInLf) or as much as the limit allows.
void takePiece(LineReader::State& reader, std::size_t spanBytes, bool endsInLf,
               std::string_view& piece) {
  const bool crLf = endsInLf && endsInCrLf(reader, spanBytes);
  const std::size_t unit = unitBytes(reader.decoding);
  const std::size_t lineUnits = (spanBytes - (crLf ? unit : 0)) / unit;
  if (lineUnits <= kMaxPieceUnits) {
    takeLine(reader, spanBytes, crLf, piece);
    return;
  }
  if (reader.decoding == Decoding::Utf8) {
    takeUtf8Piece(reader, spanBytes, crLf, piece);
    return;
  }
  reader.pieceEndsMidLine = true;
  const std::size_t bytes = reader.decoding == Decoding::CodePage
                                ? codePagePieceEnd(reader, kMaxPieceUnits)
                                : utf16PieceUnits(reader, kMaxPieceUnits) * unit;
  consume(reader, bytes, piece);
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

bool codePageReadsAsUtf8(std::uint32_t codePage) {
  return codePage == platform::kUtf8CodePage ||
         (codePage == platform::kAnsiCodePage && platform::ansiCodePageIsUtf8());
}

void LineReader::startReading(const ByteSource& source, InputEncoding encoding,
                              std::uint32_t codePage) {
  State& reader = state_;
  reader.source = source;
  reader.encoding = encoding;
  reader.codePage = codePage;
  reader.codePageIsUtf8 = codePageReadsAsUtf8(codePage);
  reader.decoding = Decoding::CodePage;
  if (!reader.buffer || reader.buffer.use_count() > 1) reader.buffer = newBuffer();
  reader.data = reader.buffer->data();
  reader.begin = 0;
  reader.end = 0;
  reader.atEnd = false;
  reader.readFailed = false;
  reader.started = false;
  reader.pieceEndsMidLine = false;
  reader.bytesRead = 0;
  reader.readTime = {};
}

void LineReader::startDecoding() {
  State& reader = state_;
  if (!reader.started) decideDecoding(reader);
}

bool LineReader::readBytePiece(std::string_view& piece) {
  State& reader = state_;
  startDecoding();
  reader.pieceEndsMidLine = false;
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
      if (available == 0) return false;
      takePiece(reader, limit, false, piece);
      return true;
    }
    searched = limit;
    refill(reader);
  }
}

bool LineReader::atByteLineStart() {
  State& reader = state_;
  startDecoding();
  const bool byteOriented =
      reader.decoding == Decoding::CodePage || reader.decoding == Decoding::Utf8;
  return byteOriented && !reader.pieceEndsMidLine;
}

std::string_view LineReader::bufferedBytes() const {
  const State& reader = state_;
  return std::string_view(unread(reader), unreadBytes(reader));
}

void LineReader::readAhead() {
  refill(state_);
}

StreamDecoding LineReader::streamDecoding() {
  State& reader = state_;
  startDecoding();
  return StreamDecoding{.encoding = reader.encoding,
                        .codePage = reader.codePage,
                        .codePageIsUtf8 = reader.codePageIsUtf8,
                        .decoding = reader.decoding};
}

SharedLines LineReader::handOverLines(std::size_t bytes) {
  State& reader = state_;
  SharedLines handedOver{reader.buffer, unread(reader), bytes};
  reader.begin += bytes;
  return handedOver;
}

std::uint64_t LineReader::consumedBytes() const {
  const State& reader = state_;
  return reader.bytesRead - std::min<std::uint64_t>(reader.bytesRead, unreadBytes(reader));
}

void LineReader::startReadingBlock(char* lines, std::size_t size, const StreamDecoding& decoding) {
  State& reader = state_;
  reader.source = memorySource({});
  reader.encoding = decoding.encoding;
  reader.codePage = decoding.codePage;
  reader.codePageIsUtf8 = decoding.codePageIsUtf8;
  reader.decoding = decoding.decoding;
  reader.data = lines;
  reader.begin = 0;
  reader.end = size;
  reader.atEnd = true;
  reader.readFailed = false;
  reader.started = true;
  reader.pieceEndsMidLine = false;
}

// A NUL cuts the text of its line; the line still ends with its line feed.
void LineReader::decodePiece(std::string_view piece, std::u16string& lineText) const {
  const State& reader = state_;
  lineText.clear();
  std::string_view text = piece;
  bool cut = false;
  switch (reader.decoding) {
    case Decoding::CodePage:
    case Decoding::Utf8:
      text = upToNul(piece);
      cut = text.size() != piece.size();
      if (reader.decoding == Decoding::Utf8 || reader.codePageIsUtf8) {
        appendWideFromUtf8(text, lineText);
      } else {
        platform::appendWideFromMultiByte(text, reader.codePage, lineText);
      }
      if (cut && piece.ends_with('\n')) lineText += u'\n';
      return;
    case Decoding::Utf16Le:
    case Decoding::Utf16Be:
      appendUtf16Units(reader.decoding, piece, lineText);
      cut = lineText.size() * 2 < piece.size();
      if (cut && unitAt(reader.decoding, piece.data() + piece.size() - 2) == u'\n') {
        lineText += u'\n';
      }
      return;
  }
}

bool LineReader::readLinePiece(std::u16string& lineText) {
  std::string_view piece;
  if (!readBytePiece(piece)) return false;
  decodePiece(piece, lineText);
  return true;
}

}  // namespace vesk
