// Skipping lines before they are decoded or matched, when their bytes show
// what the entries would make of them. The first entry's matches all hold
// some text; a line whose bytes lack it is:
// - with a search entry first: neither written nor counted, whatever the
//   later entries say;
// - with a lone inverted search entry: selected as it is, a hit;
// - with a lone replace entry: unchanged, not a hit.
// Lines that are written are copied out as they were read, which only holds
// when lines are written without prefixes to redirected output and are
// plain ASCII. Line numbers still count every piece the reader would have
// delivered.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/line_reader.h"
#include "model/search_entry.h"
#include "output/search_sink.h"

namespace vesk {

// The bytes that may stand at one place of a needle, also as ranges.
struct ByteClass {
  std::array<std::uint64_t, 4> members{};                       // a bit per byte value
  std::vector<std::pair<unsigned char, unsigned char>> ranges;  // sorted, apart

  bool has(unsigned char byte) const { return (members[byte >> 6] >> (byte & 63)) & 1; }
};

ByteClass byteClassOf(std::string_view bytes);

// Bytes that every line a match stands in holds side by side, a class of
// bytes for each place: the required text or sets of the first entry in the
// reader's encoding.
struct ByteNeedle {
  std::vector<ByteClass> classes;
  std::size_t anchor = 0;  // index of the rarest class, searched for first
  std::size_t second = 0;  // indices of the next rarest, looked at with it
  std::size_t third = 0;   // (the same index again in shorter needles)
  // The anchor is one byte, not among the commonest in text, that memchr
  // looks for first.
  bool anchorByByte = false;
};

// A needle of the given bytes, ASCII letters in either case when folding.
ByteNeedle byteNeedleOf(std::string_view bytes, bool foldAsciiCase);

struct LineSkipping {
  std::optional<ByteNeedle> needle;  // none: every line goes through the entries
  bool copyUnchanged = false;        // skipped lines are written out as they were read
  bool skippedAreHits = false;       // skipped lines count as hits
  // A lone literal search over UTF-8: a line whose bytes hold the needle is
  // a hit and stays as it is, without the engine.
  bool needleDecides = false;
  // needleDecides and lines are not written: the lines holding the needle
  // are counted where they are found.
  bool countsFound = false;
  // UTF-8 in and redirected UTF-8 out: a line that goes out unchanged is
  // written as it was read when its bytes are valid UTF-8.
  bool utf8AsRead = false;
  // The first entry searches: a line that lacks any of these cannot be
  // selected, and is passed over like a skipped one.
  std::vector<ByteNeedle> alsoRequired;
  // Skipped lines are counted: line numbers are shown, or may be named in a
  // message about a line, or skipped lines are hits. A lone literal search
  // needs none of that and spends no time counting.
  bool countsLines = true;
  // Selected lines are written (not in the count, list and quiet modes);
  // asked of the printer once, not at every line.
  bool writesLines = true;
};

// What may be skipped for the entry list in input decoded as given.
LineSkipping lineSkippingFor(const SearchEntryList& entries, const StreamDecoding& stream,
                             LineOutput lineOutput);

// True when the needle stands in the piece's text, which ends at a NUL.
bool pieceHoldsNeedle(const ByteNeedle& needle, std::string_view piece);

// False when the piece lacks a text the first entry needs in every match.
bool pieceMaySelect(const LineSkipping& skipping, std::string_view piece);

// The offset of the needle's first occurrence in text, or npos.
std::size_t findNeedle(const ByteNeedle& needle, std::string_view text);

// Skips whole pieces ahead that cannot hold the needle, exactly as the
// reader would have delivered them, and returns how many (0 unless
// countLines); their bytes are in
// skippedBytes until the next read. It stops before the line that may hold
// the needle, before a line that could be longer than a piece (the reader
// splits those), with plainOnly before a line that is not plain ASCII without
// CR and NUL, and at the end of what one read brings. Only line starts in
// byte-oriented encodings are skipped from.
std::uint64_t skipPiecesWithout(LineReader& reader, const ByteNeedle& needle, bool plainOnly,
                                bool countLines, std::string_view& skippedBytes);

// Where skipPiecesWithout stops before a line holding the needle, this goes
// on: such a line, when it is one piece whose text holds the needle before
// any NUL, is skipped too and counted as a hit. It stops where that cannot be
// told from the bytes at hand, leaving the line to be read. Lines are
// counted only with countLines; hits always.
struct SkippedLines {
  std::uint64_t lines = 0;
  std::uint64_t hits = 0;
};
SkippedLines skipPiecesCountingHits(LineReader& reader, const ByteNeedle& needle, bool countLines);

}  // namespace vesk
