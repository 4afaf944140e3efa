// Conversion between UTF-16 and 8-bit code pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vesk::platform {

// The two code pages the program asks for: the system ANSI code page and UTF-8.
// (POSIX: the ANSI code page is the locale's codeset; C/POSIX counts as UTF-8.)
constexpr std::uint32_t kAnsiCodePage = 0;
constexpr std::uint32_t kUtf8CodePage = 65001;

// True when code page 0 is UTF-8 on this system, so callers may take the
// UTF-8 fast path for it.
bool ansiCodePageIsUtf8();

// Appends the UTF-16 form of bytes in the code page; malformed input becomes
// the code page's substitute (U+FFFD for UTF-8), never an error.
void appendWideFromMultiByte(std::string_view bytes, std::uint32_t codePage, std::u16string& out);

// Appends the code page form of UTF-16 text; characters the code page cannot
// hold become its default character.
void appendMultiByteFromWide(std::u16string_view text, std::uint32_t codePage, std::string& out);

// ANSI code-page bytes as text and back for names and arguments, which must
// keep their bytes: where the code page is UTF-8, malformed bytes become
// unpaired surrogates that convert back into the same bytes (and show as
// U+FFFD when written). Other code pages convert as appendWideFromMultiByte.
void appendWideKeepingBytes(std::string_view bytes, std::u16string& out);
void appendBytesKeepingBytes(std::u16string_view text, std::string& out);

// True when the byte opens a character of two bytes in the ANSI code page
// (Shift_JIS and the other double-byte code pages); never for UTF-8.
bool ansiLeadByte(unsigned char byte);

// The ANSI code page's bytes for text when no other bytes decode to any of
// its characters, so that every line whose text holds it holds these bytes
// too; nothing when some character has another spelling (Shift_JIS spells
// a few characters two ways) or the code page is not known well enough.
std::optional<std::string> uniqueAnsiSpelling(std::u16string_view text);

}  // namespace vesk::platform
