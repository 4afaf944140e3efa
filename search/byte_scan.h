// Scans over whole read buffers of raw bytes, for skipping lines without
// decoding them. Written for speed: each is a few bytes of work per byte at
// most and vectorises or works a word at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vesk {

// The offset of the last line feed in text[0, end) plus one, or 0: where the
// line that holds text's end begins.
std::size_t lineStartBefore(std::string_view text, std::size_t end);

std::uint64_t countLineFeeds(std::string_view text);

// The length of text's longest prefix of ASCII without CR or NUL: bytes that
// read and write back unchanged in every code page and text mode.
std::size_t plainAsciiPrefix(std::string_view text);

// How far from the start text consists of whole lines that are one piece
// each: at most 65,535 bytes with their line feed (65,535 bytes and a line
// feed are two pieces).
std::size_t shortLinesEnd(std::string_view text);

}  // namespace vesk
