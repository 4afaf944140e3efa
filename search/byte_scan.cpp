#include "search/byte_scan.h"

#include <algorithm>
#include <cstring>

#include "io/line_reader.h"

namespace vesk {

// Eight bytes at a time from the end, as lines are short and this runs over
// whole buffers.
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

// From each line start, the last line feed within a piece's reach ends a
// run of such lines.
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

}  // namespace vesk
