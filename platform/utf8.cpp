#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

namespace vesk::platform {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// The valid range of the second byte depends on the lead byte; this keeps
// overlong forms and surrogates out (Unicode's "maximal subpart" rule).
bool secondByteFits(unsigned char lead, unsigned char second) {
  switch (lead) {
    case 0xE0: return second >= 0xA0 && second <= 0xBF;
    case 0xED: return second >= 0x80 && second <= 0x9F;
    case 0xF0: return second >= 0x90 && second <= 0xBF;
    case 0xF4: return second >= 0x80 && second <= 0x8F;
    default: return second >= 0x80 && second <= 0xBF;
  }
}

int sequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

char16_t* appendCodePoint(char32_t cp, char16_t* dst) {
  if (cp < 0x10000) {
    *dst++ = static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    *dst++ = static_cast<char16_t>(0xD800 + (cp >> 10));
    *dst++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
  return dst;
}

// Decodes one non-ASCII sequence at p into dst (a four-byte sequence gives
// two units, so dst never outruns the byte count); returns the bytes consumed.
std::size_t decodeSequence(const unsigned char* p, std::size_t available, char16_t*& dst) {
  const int length = sequenceLength(p[0]);
  if (length == 0) {
    *dst++ = kReplacement;
    return 1;
  }
  char32_t cp = p[0] & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const bool fits = static_cast<std::size_t>(i) < available &&
                      (i == 1 ? secondByteFits(p[0], p[1]) : (p[i] & 0xC0) == 0x80);
    if (!fits) {
      *dst++ = kReplacement;
      return static_cast<std::size_t>(i);
    }
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  dst = appendCodePoint(cp, dst);
  return static_cast<std::size_t>(length);
}

}  // namespace

void appendWideFromUtf8(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  const std::size_t start = out.size();
  out.resize(start + n);  // never more units than bytes
  char16_t* dst = out.data() + start;
  while (i < n) {
    // ASCII runs are the common case: copy them eight bytes at a time.
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ULL) break;
      for (int k = 0; k < 8; ++k) *dst++ = p[i + k];
      i += 8;
    }
    while (i < n && p[i] < 0x80) *dst++ = p[i++];
    if (i == n) break;
    i += decodeSequence(p + i, n - i, dst);
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

void appendUtf8FromWide(std::u16string_view text, std::string& out) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace vesk::platform
