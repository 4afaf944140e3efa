#include "regex/literal_search.h"

#include "base/ascii.h"

namespace vesk::regex {

namespace {

// Up to this length the plain scan's worst case (length times the subject)
// stays small, and the text needs no table.
constexpr std::size_t kPlainScanUpTo = 32;

bool same(const LiteralText& literal, char16_t a, char16_t b) {
  return literal.foldAscii ? asciiLower(a) == asciiLower(b) : a == b;
}

std::vector<std::uint32_t> bordersOf(const LiteralText& literal) {
  const std::u16string& text = literal.text;
  std::vector<std::uint32_t> borders(text.size(), 0);
  std::uint32_t length = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    while (length > 0 && !same(literal, text[i], text[length])) length = borders[length - 1];
    if (same(literal, text[i], text[length])) ++length;
    borders[i] = length;
  }
  return borders;
}

std::size_t plainScan(const LiteralText& literal, std::u16string_view subject, std::size_t from) {
  const std::u16string& text = literal.text;
  if (!literal.foldAscii) return subject.find(text, from);
  for (std::size_t at = from; at + text.size() <= subject.size(); ++at) {
    std::size_t i = 0;
    while (i < text.size() && same(literal, subject[at + i], text[i])) ++i;
    if (i == text.size()) return at;
  }
  return std::u16string_view::npos;
}

std::size_t borderScan(const LiteralText& literal, std::u16string_view subject, std::size_t from) {
  const std::u16string& text = literal.text;
  std::size_t matched = 0;
  for (std::size_t at = from; at < subject.size(); ++at) {
    while (matched > 0 && !same(literal, subject[at], text[matched])) {
      matched = literal.borders[matched - 1];
    }
    if (same(literal, subject[at], text[matched])) ++matched;
    if (matched == text.size()) return at + 1 - matched;
  }
  return std::u16string_view::npos;
}

}  // namespace

LiteralText makeLiteralText(std::u16string_view text, bool foldAscii) {
  LiteralText literal{std::u16string(text), foldAscii, {}};
  if (text.size() > kPlainScanUpTo) literal.borders = bordersOf(literal);
  return literal;
}

std::size_t findLiteral(const LiteralText& literal, std::u16string_view subject, std::size_t from) {
  if (from > subject.size()) return std::u16string_view::npos;
  if (literal.text.empty()) return from;
  return literal.borders.empty() ? plainScan(literal, subject, from)
                                 : borderScan(literal, subject, from);
}

}  // namespace vesk::regex
