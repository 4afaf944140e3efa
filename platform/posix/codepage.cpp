#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <string>

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
// first use: opening one per line would cost more than the conversion. They
// live until the process ends (or the locale is read again in a test).
struct Converters {
  std::string codeset;
  iconv_t toWide = kNoConverter;
  iconv_t fromWide = kNoConverter;
};

const Converters& ansiConverters() {
  static Converters converters;
  const std::string& codeset = posix::localeInfo().codesetName;
  if (converters.codeset != codeset) {
    if (usable(converters.toWide)) iconv_close(converters.toWide);
    if (usable(converters.fromWide)) iconv_close(converters.fromWide);
    converters = Converters{codeset, iconv_open("UTF-16LE", codeset.c_str()),
                            iconv_open(codeset.c_str(), "UTF-16LE")};
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

}  // namespace

bool ansiCodePageIsUtf8() {
  return posix::localeInfo().codeset == posix::Codeset::Utf8;
}

void appendWideFromMultiByte(std::string_view bytes, std::uint32_t codePage, std::u16string& out) {
  if (isUtf8(codePage)) {
    appendWideFromUtf8(bytes, out);
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
  const iconv_t cd = ansiConverters().fromWide;
  if (!usable(cd)) {
    appendUtf8FromWide(text, out);
    return;
  }
  convert(cd, reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t),
          sizeof(char16_t), kNarrowSubstitute, out);
}

}  // namespace vesk::platform
