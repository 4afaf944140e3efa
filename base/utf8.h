// UTF-8 <-> UTF-16, the same code on every platform so that both builds give
// the same text for the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

// Malformed sequences become U+FFFD, one for each maximal invalid subpart.
void appendWideFromUtf8(std::string_view bytes, std::u16string& out);

// Unpaired surrogates become U+FFFD.
void appendUtf8FromWide(std::u16string_view text, std::string& out);

// As appendWideFromUtf8, but each byte of a malformed part becomes the
// unpaired surrogate U+DC80..U+DCFF of its value, which
// appendUtf8KeepingBytes turns back into that byte: a file name that is not
// well-formed keeps its bytes through the program's text, and is shown as
// U+FFFD only when it is written out.
void appendWideFromUtf8KeepingBytes(std::string_view bytes, std::u16string& out);
void appendUtf8KeepingBytes(std::u16string_view text, std::string& out);

// The unit that stands for a byte of a malformed part, and the byte it
// stands for (nothing for any other unit).
constexpr char16_t keptByteUnit(unsigned char byte) {
  return static_cast<char16_t>(0xDC00 + byte);
}
constexpr bool isKeptByteUnit(char16_t unit) {
  return unit >= 0xDC80 && unit <= 0xDCFF;
}

// True when every byte belongs to a well-formed sequence: decoding and
// encoding such bytes again gives them back unchanged.
bool isValidUtf8(std::string_view bytes);

struct Utf8Prefix {
  std::size_t bytes = 0;  // length of the prefix
  std::size_t units = 0;  // UTF-16 units it decodes to
};

// The longest prefix of bytes that decodes to at most maxUnits UTF-16 units
// and ends between two decoded characters (or invalid subparts), so decoding
// the prefix and the rest separately gives the same units as decoding the
// whole. A character that needs two units stops the prefix when only one
// unit of room is left.
Utf8Prefix utf8PrefixWithin(std::string_view bytes, std::size_t maxUnits);

}  // namespace vesk
