// Replacement formats: "$$", "$&", "$`", "$'", "$n" and "$nn", expanded by the
// program itself for one match at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "regex/pattern.h"

namespace vesk::regex {

enum class FormatPieceKind {
  Text,         // characters without "$", copied as they are
  Dollar,       // "$$"
  WholeMatch,   // "$&"
  TextBefore,   // "$`"
  TextAfter,    // "$'"
  Group,        // "$" and one or two digits
  LoneDollar,   // "$" before any other character
  FinalDollar,  // "$" as the last character of the format
};

struct FormatPiece {
  FormatPieceKind kind = FormatPieceKind::Text;
  std::u16string_view source;  // the characters of the format this piece stands for
  std::size_t group = 0;       // for Group: 0 to 99
};

// The piece of format that starts at pos, which is moved past it; pos must be
// below format.size().
FormatPiece nextFormatPiece(std::u16string_view format, std::size_t& pos);

struct MatchForFormat {
  std::u16string_view subject;
  std::size_t previousEnd = 0;                  // end of the previous match, or 0
  std::span<const std::optional<Span>> groups;  // [0] is the whole match
};

// Appends the expansion of format for one match: "$$" one "$", "$&" the
// match, "$`" the text since the previous match, "$'" the rest of the
// subject, "$1" to "$99" the group's text (nothing for a group that took no
// part or does not exist), "$0" and "$00" themselves, any other "$" itself.
// False, with out left unfinished, when out would grow beyond limit units.
bool appendExpansion(std::u16string& out, std::u16string_view format, const MatchForFormat& match,
                     std::size_t limit = std::u16string::npos);

// The text a format yields when every reference expands to nothing, by the
// program's own reading: "$$" gives "$", "$0" and "$00" give nothing although
// the expansion keeps them, and a final "$" is dropped although the expansion
// keeps it.
std::u16string formatLiteralText(std::u16string_view format);

}  // namespace vesk::regex
