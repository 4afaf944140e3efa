#include "platform/codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "platform/posix/locale.h"

namespace vesk::platform {
namespace {

constexpr char16_t kWideSubstitute = u'\uFFFD';
constexpr char kNarrowSubstitute = '?';

bool isUtf8(std::uint32_t codePage) {
  return codePage == kUtf8CodePage || ansiCodePageIsUtf8();
}

// iconv_open's failure value, (iconv_t)-1.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

bool usable(iconv_t cd) {
  return cd != kNoConverter;
}

// One iconv descriptor per direction, opened for the locale's codeset at the
// first use: opening one per line would cost more than the conversion. A
// descriptor keeps state while it converts, so each thread has its own; they
// live until the thread ends (or the locale is read again in a test).
struct Converters {
  std::string codeset;
  iconv_t toWide = kNoConverter;
  iconv_t fromWide = kNoConverter;

  Converters() = default;
  Converters(const Converters&) = delete;
  Converters& operator=(const Converters&) = delete;
  ~Converters() { close(); }
  void close() {
    if (usable(toWide)) iconv_close(toWide);
    if (usable(fromWide)) iconv_close(fromWide);
    toWide = fromWide = kNoConverter;
  }
};

const Converters& ansiConverters() {
  thread_local Converters converters;
  const std::string& codeset = posix::localeInfo().codesetName;
  if (converters.codeset != codeset) {
    converters.close();
    converters.codeset = codeset;
    converters.toWide = iconv_open("UTF-16LE", codeset.c_str());
    converters.fromWide = iconv_open(codeset.c_str(), "UTF-16LE");
  }
  return converters;
}

// Converts with iconv, replacing what cannot be converted by `substitute` and
// skipping `skipUnit` input bytes, so that bad input never stops a line.
template <typename Out>
void convert(iconv_t cd, const char* input, std::size_t size, std::size_t skipUnit,
             typename Out::value_type substitute, Out& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input);
  std::size_t inLeft = size;
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const auto produced = static_cast<std::size_t>(outPtr - buffer);
    out.append(reinterpret_cast<const typename Out::value_type*>(buffer),
               produced / sizeof(typename Out::value_type));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    out.push_back(substitute);  // EILSEQ or an incomplete sequence at the end
    const std::size_t skip = inLeft < skipUnit ? inLeft : skipUnit;
    in += skip;
    inLeft -= skip;
  }
}

// The whole of bytes converted by iconv, or nothing when iconv stops at any
// part of it.
template <typename Out>
std::optional<Out> convertWhole(iconv_t cd, const char* input, std::size_t size) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input);
  std::size_t inLeft = size;
  char buffer[16];
  char* outPtr = buffer;
  std::size_t outLeft = sizeof buffer;
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
    return std::nullopt;
  }
  const auto produced = static_cast<std::size_t>(outPtr - buffer);
  return Out(reinterpret_cast<const typename Out::value_type*>(buffer),
             produced / sizeof(typename Out::value_type));
}

// Shift_JIS (CP932) converts through tables that iconv fills once. Through
// iconv itself every line costs more than all the rest of a search, and a
// table, never changed once filled, serves every thread at once. Each byte
// sequence converts as iconv converts it alone, and convert() treats a stream
// the same way: where iconv stops, one unit becomes the substitute.
struct ShiftJisTables {
  enum class Kind : std::uint8_t { Invalid, Single, Lead };
  static constexpr char16_t kNoUnit = 0xFFFF;  // not a character of Shift_JIS
  std::array<Kind, 256> kind{};
  std::array<char16_t, 256> single{};
  std::vector<char16_t> pairs = std::vector<char16_t>(256 * 256, kNoUnit);   // [lead * 256 + trail]
  std::vector<std::uint16_t> narrow = std::vector<std::uint16_t>(65536, 0);  // bytes, high first
  std::vector<std::uint8_t> narrowLength = std::vector<std::uint8_t>(65536, 0);  // 0: unmappable
  std::vector<std::uint8_t> spellings = std::vector<std::uint8_t>(65536, 0);     // up to 2
  bool filled = false;
};

void countSpelling(ShiftJisTables& tables, char16_t unit) {
  if (tables.spellings[unit] < 2) ++tables.spellings[unit];
}

void fillDecoding(iconv_t cd, ShiftJisTables& tables) {
  for (unsigned lead = 0; lead < 256; ++lead) {
    const char one = static_cast<char>(lead);
    if (const auto unit = convertWhole<std::u16string>(cd, &one, 1)) {
      tables.kind[lead] =
          unit->size() == 1 ? ShiftJisTables::Kind::Single : ShiftJisTables::Kind::Invalid;
      if (unit->size() == 1) tables.single[lead] = unit->front();
      if (unit->size() == 1) countSpelling(tables, unit->front());
      continue;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(&one);
    std::size_t inLeft = 1;
    char16_t out[2];
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    const bool incomplete =
        iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) &&
        errno == EINVAL;
    tables.kind[lead] = incomplete ? ShiftJisTables::Kind::Lead : ShiftJisTables::Kind::Invalid;
    if (!incomplete) continue;
    for (unsigned trail = 0; trail < 256; ++trail) {
      const char two[2] = {one, static_cast<char>(trail)};
      const auto unit = convertWhole<std::u16string>(cd, two, 2);
      if (unit && unit->size() == 1) {
        tables.pairs[lead * 256 + trail] = unit->front();
        countSpelling(tables, unit->front());
      }
    }
  }
}

void fillEncoding(iconv_t cd, ShiftJisTables& tables) {
  for (unsigned unit = 0; unit < 65536; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;  // a half of a pair converts to nothing
    const char16_t wide = static_cast<char16_t>(unit);
    const auto bytes = convertWhole<std::string>(cd, reinterpret_cast<const char*>(&wide), 2);
    if (!bytes || bytes->empty() || bytes->size() > 2) continue;
    tables.narrowLength[unit] = static_cast<std::uint8_t>(bytes->size());
    tables.narrow[unit] =
        bytes->size() == 1
            ? static_cast<unsigned char>((*bytes)[0])
            : static_cast<std::uint16_t>(static_cast<unsigned char>((*bytes)[0]) << 8 |
                                         static_cast<unsigned char>((*bytes)[1]));
  }
}

const ShiftJisTables& shiftJisTables() {
  static const ShiftJisTables tables = [] {
    ShiftJisTables filled;
    const iconv_t toWide = iconv_open("UTF-16LE", "CP932");
    const iconv_t fromWide = iconv_open("CP932", "UTF-16LE");
    if (usable(toWide) && usable(fromWide)) {
      fillDecoding(toWide, filled);
      fillEncoding(fromWide, filled);
      filled.filled = true;
    }
    if (usable(toWide)) iconv_close(toWide);
    if (usable(fromWide)) iconv_close(fromWide);
    return filled;
  }();
  return tables;
}

bool usesShiftJisTables() {
  return posix::localeInfo().codeset == posix::Codeset::ShiftJis && shiftJisTables().filled;
}

void appendWideFromShiftJis(std::string_view bytes, std::u16string& out) {
  const ShiftJisTables& tables = shiftJisTables();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    switch (tables.kind[p[i]]) {
      case ShiftJisTables::Kind::Single:
        out.push_back(tables.single[p[i]]);
        break;
      case ShiftJisTables::Kind::Lead: {
        const char16_t unit =
            i + 1 < n ? tables.pairs[p[i] * 256 + p[i + 1]] : ShiftJisTables::kNoUnit;
        if (unit == ShiftJisTables::kNoUnit) {
          out.push_back(kWideSubstitute);
        } else {
          out.push_back(unit);
          ++i;
        }
        break;
      }
      case ShiftJisTables::Kind::Invalid:
        out.push_back(kWideSubstitute);
        break;
    }
  }
}

void appendShiftJisFromWide(std::u16string_view text, std::string& out) {
  const ShiftJisTables& tables = shiftJisTables();
  for (const char16_t unit : text) {
    switch (tables.narrowLength[unit]) {
      case 1:
        out.push_back(static_cast<char>(tables.narrow[unit]));
        break;
      case 2:
        out.push_back(static_cast<char>(tables.narrow[unit] >> 8));
        out.push_back(static_cast<char>(tables.narrow[unit] & 0xFF));
        break;
      default:
        out.push_back(kNarrowSubstitute);
        break;
    }
  }
}

}  // namespace

bool ansiCodePageIsUtf8() {
  return posix::localeInfo().codeset == posix::Codeset::Utf8;
}

void appendWideFromMultiByte(std::string_view bytes, std::uint32_t codePage, std::u16string& out) {
  if (isUtf8(codePage)) {
    appendWideFromUtf8(bytes, out);
    return;
  }
  if (usesShiftJisTables()) {
    appendWideFromShiftJis(bytes, out);
    return;
  }
  const iconv_t cd = ansiConverters().toWide;
  if (!usable(cd)) {
    appendWideFromUtf8(bytes, out);  // a codeset iconv does not know: read it as UTF-8
    return;
  }
  convert(cd, bytes.data(), bytes.size(), 1, kWideSubstitute, out);
}

void appendMultiByteFromWide(std::u16string_view text, std::uint32_t codePage, std::string& out) {
  if (isUtf8(codePage)) {
    appendUtf8FromWide(text, out);
    return;
  }
  if (usesShiftJisTables()) {
    appendShiftJisFromWide(text, out);
    return;
  }
  const iconv_t cd = ansiConverters().fromWide;
  if (!usable(cd)) {
    appendUtf8FromWide(text, out);
    return;
  }
  convert(cd, reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t),
          sizeof(char16_t), kNarrowSubstitute, out);
}

bool ansiLeadByte(unsigned char byte) {
  return usesShiftJisTables() && shiftJisTables().kind[byte] == ShiftJisTables::Kind::Lead;
}

std::optional<std::string> uniqueAnsiSpelling(std::u16string_view text) {
  std::string bytes;
  if (ansiCodePageIsUtf8()) {
    appendUtf8FromWide(text, bytes);  // UTF-8 spells every character one way
    return bytes;
  }
  if (usesShiftJisTables()) {
    const ShiftJisTables& tables = shiftJisTables();
    for (const char16_t unit : text) {
      if (tables.spellings[unit] != 1 || unit == kWideSubstitute) return std::nullopt;
    }
    appendShiftJisFromWide(text, bytes);
    return bytes;
  }
  // Other code pages through iconv: ASCII, which they all spell as itself.
  for (const char16_t unit : text) {
    if (unit >= 0x80) return std::nullopt;
    bytes += static_cast<char>(unit);
  }
  return bytes;
}

}  // namespace vesk::platform
