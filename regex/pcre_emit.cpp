#include "regex/pcre_emit.h"

#include <span>
#include <string_view>

#include "base/ascii.h"

namespace vesk::regex {
namespace {

constexpr std::u16string_view kWordClass = u"[0-9A-Z_a-z]";

struct Emitter {
  const EcmaTree& tree;
  bool ignoreCase = false;
  PcreMatcher matcher = PcreMatcher::Backtracking;
  std::u16string out;
};

void appendNumber(std::u16string& out, std::size_t value) {
  for (const char c : std::to_string(value)) out += static_cast<char16_t>(c);
}

void appendHexUnit(std::u16string& out, char16_t unit) {
  constexpr std::u16string_view digits = u"0123456789abcdef";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += digits[(unit >> shift) & 0xF];
}

// One character as PCRE2 reads it literally, inside or outside a class.
void appendLiteral(std::u16string& out, char16_t unit) {
  if (isAsciiLetter(unit) || (unit >= u'0' && unit <= u'9') || unit == u'_') {
    out += unit;
  } else if (unit >= 0x20 && unit < 0x7F) {
    out += u'\\';
    out += unit;
  } else {
    appendHexUnit(out, unit);
  }
}

void appendClass(std::u16string& out, bool negated, std::span<const CharRange> ranges) {
  if (ranges.empty() && !negated) {
    // PCRE2 10.42 fails "[]*" and "[]{0}" where they should match empty;
    // a class of nothing written as a negated class of everything does not.
    out += u"[^\\u0000-\\uffff]";
    return;
  }
  out += negated ? u"[^" : u"[";
  for (const CharRange& range : ranges) {
    appendLiteral(out, range.first);
    if (range.last != range.first) {
      out += u'-';
      appendLiteral(out, range.last);
    }
  }
  out += u']';
}

void appendSetEscape(Emitter& e, SetEscape escape) {
  const bool foldingOff = needsFoldingOff(escape, e.ignoreCase);
  if (foldingOff) e.out += u"(?-i:";
  appendClass(e.out, isNegated(escape), baseSet(escape));
  if (foldingOff) e.out += u')';
}

void appendFoldingOffSets(Emitter& e, const std::vector<SetEscape>& sets) {
  for (std::size_t i = 0; i < sets.size(); ++i) {
    if (i > 0) e.out += u'|';
    appendSetEscape(e, sets[i]);
  }
}

// A class whose word sets must be matched with case folding off becomes an
// alternation (or, negated, a negative lookahead before the rest).
void appendClassContents(Emitter& e, bool negated, const ClassContents& contents) {
  if (contents.foldingOffSets.empty()) {
    appendClass(e.out, negated, contents.ranges);
  } else if (negated) {
    e.out += u"(?:(?!";
    appendFoldingOffSets(e, contents.foldingOffSets);
    e.out += u')';
    appendClass(e.out, true, contents.ranges);
    e.out += u')';
  } else {
    e.out += u"(?:";
    if (!contents.ranges.empty()) {
      appendClass(e.out, false, contents.ranges);
      e.out += u'|';
    }
    appendFoldingOffSets(e, contents.foldingOffSets);
    e.out += u')';
  }
}

void appendWordBoundary(Emitter& e, bool negated) {
  const std::u16string word(kWordClass);
  e.out += e.ignoreCase ? u"(?-i:" : u"(?:";
  if (negated) {
    e.out += u"(?<=" + word + u")(?=" + word + u")|(?<!" + word + u")(?!" + word + u")";
  } else {
    e.out += u"(?<=" + word + u")(?!" + word + u")|(?<!" + word + u")(?=" + word + u")";
  }
  e.out += u')';
}

void appendAssertion(Emitter& e, AssertionKind assertion) {
  switch (assertion) {
    case AssertionKind::LineStart:
      e.out += u'^';
      break;
    case AssertionKind::LineEnd:
      e.out += u'$';
      break;
    case AssertionKind::WordBoundary:
    case AssertionKind::NotWordBoundary:
      appendWordBoundary(e, assertion == AssertionKind::NotWordBoundary);
      break;
  }
}

void appendBackReference(Emitter& e, std::size_t number) {
  // PCRE2 10.42's JIT fails a quantified back-reference to an unset group;
  // in a group of its own it matches empty as it should.
  e.out += u"(?:\\g{";
  appendNumber(e.out, number);
  e.out += u"})";
}

void appendQuantifier(std::u16string& out, const Quantifier& quantifier) {
  if (quantifier.symbol != 0) {
    out += quantifier.symbol;
  } else {
    out += u'{';
    appendNumber(out, quantifier.min);
    if (quantifier.max != quantifier.min) {
      out += u',';
      if (quantifier.max) appendNumber(out, *quantifier.max);
    }
    out += u'}';
  }
  if (quantifier.lazy) out += u'?';
}

std::u16string_view groupOpening(GroupKind kind) {
  switch (kind) {
    case GroupKind::Capture:
      break;
    case GroupKind::NonCapture:
      return u"(?:";
    case GroupKind::Lookahead:
      return u"(?=";
    case GroupKind::NegativeLookahead:
      return u"(?!";
    case GroupKind::Lookbehind:
      return u"(?<=";
    case GroupKind::NegativeLookbehind:
      return u"(?<!";
  }
  return u"(";
}

// Whether PCRE2 reads the item's text as a group of its own.
bool writtenAsGroup(const Emitter& e, const EcmaNode& node) {
  switch (node.kind) {
    case NodeKind::Group:
    case NodeKind::BackReference:
      return true;
    case NodeKind::Set:
      return needsFoldingOff(node.set, e.ignoreCase);
    case NodeKind::Class:
      return !classContents(classItemsOf(e.tree, node), e.ignoreCase).foldingOffSets.empty();
    default:
      return false;
  }
}

// PCRE2 10.42 anchors "(?:c|^){0}x" to line starts by mistake. An item
// repeated zero times matches empty and sets none of its groups, which an
// empty alternative before one that cannot match says as well.
bool repeatedZeroTimes(const EcmaNode& repeat) {
  return repeat.quantifier.max == 0u;
}

// PCRE2's DFA matcher keeps a state for every count a repeated character
// has reached, so "x+" over a run of x's has as many states as start
// positions; a repeated group keeps one.
bool groupsRepeatedItem(const Emitter& e, const EcmaNode& repeat) {
  return e.matcher == PcreMatcher::Automaton && !repeatedZeroTimes(repeat) &&
         !writtenAsGroup(e, onlyChild(e.tree, repeat));
}

// What is written before a node's children; all of a node without any.
void writeOpening(Emitter& e, const EcmaNode& node) {
  switch (node.kind) {
    case NodeKind::Alternation:
    case NodeKind::Concatenation:
      break;
    case NodeKind::Character:
      appendLiteral(e.out, node.unit);
      break;
    case NodeKind::AnyButLineEnd:
      e.out += u"[^\\n\\r]";
      break;
    case NodeKind::Set:
      appendSetEscape(e, node.set);
      break;
    case NodeKind::Class:
      appendClassContents(e, node.negated, classContents(classItemsOf(e.tree, node), e.ignoreCase));
      break;
    case NodeKind::Assertion:
      appendAssertion(e, node.assertion);
      break;
    case NodeKind::BackReference:
      appendBackReference(e, node.number);
      break;
    case NodeKind::Group:
      e.out += groupOpening(node.group);
      break;
    case NodeKind::Repeat:
      if (repeatedZeroTimes(node)) e.out += u"(?:|(?!)";
      if (groupsRepeatedItem(e, node)) e.out += u"(?:";
      break;
  }
}

// What is written after a node's children.
void writeClosing(Emitter& e, const EcmaNode& node) {
  if (node.kind == NodeKind::Group) e.out += u')';
  if (node.kind != NodeKind::Repeat) return;
  if (repeatedZeroTimes(node)) {
    e.out += u')';
    return;
  }
  if (groupsRepeatedItem(e, node)) e.out += u')';
  appendQuantifier(e.out, node.quantifier);
}

// Depth first, on a stack of its own rather than by recursion.
void writeNode(Emitter& e, NodeIndex top) {
  struct Visit {
    NodeIndex node;
    std::size_t next = 0;  // the child to write next
  };
  std::vector<Visit> pending{{top}};
  writeOpening(e, e.tree.nodes[top]);
  while (!pending.empty()) {
    Visit& visit = pending.back();
    const EcmaNode& node = e.tree.nodes[visit.node];
    const std::span<const NodeIndex> children = childrenOf(e.tree, node);
    if (visit.next == children.size()) {
      writeClosing(e, node);
      pending.pop_back();
      continue;
    }
    if (node.kind == NodeKind::Alternation && visit.next > 0) e.out += u'|';
    const NodeIndex child = children[visit.next++];
    writeOpening(e, e.tree.nodes[child]);
    pending.push_back({child});
  }
}

}  // namespace

std::u16string emitPcre(const EcmaTree& tree, bool ignoreCase, PcreMatcher matcher) {
  Emitter e{tree, ignoreCase, matcher, {}};
  writeNode(e, tree.root);
  return std::move(e.out);
}

std::vector<std::u16string> emitPcrePieces(const EcmaTree& tree, bool ignoreCase,
                                           std::size_t itemsPerPiece) {
  const EcmaNode& root = tree.nodes[tree.root];
  if (root.kind != NodeKind::Concatenation) return {emitPcre(tree, ignoreCase)};
  const std::span<const NodeIndex> items = childrenOf(tree, root);
  std::vector<std::u16string> pieces;
  std::size_t at = 0;
  do {
    Emitter e{tree, ignoreCase, PcreMatcher::Backtracking, {}};
    for (const NodeIndex item : items.subspan(at, std::min(itemsPerPiece, items.size() - at))) {
      writeNode(e, item);
    }
    pieces.push_back(std::move(e.out));
    at += itemsPerPiece;
  } while (at < items.size());
  return pieces;
}

}  // namespace vesk::regex
