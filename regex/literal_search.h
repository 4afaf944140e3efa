// Finding a plain text in a subject without the engine: the terms of "/sl"
// and every pattern that is nothing but its characters, of any length. The
// time is linear in the subject: texts too long for a plain scan's worst case
// are searched with their borders (Knuth, Morris and Pratt).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::regex {

struct LiteralText {
  std::u16string text;
  bool foldAscii = false;              // A-Z and a-z match either case, nothing else folds
  std::vector<std::uint32_t> borders;  // long texts only: longest proper border of each prefix
};

LiteralText makeLiteralText(std::u16string_view text, bool foldAscii);

// Where the text first stands in subject at or after from; npos when it does
// not. An empty text stands at from.
std::size_t findLiteral(const LiteralText& literal, std::u16string_view subject, std::size_t from);

}  // namespace vesk::regex
