// Feeds bytes through the line reader in every reading mode, with reads of a
// chosen size, and holds the pieces against a plain model of the text-mode
// rules: decode everything, drop the CR of each CR LF, cut after line feeds
// and at the unit limit, cut each piece's text at its first NUL.
//
// Input layout: byte 0 picks the mode, the read size and a filler; byte 1 may
// put a run of the filler, about as long as the piece limit, after the first
// 0-3 payload bytes (so a byte-order mark can still come first), so that
// short inputs reach the limit; the rest is the payload.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "io/line_reader.h"
#include "platform/codepage.h"

namespace vesk {
namespace {

using Lines = std::vector<std::u16string>;

// The model and the input builder are not what is being explored: they are
// left out of the coverage feedback, which also keeps each run fast.

void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "line reader fuzz: %s\n", what);
  std::abort();
}

constexpr InputEncoding kModes[] = {InputEncoding::CodePage, InputEncoding::Unicode,
                                    InputEncoding::Utf8, InputEncoding::Utf16Le};
// Reads of every size for short inputs; inputs with filler text get larger
// reads, which keeps each run fast while block boundaries still fall anywhere.
constexpr std::size_t kReadSizes[] = {0, 1, 2, 3, 5, 64, 4096, 65537};
constexpr std::size_t kFilledReadSizes[] = {0, 61, 509, 4093, 65535, 65537, 131071, 262147};

// Where a piece cut at the limit ends instead, so that no character is
// split: before a surrogate pair's second half in UTF-16 units, before a
// UTF-8 sequence (by its lead byte, within three bytes back) that would go on.
[[clang::no_sanitize("coverage")]] std::size_t characterEnd(const std::u16string& text,
                                                            std::size_t end) {
  const bool pair = text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF && end < text.size() &&
                    text[end] >= 0xDC00 && text[end] <= 0xDFFF;
  return pair ? end - 1 : end;
}
[[clang::no_sanitize("coverage")]] std::size_t characterEnd(const std::string& text,
                                                            std::size_t end) {
  for (std::size_t back = 1; back <= 3; ++back) {
    const auto byte = static_cast<unsigned char>(text[end - back]);
    if (byte >= 0x80 && byte < 0xC0) continue;
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? end - back : end;
  }
  return end;
}

// Splits units into pieces the way the reader must: after each line feed and
// at the limit; each piece keeps its text up to its first NUL, and its line
// feed.
template <typename Unit>
[[clang::no_sanitize("coverage")]] std::vector<std::basic_string<Unit>> splitPieces(
    const std::basic_string<Unit>& text) {
  std::vector<std::basic_string<Unit>> pieces;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t lineFeed = text.find(Unit('\n'), at);
    const std::size_t lineEnd = lineFeed == text.npos ? text.size() : lineFeed + 1;
    const std::size_t end =
        lineEnd - at <= kMaxPieceUnits ? lineEnd : characterEnd(text, at + kMaxPieceUnits);
    const std::basic_string_view<Unit> piece(text.data() + at, end - at);
    const std::size_t nul = piece.find(Unit(0));
    pieces.emplace_back(piece.substr(0, nul));
    if (nul != piece.npos && piece.back() == Unit('\n')) pieces.back() += Unit('\n');
    at = end;
  }
  return pieces;
}

template <typename Unit>
[[clang::no_sanitize("coverage")]] std::basic_string<Unit> withoutCrBeforeLf(
    const std::basic_string<Unit>& text) {
  const Unit crLf[] = {Unit('\r'), Unit('\n')};
  std::basic_string<Unit> out;
  std::size_t at = 0;
  for (std::size_t found; (found = text.find(crLf, at, 2)) != text.npos; at = found + 1) {
    out.append(text, at, found - at);
  }
  out.append(text, at);
  return out;
}

[[clang::no_sanitize("coverage")]] Lines modelCodePage(std::string_view bytes) {
  const std::string text = withoutCrBeforeLf(std::string(bytes.substr(0, bytes.find('\x1A'))));
  Lines lines;
  for (const std::string& piece : splitPieces(text)) {
    lines.emplace_back();
    appendWideFromUtf8(piece, lines.back());
  }
  return lines;
}

[[clang::no_sanitize("coverage")]] std::u16string utf16Units(std::string_view bytes,
                                                             bool bigEndian) {
  std::u16string units((bytes.size() + 1) / 2, u'\uFFFD');  // an odd last byte stays U+FFFD
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    units[at / 2] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return units;
}

[[clang::no_sanitize("coverage")]] Lines modelUnicode(std::string_view bytes, InputEncoding mode) {
  std::u16string units;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    appendWideFromUtf8(bytes.substr(3), units);
  } else if (bytes.starts_with("\xFF\xFE")) {
    units = utf16Units(bytes.substr(2), false);
  } else if (bytes.starts_with("\xFE\xFF")) {
    units = utf16Units(bytes.substr(2), true);
  } else if (mode == InputEncoding::Utf8) {
    appendWideFromUtf8(bytes, units);
  } else {
    units = utf16Units(bytes, false);
  }
  return splitPieces(withoutCrBeforeLf(units));
}

Lines readerLines(std::string_view bytes, InputEncoding mode, std::size_t readSize) {
  LineReader reader;
  reader.startReading(memorySource(bytes, readSize), mode, platform::kUtf8CodePage);
  Lines lines;
  std::u16string lineText;
  std::string_view piece;
  bool previousEndedMidLine = false;
  while (reader.readBytePiece(piece)) {
    if (mode == InputEncoding::CodePage) {
      check(piece.size() <= kMaxPieceUnits, "byte piece too long");
      // A cut piece is full, has no line feed, and more of its line follows.
      if (reader.pieceEndsMidLine()) {
        check(piece.size() + 3 >= kMaxPieceUnits && piece.back() != '\n', "cut piece not full");
      } else {
        const bool inputDone = reader.sourceEnded() && reader.bufferedBytes().empty();
        check(piece.size() < kMaxPieceUnits || piece.back() == '\n' || inputDone,
              "full piece without line feed not marked as cut");
      }
    }
    previousEndedMidLine = reader.pieceEndsMidLine();
    reader.decodePiece(piece, lineText);
    check(lineText.size() <= kMaxPieceUnits, "piece too long");
    lines.push_back(lineText);
  }
  check(!previousEndedMidLine, "the last piece was marked as cut");
  std::u16string afterEnd;
  check(!reader.readLinePiece(afterEnd), "a piece after the end");
  return lines;
}

bool wantsFiller(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && (data[1] & 0xC0) == 0xC0;
}

[[clang::no_sanitize("coverage")]] std::string inputFrom(const std::uint8_t* data,
                                                         std::size_t size) {
  std::string_view payload(reinterpret_cast<const char*>(data), size);
  payload.remove_prefix(std::min<std::size_t>(2, size));
  if (!wantsFiller(data, size)) return std::string(payload);
  const std::size_t headBytes = std::min<std::size_t>((data[1] >> 4) & 3, payload.size());
  const std::size_t count = kMaxPieceUnits - 8 + (data[1] & 15);
  static constexpr std::string_view kFillers[] = {"a", "\xE3\x81\x82", std::string_view("a\0", 2),
                                                  "\xF0\x9F\x98\x80"};
  const std::string_view filler = kFillers[data[0] >> 6];
  std::string input(payload.substr(0, headBytes));
  for (std::size_t i = 0; i < count; ++i) input += filler;
  input += payload.substr(headBytes);
  return input;
}

}  // namespace
}  // namespace vesk

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  const InputEncoding mode = kModes[data[0] & 3];
  const std::size_t readSize =
      (wantsFiller(data, size) ? kFilledReadSizes : kReadSizes)[(data[0] >> 2) & 7];
  const std::string input = inputFrom(data, size);
  const Lines expected =
      mode == InputEncoding::CodePage ? modelCodePage(input) : modelUnicode(input, mode);
  check(readerLines(input, mode, readSize) == expected, "pieces differ from the model");
  return 0;
}
