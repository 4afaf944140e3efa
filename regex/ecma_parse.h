// A pattern of the program's ECMAScript dialect read into a small tree, once
// per pattern. Passes over the tree write it in PCRE2's syntax (pcre_emit.h)
// and find what every match holds and whether the pattern is plain text
// (required_text.h).
//
// The dialect is the ECMAScript grammar without the u flag, including the
// web-compatibility forms that JavaScript engines accept (a lone "]", "{" or
// "}" is literal, "\1" without such a group is an octal escape, "\c" without a
// letter is a backslash). Escaped ASCII letters without an ECMAScript meaning
// ("\Q", "\K", "\A", "\p"...) are rejected: users who write them expect a
// Perl meaning.
//
// Nodes refer to each other by index rather than own each other, and nothing
// here or in the passes recurses, so that a pattern nested as deeply as it is
// long cannot exhaust the call stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "regex/ecma_sets.h"

namespace vesk::regex {

enum class AssertionKind : std::uint8_t { LineStart, LineEnd, WordBoundary, NotWordBoundary };

enum class GroupKind : std::uint8_t {
  Capture,
  NonCapture,
  Lookahead,
  NegativeLookahead,
  Lookbehind,
  NegativeLookbehind
};

// A quantifier as written.
struct Quantifier {
  char16_t symbol = 0;  // '*', '+' or '?'; 0 for the braced form
  bool lazy = false;
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;  // none: no upper bound
};

enum class NodeKind : std::uint8_t {
  Alternation,    // children: two or more alternatives, each a Concatenation
  Concatenation,  // children: items side by side; none for the empty text
  Character,      // unit, however it was written
  AnyButLineEnd,  // "."
  Set,            // set: "\d", "\D", "\s", "\S", "\w" or "\W"
  Class,          // "[...]": its items, negated
  Assertion,      // assertion
  BackReference,  // number: the group referred to
  Group,          // group, number when it captures; one child
  Repeat,         // quantifier; one child, the item repeated
};

using NodeIndex = std::size_t;

// The fields that a node's kind names above; the others keep their defaults.
struct EcmaNode {
  NodeKind kind = NodeKind::Concatenation;
  char16_t unit = 0;
  SetEscape set = SetEscape::Digit;
  bool negated = false;
  AssertionKind assertion = AssertionKind::LineStart;
  GroupKind group = GroupKind::Capture;
  std::size_t number = 0;
  Quantifier quantifier{};
  // Where the node's children, or a class's items, stand in the tree's lists.
  std::size_t first = 0;
  std::size_t count = 0;
};

struct EcmaTree {
  std::vector<EcmaNode> nodes;
  std::vector<NodeIndex> children;    // each node's children side by side
  std::vector<ClassItem> classItems;  // each class's items side by side
  NodeIndex root = 0;                 // a Concatenation or an Alternation
  std::size_t groupCount = 0;         // capture groups, numbered as in the pattern
  bool hasBackReference = false;
};

std::span<const NodeIndex> childrenOf(const EcmaTree& tree, const EcmaNode& node);
std::span<const ClassItem> classItemsOf(const EcmaTree& tree, const EcmaNode& node);
// The item of a Group or a Repeat.
const EcmaNode& onlyChild(const EcmaTree& tree, const EcmaNode& node);

// nullopt when the pattern is not valid in the dialect.
std::optional<EcmaTree> parseEcmaPattern(std::u16string_view pattern);

}  // namespace vesk::regex
