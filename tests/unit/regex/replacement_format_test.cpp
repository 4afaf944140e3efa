#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "regex/replacement_format.h"

namespace vesk {
namespace {

using regex::formatLiteralText;
using regex::Span;

// The subject "xxABCyy" with the match "ABC" at [2, 5), group 1 "B" at [3, 4),
// group 2 not taking part, and the previous match ending at 1.
std::u16string expand(std::u16string_view format, std::size_t previousEnd = 1) {
  const std::vector<std::optional<Span>> groups{Span{2, 5}, Span{3, 4}, std::nullopt};
  std::u16string out = u"<";
  regex::appendExpansion(out, format, {u"xxABCyy", previousEnd, groups});
  return out;
}

TEST(ReplacementExpansion, References) {
  EXPECT_EQ(expand(u"[$&]"), u"<[ABC]");
  EXPECT_EQ(expand(u"$`|$'"), u"<x|yy");  // from the end of the previous match
  EXPECT_EQ(expand(u"$`", 0), u"<xx");
  EXPECT_EQ(expand(u"$1$01-$2-$3-$99"), u"<BB---");
  EXPECT_EQ(expand(u"$12"), u"<");  // group 12, not group 1 and a "2"
  EXPECT_EQ(expand(u"$123"), u"<3");
}

TEST(ReplacementExpansion, DollarsThatAreNotReferences) {
  EXPECT_EQ(expand(u"$$1"), u"<$1");
  EXPECT_EQ(expand(u"$0 $00 $000"), u"<$0 $00 $000");
  EXPECT_EQ(expand(u"$x$"), u"<$x$");
  EXPECT_EQ(expand(u"$<n>$"), u"<$<n>$");
  EXPECT_EQ(expand(u"plain \\1"), u"<plain \\1");
  EXPECT_EQ(expand(u""), u"<");
}

TEST(FormatLiteralText, WorkedExamples) {
  EXPECT_EQ(formatLiteralText(u"X"), u"X");
  EXPECT_EQ(formatLiteralText(u"[$&]"), u"[]");
  EXPECT_EQ(formatLiteralText(u"<$1-$2>"), u"<->");
  EXPECT_EQ(formatLiteralText(u"$123"), u"3");
  EXPECT_EQ(formatLiteralText(u"a$$b"), u"a$b");
  EXPECT_EQ(formatLiteralText(u"a$b"), u"a$b");
  EXPECT_EQ(formatLiteralText(u"end$"), u"end");
  EXPECT_EQ(formatLiteralText(u"$0 and $`$'"), u" and ");
}

TEST(FormatLiteralText, DiffersFromTheExpansionOnlyForZeroAndAFinalDollar) {
  EXPECT_EQ(formatLiteralText(u"$0$00"), u"");
  EXPECT_EQ(formatLiteralText(u"$$$"), u"$");
  EXPECT_EQ(formatLiteralText(u"$$$$"), u"$$");
  EXPECT_EQ(formatLiteralText(u"$"), u"");
  EXPECT_EQ(formatLiteralText(u""), u"");
}

}  // namespace
}  // namespace vesk
