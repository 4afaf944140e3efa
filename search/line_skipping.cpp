#include "search/line_skipping.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/ascii.h"
#include "base/utf8.h"
#include "platform/codepage.h"
#include "search/byte_scan.h"

namespace vesk {
namespace {

// Bytes in rough order of how common they are in text and source code; a
// byte not listed is rarer than all of them. Bytes from 0x80 on are common in
// Japanese text, lead bytes most of all.
constexpr std::string_view kCommonBytes =
    " etaoinsrlcdhupm\n_fgybw.,;()*/"
    "=0123456789-\t\"'xvk>#<{}:[]TEASRINOCLDPMU!&|+%\\BFGHWYVKXJQZjqz";

int commonness(unsigned char byte) {
  if (byte >= 0xC0) return 1000;
  if (byte >= 0x80) return 500;
  const std::size_t rank = kCommonBytes.find(static_cast<char>(byte));
  return rank == kCommonBytes.npos ? 0 : static_cast<int>(kCommonBytes.size() - rank);
}

// The needle holds no character whose bytes the reader's text-mode rules
// change: a text with a line feed may stand in the raw bytes as CR LF, and a
// NUL cuts the text. U+FFFD may come from malformed bytes and surrogates from
// characters split at a piece's end. The longest stretch without them is
// still held by every match.
std::u16string longestSearchableRun(std::u16string_view text) {
  std::u16string_view best;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool breaks = i == text.size() || text[i] == u'\n' || text[i] == u'\0' ||
                        text[i] == u'\uFFFD' || (text[i] >= 0xD800 && text[i] <= 0xDFFF);
    if (!breaks) continue;
    if (i - start > best.size()) best = text.substr(start, i - start);
    start = i + 1;
  }
  return std::u16string(best);
}

// The text as the reader's bytes, when every line that holds the text holds
// them: UTF-8 decodes one way only; in the ANSI code page only characters
// without another spelling. UTF-16 pieces are not skipped.
std::optional<std::string> readerBytes(std::u16string_view text, const LineReader& reader) {
  const bool utf8 = reader.decoding == Decoding::Utf8 ||
                    (reader.decoding == Decoding::CodePage && reader.codePageIsUtf8);
  if (utf8) {
    std::string bytes;
    appendUtf8FromWide(text, bytes);
    return bytes;
  }
  if (reader.decoding != Decoding::CodePage) return std::nullopt;
  return platform::uniqueAnsiSpelling(text);
}

// How common a needle byte is as a place to search from; with folding both
// cases are searched for, so both count.
int searchCost(char byte, bool foldAsciiCase) {
  const int own = commonness(static_cast<unsigned char>(byte));
  if (!foldAsciiCase || asciiLower(byte) == asciiUpper(byte)) return own;
  return commonness(static_cast<unsigned char>(asciiLower(byte))) +
         commonness(static_cast<unsigned char>(asciiUpper(byte)));
}

// The index of the rarest byte but the one at `besides` (if any is left).
std::size_t rarestByte(const std::string& bytes, bool foldAsciiCase,
                       std::size_t besides = std::string::npos) {
  std::size_t best = besides == 0 && bytes.size() > 1 ? 1 : 0;
  for (std::size_t i = best + 1; i < bytes.size(); ++i) {
    if (i == besides) continue;
    if (searchCost(bytes[i], foldAsciiCase) < searchCost(bytes[best], foldAsciiCase)) best = i;
  }
  return best;
}

// Needles are short and candidates many: a plain loop beats a call to memcmp.
bool matchesAt(const ByteNeedle& needle, const char* text) {
  const std::string& bytes = needle.bytes;
  if (!needle.foldAsciiCase) return std::equal(bytes.begin(), bytes.end(), text);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (asciiLower(text[i]) != asciiLower(bytes[i])) return false;
  }
  return true;
}

bool decodesUtf8(const LineReader& reader) {
  return reader.decoding == Decoding::Utf8 ||
         (reader.decoding == Decoding::CodePage && reader.codePageIsUtf8);
}

// Where the needle's bytes stand in a line of UTF-8, the text stands, when
// the pattern is nothing but its text: UTF-8 decodes every sequence on its
// own, so bytes around the needle cannot change it. A CR the reader drops
// before a line feed could: such texts do not decide.
bool needleDecides(const SearchEntry& entry, const LineReader& reader) {
  const std::u16string_view text = regex::requiredText(entry.pattern);
  return regex::isLiteral(entry.pattern) && decodesUtf8(reader) &&
         longestSearchableRun(text) == text && text.find(u'\r') == text.npos;
}

std::optional<ByteNeedle> needleFor(const SearchEntry& entry, LineReader& reader) {
  const std::u16string text = longestSearchableRun(regex::requiredText(entry.pattern));
  if (text.empty()) return std::nullopt;
  startDecoding(reader);
  std::optional<std::string> bytes = readerBytes(text, reader);
  if (!bytes) return std::nullopt;
  ByteNeedle needle;
  needle.foldAsciiCase = entry.ignoreCase;
  needle.anchor = rarestByte(*bytes, needle.foldAsciiCase);
  needle.second = rarestByte(*bytes, needle.foldAsciiCase, needle.anchor);
  needle.bytes = std::move(*bytes);
  return needle;
}

}  // namespace

LineSkipping lineSkippingFor(const SearchEntryList& entries, LineReader& reader,
                             LineOutput lineOutput) {
  if (entries.empty()) return {};
  const SearchEntry& first = entries.front();
  if (!first.isReplace && !first.invert) {
    LineSkipping skipping{needleFor(first, reader)};
    skipping.needleDecides = skipping.needle && entries.size() == 1 && needleDecides(first, reader);
    return skipping;
  }
  // A lone entry leaves the lines without its text as they are.
  if (entries.size() != 1 || lineOutput == LineOutput::Other) return {};
  const bool copy = lineOutput == LineOutput::AsRead;
  return LineSkipping{needleFor(first, reader), copy, first.invert};
}

bool pieceHoldsNeedle(const ByteNeedle& needle, std::string_view piece) {
  return findNeedle(needle, piece.substr(0, piece.find('\0'))) != piece.npos;
}

namespace {

#if !defined(__SSE2__)
const char* findByte(const char* from, const char* end, char byte) {
  const void* hit = std::memchr(from, byte, static_cast<std::size_t>(end - from));
  return hit == nullptr ? end : static_cast<const char*>(hit);
}

// Finds the anchor byte (in either case when folding), then compares the
// whole needle around it.
std::size_t findNeedleByAnchor(const ByteNeedle& needle, std::string_view text) {
  const std::size_t size = needle.bytes.size();
  if (text.size() < size) return std::string_view::npos;
  const char* begin = text.data();
  const char* last =
      begin + (text.size() - size) + needle.anchor + 1;  // past the last anchor place
  const char anchor = needle.bytes[needle.anchor];
  const char lower = needle.foldAsciiCase ? asciiLower(anchor) : anchor;
  const char upper = needle.foldAsciiCase ? asciiUpper(anchor) : anchor;
  const char* nextLower = findByte(begin + needle.anchor, last, lower);
  const char* nextUpper = lower == upper ? last : findByte(begin + needle.anchor, last, upper);
  while (nextLower != last || nextUpper != last) {
    const char* at = std::min(nextLower, nextUpper);
    if (matchesAt(needle, at - needle.anchor))
      return static_cast<std::size_t>(at - needle.anchor - begin);
    if (at == nextLower) nextLower = findByte(at + 1, last, lower);
    if (at == nextUpper) nextUpper = findByte(at + 1, last, upper);
  }
  return std::string_view::npos;
}
#endif

#if defined(__SSE2__)
// Sixteen places at a time: where both the anchor and the second byte stand
// (in either case when folding), the whole needle is compared. Two bytes
// rule out far more places than one, and no call is made per place.
std::size_t findNeedleBySixteen(const ByteNeedle& needle, std::string_view text) {
  const std::string& bytes = needle.bytes;
  const auto spread = [&](std::size_t at, bool upper) {
    const char c = bytes[at];
    const char folded = !needle.foldAsciiCase ? c : upper ? asciiUpper(c) : asciiLower(c);
    return _mm_set1_epi8(folded);
  };
  const __m128i anchorLower = spread(needle.anchor, false);
  const __m128i anchorUpper = spread(needle.anchor, true);
  const __m128i secondLower = spread(needle.second, false);
  const __m128i secondUpper = spread(needle.second, true);
  const char* base = text.data();
  const std::size_t places = text.size() - bytes.size() + 1;  // where the needle may start
  std::size_t start = 0;
  for (; start + 16 <= places; start += 16) {
    const auto load = [&](std::size_t at) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + start + at));
    };
    const __m128i atAnchor = load(needle.anchor);
    const __m128i atSecond = load(needle.second);
    const __m128i both = _mm_and_si128(
        _mm_or_si128(_mm_cmpeq_epi8(atAnchor, anchorLower), _mm_cmpeq_epi8(atAnchor, anchorUpper)),
        _mm_or_si128(_mm_cmpeq_epi8(atSecond, secondLower), _mm_cmpeq_epi8(atSecond, secondUpper)));
    for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(both)); mask != 0;
         mask &= mask - 1) {
      const std::size_t at = start + static_cast<std::size_t>(__builtin_ctz(mask));
      if (matchesAt(needle, base + at)) return at;
    }
  }
  for (; start < places; ++start) {
    if (matchesAt(needle, base + start)) return start;
  }
  return std::string_view::npos;
}
#endif

}  // namespace

std::size_t findNeedle(const ByteNeedle& needle, std::string_view text) {
  if (text.size() < needle.bytes.size() || needle.bytes.empty()) return std::string_view::npos;
#if defined(__SSE2__)
  return findNeedleBySixteen(needle, text);
#else
  return findNeedleByAnchor(needle, text);
#endif
}

std::uint64_t skipPiecesWithout(LineReader& reader, const ByteNeedle& needle, bool plainOnly,
                                std::string_view& skippedBytes) {
  skippedBytes = {};
  if (!atByteLineStart(reader)) return 0;
  // One read at most, so that the skipped bytes stay where they are.
  if (bufferedBytes(reader).size() <= kMaxPieceUnits) readAhead(reader);
  const std::string_view text = bufferedBytes(reader);
  const std::size_t hit = findNeedle(needle, text);
  const std::size_t lastLineStart = lineStartBefore(text, text.size());
  // The lines before the one holding the hit; without a hit, every whole line.
  std::size_t stop = hit == text.npos ? lastLineStart : lineStartBefore(text, hit);
  stop = shortLinesEnd(text.substr(0, stop));
  if (plainOnly) stop = lineStartBefore(text, plainAsciiPrefix(text.substr(0, stop)));
  std::uint64_t skipped = countLineFeeds(text.substr(0, stop));
  // The stream's last line, without a line feed, is one piece of its own.
  const std::string_view lastLine = text.substr(lastLineStart);
  if (hit == text.npos && sourceEnded(reader) && stop == lastLineStart && !lastLine.empty() &&
      lastLine.size() <= kMaxPieceUnits &&
      (!plainOnly || plainAsciiPrefix(lastLine) == lastLine.size())) {
    stop = text.size();
    ++skipped;
  }
  skippedBytes = text.substr(0, stop);
  skipBufferedLines(reader, stop);
  return skipped;
}

}  // namespace vesk
