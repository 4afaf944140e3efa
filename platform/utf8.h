// UTF-8 <-> UTF-16, the same code on every platform so that both builds give
// the same text for the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace vesk::platform {

// Malformed sequences become U+FFFD, one for each maximal invalid subpart.
void appendWideFromUtf8(std::string_view bytes, std::u16string& out);

// Unpaired surrogates become U+FFFD.
void appendUtf8FromWide(std::u16string_view text, std::string& out);

}  // namespace vesk::platform
