#include "regex/ecma_parse.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace vesk::regex {
namespace {

std::string shownUnit(char16_t unit) {
  if (unit > 0x20 && unit < 0x7F) return std::string(1, static_cast<char>(unit));
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
  return escaped;
}

constexpr std::string_view kSets = "dDsSwW";  // in the order of SetEscape

std::string shownClass(const EcmaTree& tree, const EcmaNode& node) {
  std::string shown;
  for (const ClassItem& item : classItemsOf(tree, node)) {
    if (!shown.empty()) shown += ' ';
    if (item.set) {
      shown += std::string("\\") + kSets[static_cast<int>(*item.set)];
    } else {
      shown += shownUnit(item.range.first);
      if (item.range.last != item.range.first) shown += "-" + shownUnit(item.range.last);
    }
  }
  return (node.negated ? "[^" : "[") + shown + "]";
}

std::string shownNode(const EcmaTree& tree, NodeIndex index);

std::string shownChildren(const EcmaTree& tree, const EcmaNode& node, std::string_view between) {
  std::string shown;
  for (const NodeIndex child : childrenOf(tree, node)) {
    if (!shown.empty()) shown += between;
    shown += shownNode(tree, child);
  }
  return "(" + shown + ")";
}

// The tree written out: "cat(...)" and "alt(...)" around their children,
// "g1(...)" for a capture group and its number, "?:(...)" and the like for
// the other groups, "{min,max}?(...)" for a repeated item.
std::string shownNode(const EcmaTree& tree, NodeIndex index) {
  constexpr std::string_view kGroups[] = {"g", "?:", "?=", "?!", "?<=", "?<!"};
  constexpr std::string_view kAssertions[] = {"^", "$", "\\b", "\\B"};
  const EcmaNode& node = tree.nodes[index];
  switch (node.kind) {
    case NodeKind::Alternation:
      return "alt" + shownChildren(tree, node, "|");
    case NodeKind::Concatenation:
      return "cat" + shownChildren(tree, node, " ");
    case NodeKind::Character:
      return shownUnit(node.unit);
    case NodeKind::AnyButLineEnd:
      return ".";
    case NodeKind::Set:
      return "\\" + std::string(1, kSets[static_cast<int>(node.set)]);
    case NodeKind::Class:
      return shownClass(tree, node);
    case NodeKind::Assertion:
      return std::string(kAssertions[static_cast<int>(node.assertion)]);
    case NodeKind::BackReference:
      return "\\" + std::to_string(node.number);
    case NodeKind::Group: {
      const std::string_view kind = kGroups[static_cast<int>(node.group)];
      const std::string number = node.number > 0 ? std::to_string(node.number) : "";
      return std::string(kind) + number + shownChildren(tree, node, "");
    }
    case NodeKind::Repeat: {
      const Quantifier& q = node.quantifier;
      const std::string max = q.max ? std::to_string(*q.max) : "";
      return "{" + std::to_string(q.min) + "," + max + "}" + (q.lazy ? "?" : "") +
             shownChildren(tree, node, "");
    }
  }
  return "?";
}

std::string parsed(std::u16string_view pattern) {
  const auto tree = parseEcmaPattern(pattern);
  return tree ? shownNode(*tree, tree->root) : "<invalid>";
}

TEST(EcmaParse, AlternativesItemsAndGroupsFormTheTree) {
  EXPECT_EQ(parsed(u""), "cat()");
  EXPECT_EQ(parsed(u"ab|c"), "alt(cat(a b)|cat(c))");
  EXPECT_EQ(parsed(u"a||"), "alt(cat(a)|cat()|cat())");
  EXPECT_EQ(parsed(u"^(?:a|)x.$"), "cat(^ ?:(alt(cat(a)|cat())) x . $)");
  EXPECT_EQ(parsed(u"\\b(?<=\\d)(?!\\s|\\W)\\B"),
            "cat(\\b ?<=(cat(\\d)) ?!(alt(cat(\\s)|cat(\\W))) \\B)");
  EXPECT_EQ(parsed(u"[^a-c\\d-][\\w-z][]"), "cat([^a-c \\d -] [\\w - z] [])");
}

TEST(EcmaParse, QuantifiersRepeatTheItemBeforeThem) {
  EXPECT_EQ(parsed(u"ab+c*?"), "cat(a {1,}(b) {0,}?(c))");
  EXPECT_EQ(parsed(u"(?=a)?x{2,5}y{3,}z{0}"), "cat({0,1}(?=(cat(a))) {2,5}(x) {3,}(y) {0,0}(z))");
  // A "{" that opens no quantifier is a character, and may be repeated.
  EXPECT_EQ(parsed(u"a{,5}{+"), "cat(a { , 5 } {1,}({))");
}

TEST(EcmaParse, GroupsAreNumberedAndReferencesResolved) {
  EXPECT_EQ(parsed(u"\\2(a)(?:(?<n>b)|(?=(c)))"),
            "cat(\\2 g1(cat(a)) ?:(alt(cat(g2(cat(b)))|cat(?=(cat(g3(cat(c))))))))");
  EXPECT_EQ(parsed(u"\\k<b>(?<a>x)(?<b>y)"), "cat(\\2 g1(cat(x)) g2(cat(y)))");
  // Without as many groups the digits are an octal escape.
  EXPECT_EQ(parsed(u"(a)\\12\\1"), "cat(g1(cat(a)) \\u000a \\1)");
  const auto tree = parseEcmaPattern(u"(a)(b)\\2");
  ASSERT_TRUE(tree.has_value());
  EXPECT_EQ(tree->groupCount, 2u);
  EXPECT_TRUE(tree->hasBackReference);
  EXPECT_FALSE(parseEcmaPattern(u"(a)\\12")->hasBackReference);
}

}  // namespace
}  // namespace vesk::regex
