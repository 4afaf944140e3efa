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

bool accepted(std::u16string_view pattern) {
  return parseEcmaPattern(pattern).has_value();
}

TEST(EcmaParse, AcceptsTheWebCompatibleGrammar) {
  constexpr std::u16string_view kValid[] = {u"",
                                            u"|",
                                            u"a||b",
                                            u"(?:)",
                                            u"(?=a)+",
                                            u"(?!a){2}",
                                            u"(?<=ab)c",
                                            u"(?<!a|bc)d",
                                            u"^$",
                                            u"a{1}?",
                                            u"[^-]",
                                            u"[a-b-c]",
                                            u"[--a]",
                                            u"[\\c]",
                                            u"[\\d-z]",
                                            u"[\\b]",
                                            u"(?<$a_1>x)\\k<$a_1>",
                                            u"(?<\u540d>x)\\k<\u540d>",
                                            u"x{65535}"};
  for (const std::u16string_view pattern : kValid) {
    EXPECT_TRUE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(EcmaParse, RejectsSyntaxErrorsAndPerlConstructs) {
  constexpr std::u16string_view kInvalid[] = {
      // Not ECMAScript at all.
      u"(", u")", u"[a", u"a\\", u"a**", u"a|*", u"{1}", u"a{2}{3}", u"x{2,1}", u"[z-a]", u"^*",
      u"\\b*", u"(?<=a)*", u"(?<a>x)(?<a>y)", u"(?<1a>x)", u"(?<a>x)\\k<b>", u"[\\k]", u"x{65536}",
      // Perl and PCRE forms that a user would expect to work as there.
      u"(?i)a", u"(?i:a)", u"\\Qa.b\\E", u"a\\Kb", u"(?>a)", u"a*+", u"a{2}+", u"(*FAIL)",
      u"(?#note)", u"(?|a)", u"(?R)", u"(?P<n>a)", u"\\Aa\\z", u"\\G", u"\\h", u"\\R", u"\\e",
      u"\\g{1}", u"\\p{L}", u"\\k", u"[\\B]"};
  for (const std::u16string_view pattern : kInvalid) {
    EXPECT_FALSE(accepted(pattern)) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(EcmaParse, DeepNestingDoesNotExhaustTheStack) {
  const std::u16string deep = std::u16string(200000, u'(') + std::u16string(200000, u')');
  EXPECT_EQ(parseEcmaPattern(deep)->groupCount, 200000u);
  EXPECT_FALSE(accepted(std::u16string(200000, u'(')));
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
  const auto tree = parseEcmaPattern(u"(a)(?<n>b)(?:c)(?=(d))(?<=e)[(]\\(\\2");
  ASSERT_TRUE(tree.has_value());
  EXPECT_EQ(tree->groupCount, 3u);
  EXPECT_TRUE(tree->hasBackReference);
  EXPECT_FALSE(parseEcmaPattern(u"(a)\\12")->hasBackReference);
}

}  // namespace
}  // namespace vesk::regex
