#include "base/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk {
namespace {

constexpr char32_t kReplacement = U'\uFFFD';

// The valid range of the second byte depends on the lead byte; this keeps
// overlong forms and surrogates out (Unicode's "maximal subpart" rule).
bool secondByteFits(unsigned char lead, unsigned char second) {
  switch (lead) {
    case 0xE0:
      return second >= 0xA0 && second <= 0xBF;
    case 0xED:
      return second >= 0x80 && second <= 0x9F;
    case 0xF0:
      return second >= 0x90 && second <= 0xBF;
    case 0xF4:
      return second >= 0x80 && second <= 0x8F;
    default:
      return second >= 0x80 && second <= 0xBF;
  }
}

int sequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// One decoded character, or one maximal invalid subpart as U+FFFD.
struct Step {
  std::size_t length = 1;
  char32_t codePoint = kReplacement;
  bool wellFormed = false;
};

// Decodes the non-ASCII sequence at p; available > 0.
Step decodeStep(const unsigned char* p, std::size_t available) {
  const int length = sequenceLength(p[0]);
  if (length == 0) return {};
  char32_t cp = p[0] & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const bool fits = static_cast<std::size_t>(i) < available &&
                      (i == 1 ? secondByteFits(p[0], p[1]) : (p[i] & 0xC0) == 0x80);
    if (!fits) return {static_cast<std::size_t>(i), kReplacement, false};
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  return {static_cast<std::size_t>(length), cp, true};
}

std::size_t unitsOf(char32_t cp) {
  return cp < 0x10000 ? 1 : 2;
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

// Most characters of Japanese text: three bytes whose lead byte allows
// every continuation byte (not E0 or ED, which limit the second one).
bool isPlainThreeByteSequence(const unsigned char* p) {
  return p[0] >= 0xE1 && p[0] <= 0xEF && p[0] != 0xED && (p[1] & 0xC0) == 0x80 &&
         (p[2] & 0xC0) == 0x80;
}

bool eightAsciiBytes(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return (word & 0x8080808080808080ULL) == 0;
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
    while (i + 8 <= n && eightAsciiBytes(p + i)) {
      for (int k = 0; k < 8; ++k) dst[k] = p[i + k];
      dst += 8;
      i += 8;
    }
    while (i < n && p[i] < 0x80) *dst++ = p[i++];
    if (i == n) break;
    if (i + 3 <= n && isPlainThreeByteSequence(p + i)) {
      *dst++ = static_cast<char16_t>(((p[i] & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) |
                                     (p[i + 2] & 0x3F));
      i += 3;
      continue;
    }
    const Step step = decodeStep(p + i, n - i);
    dst = appendCodePoint(step.codePoint, dst);
    i += step.length;
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

void appendWideFromUtf8KeepingBytes(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      out += static_cast<char16_t>(p[i++]);
      continue;
    }
    const Step step = decodeStep(p + i, n - i);
    if (step.wellFormed) {
      char16_t units[2];
      out.append(units, appendCodePoint(step.codePoint, units));
    } else {
      for (std::size_t k = 0; k < step.length; ++k) out += keptByteUnit(p[i + k]);
    }
    i += step.length;
  }
}

void appendUtf8KeepingBytes(std::u16string_view text, std::string& out) {
  // A unit of U+DC80..U+DCFF after a high surrogate is the second half of a
  // character, not a kept byte.
  const auto keptByte = [&](std::size_t i) {
    return isKeptByteUnit(text[i]) && (i == 0 || text[i - 1] < 0xD800 || text[i - 1] > 0xDBFF);
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !keptByte(i)) continue;
    appendUtf8FromWide(text.substr(start, i - start), out);
    if (i < text.size()) out += static_cast<char>(text[i] - 0xDC00);
    start = i + 1;
  }
}

namespace {

// Checks the sequences by their ranges alone, without building characters.
bool isValidUtf8ByteByByte(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  const auto continues = [&](std::size_t at, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return at < n && p[at] >= low && p[at] <= high;
  };
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n && eightAsciiBytes(p + i)) {
      i += 8;
      continue;
    }
    const unsigned char lead = p[i];
    if (lead < 0x80) {
      ++i;
    } else if (lead < 0xC2) {
      return false;
    } else if (lead < 0xE0) {
      if (!continues(i + 1)) return false;
      i += 2;
    } else if (lead < 0xF0) {
      const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
      const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
      if (!continues(i + 1, low, high) || !continues(i + 2)) return false;
      i += 3;
    } else if (lead < 0xF5) {
      const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
      const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
      if (!continues(i + 1, low, high) || !continues(i + 2) || !continues(i + 3)) return false;
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

#if defined(__SSE2__)
// Unsigned comparisons of bytes, which SSE2 compares signed only: flipping
// the top bit of both sides keeps their order.
__m128i flipped(unsigned char byte) {
  return _mm_set1_epi8(static_cast<char>(byte ^ 0x80));
}

__m128i atLeast(__m128i flippedBytes, unsigned char byte) {
  return _mm_cmpgt_epi8(flippedBytes, flipped(byte - 1));
}

__m128i below(__m128i flippedBytes, unsigned char byte) {
  return _mm_cmplt_epi8(flippedBytes, flipped(byte));
}

// The lanes of sixteen bytes that break a sequence, given the three bytes
// before each: a continuation byte where none is due or none where one is,
// bytes that never stand in UTF-8, and the second bytes that would make an
// overlong form, a surrogate or a character beyond U+10FFFF.
__m128i brokenSequences(__m128i here, __m128i before1, __m128i before2, __m128i before3) {
  const __m128i top = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i byte = _mm_xor_si128(here, top);
  const __m128i byte1 = _mm_xor_si128(before1, top);
  const __m128i isContinuation = _mm_and_si128(atLeast(byte, 0x80), below(byte, 0xC0));
  const __m128i due =
      _mm_or_si128(_mm_or_si128(atLeast(byte1, 0xC0), atLeast(_mm_xor_si128(before2, top), 0xE0)),
                   atLeast(_mm_xor_si128(before3, top), 0xF0));
  __m128i broken = _mm_xor_si128(isContinuation, due);
  broken = _mm_or_si128(broken, _mm_and_si128(atLeast(byte, 0xC0), below(byte, 0xC2)));
  broken = _mm_or_si128(broken, atLeast(byte, 0xF5));
  const auto after = [&](unsigned char lead, __m128i wrongSecond) {
    return _mm_and_si128(_mm_cmpeq_epi8(byte1, flipped(lead)), wrongSecond);
  };
  broken = _mm_or_si128(broken, after(0xE0, below(byte, 0xA0)));
  broken = _mm_or_si128(broken, after(0xED, atLeast(byte, 0xA0)));
  broken = _mm_or_si128(broken, after(0xF0, below(byte, 0x90)));
  broken = _mm_or_si128(broken, after(0xF4, atLeast(byte, 0x90)));
  return broken;
}

__m128i loadSixteen(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Sixteen bytes at a time, each seen with the three before it; the last
// sixteen are looked at in a copy followed by zeros, which no sequence may
// still be waiting for, so a sequence cut at the end is broken too.
bool isValidUtf8Sixteens(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  __m128i broken = _mm_setzero_si128();
  std::size_t i = 0;
  if (n >= 16) {
    const __m128i first = loadSixteen(p);
    broken = brokenSequences(first, _mm_slli_si128(first, 1), _mm_slli_si128(first, 2),
                             _mm_slli_si128(first, 3));
    for (i = 16; i + 16 <= n; i += 16) {
      broken =
          _mm_or_si128(broken, brokenSequences(loadSixteen(p + i), loadSixteen(p + i - 1),
                                               loadSixteen(p + i - 2), loadSixteen(p + i - 3)));
      if ((i & 255) == 0 && _mm_movemask_epi8(broken) != 0) return false;
    }
  }
  // The bytes before the last ones, then the last ones and zeros.
  unsigned char tail[32] = {};
  const std::size_t before = std::min<std::size_t>(i, 16);
  std::memcpy(tail + 16 - before, p + i - before, before);
  std::memcpy(tail + 16, p + i, n - i);
  broken = _mm_or_si128(broken, brokenSequences(loadSixteen(tail + 16), loadSixteen(tail + 15),
                                                loadSixteen(tail + 14), loadSixteen(tail + 13)));
  return _mm_movemask_epi8(broken) == 0;
}
#endif

}  // namespace

// Lines are checked before they are written as they were read, and most of
// them are long runs of three-byte characters in Japanese text, which a
// byte-by-byte check takes a branch for each of; short ones are checked
// byte by byte.
bool isValidUtf8(std::string_view bytes) {
#if defined(__SSE2__)
  if (bytes.size() >= 16) return isValidUtf8Sixteens(bytes);
#endif
  return isValidUtf8ByteByByte(bytes);
}

Utf8Prefix utf8PrefixWithin(std::string_view bytes, std::size_t maxUnits) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  std::size_t units = 0;
  while (i < n && units < maxUnits) {
    if (p[i] < 0x80) {
      if (i + 8 <= n && units + 8 <= maxUnits && eightAsciiBytes(p + i)) {
        i += 8;
        units += 8;
      } else {
        ++i;
        ++units;
      }
      continue;
    }
    const Step step = decodeStep(p + i, n - i);
    if (units + unitsOf(step.codePoint) > maxUnits) break;
    i += step.length;
    units += unitsOf(step.codePoint);
  }
  return {i, units};
}

void appendUtf8FromWide(std::u16string_view text, std::string& out) {
  const std::size_t n = text.size();
  const std::size_t start = out.size();
  out.resize(start + 3 * n);  // a unit never needs more than three bytes
  char* dst = out.data() + start;
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      *dst++ = static_cast<char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x800) {
      *dst++ = static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
      *dst++ = static_cast<char>(0xE0 | (cp >> 12));
      *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
      *dst++ = static_cast<char>(0xF0 | (cp >> 18));
      *dst++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

}  // namespace vesk
