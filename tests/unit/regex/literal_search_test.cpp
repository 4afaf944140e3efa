#include "regex/literal_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "base/ascii.h"

namespace vesk::regex {
namespace {

// The first place at or after from where text stands, compared unit by unit.
std::size_t reference(std::u16string_view text, std::u16string_view subject, std::size_t from,
                      bool foldAscii) {
  if (from > subject.size()) return std::u16string_view::npos;
  const auto same = [foldAscii](char16_t a, char16_t b) {
    return foldAscii ? asciiLower(a) == asciiLower(b) : a == b;
  };
  const auto found = std::search(subject.begin() + static_cast<std::ptrdiff_t>(from), subject.end(),
                                 text.begin(), text.end(), same);
  return found == subject.end() && !text.empty()
             ? std::u16string_view::npos
             : static_cast<std::size_t>(found - subject.begin());
}

// Texts of few letters meet many partial matches, on either side of the
// length from which borders are used; subjects are made of the text's own
// pieces so that it often stands in them.
TEST(LiteralSearch, FindsWhatAPlainComparisonFinds) {
  std::mt19937 random(20260611);
  const auto below = [&random](std::size_t bound) {
    return static_cast<std::size_t>(random() % bound);
  };
  constexpr std::u16string_view kUnits = u"aAbB\u00e9";
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const std::size_t length = 1 + below(round % 2 ? 80 : 12);
    for (std::size_t i = 0; i < length; ++i) text += kUnits[below(kUnits.size())];
    std::u16string subject;
    while (subject.size() < 300) {
      const std::size_t from = below(text.size());
      subject += below(3) ? text.substr(from, below(text.size() - from) + 1)
                          : std::u16string(1, kUnits[below(kUnits.size())]);
    }
    const bool foldAscii = round % 3 == 0;
    const LiteralText literal = makeLiteralText(text, foldAscii);
    for (const std::size_t from : {std::size_t{0}, below(subject.size() + 2)}) {
      ASSERT_EQ(findLiteral(literal, subject, from), reference(text, subject, from, foldAscii))
          << "round " << round << " from " << from;
    }
  }
}

TEST(LiteralSearch, EmptyTextsAndSubjects) {
  const LiteralText empty = makeLiteralText(u"", false);
  EXPECT_EQ(findLiteral(empty, u"abc", 2), 2u);
  EXPECT_EQ(findLiteral(empty, u"abc", 3), 3u);
  EXPECT_EQ(findLiteral(empty, u"abc", 4), std::u16string_view::npos);
  EXPECT_EQ(findLiteral(makeLiteralText(u"a", true), u"", 0), std::u16string_view::npos);
  // Folding is ASCII's only.
  EXPECT_EQ(findLiteral(makeLiteralText(u"\u00e9", true), u"\u00c9", 0), std::u16string_view::npos);
}

}  // namespace
}  // namespace vesk::regex
