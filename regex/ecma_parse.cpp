#include "regex/ecma_parse.h"

#include <string>
#include <utility>

#include "base/ascii.h"

namespace vesk::regex {
namespace {

constexpr char32_t kEnd = 0x110000;  // what peek answers past the end of the pattern

// PCRE2's limit for the numbers of a braced quantifier.
constexpr std::uint32_t kMaxRepeat = 65535;

struct GroupName {
  std::u16string name;
  std::size_t number = 0;
};

// A group being read, or the pattern itself. Its alternatives read so far,
// and the items of the one being read, stand on the parser's stacks from
// these positions on.
struct OpenGroup {
  GroupKind kind = GroupKind::NonCapture;
  std::size_t number = 0;
  std::size_t firstAlternative = 0;
  std::size_t firstItem = 0;
};

// Groups are kept on a stack rather than read by recursion, so that deeply
// nested patterns cannot exhaust the call stack.
struct Parser {
  std::u16string_view source;
  std::size_t pos = 0;
  std::size_t groupCount = 0;  // of the whole pattern, known before reading it
  std::size_t capturesOpened = 0;
  std::vector<GroupName> names;
  std::vector<OpenGroup> open;          // the pattern itself first
  std::vector<NodeIndex> alternatives;  // of the open groups, the innermost's last
  std::vector<NodeIndex> items;         // likewise
  EcmaTree tree;
};

char32_t peek(const Parser& p, std::size_t ahead = 0) {
  const std::size_t at = p.pos + ahead;
  return at < p.source.size() ? p.source[at] : kEnd;
}

bool isDecimalDigit(char32_t c) {
  return c >= u'0' && c <= u'9';
}
bool isOctalDigit(char32_t c) {
  return c >= u'0' && c <= u'7';
}

int hexValue(char32_t c) {
  if (isDecimalDigit(c)) return static_cast<int>(c - u'0');
  if (c >= u'a' && c <= u'f') return static_cast<int>(c - u'a' + 10);
  if (c >= u'A' && c <= u'F') return static_cast<int>(c - u'A' + 10);
  return -1;
}

bool inSet(std::span<const CharRange> set, char32_t c) {
  for (const CharRange& range : set) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

NodeIndex addNode(EcmaTree& tree, const EcmaNode& node) {
  tree.nodes.push_back(node);
  return tree.nodes.size() - 1;
}

NodeIndex addParent(EcmaTree& tree, EcmaNode node, std::span<const NodeIndex> children) {
  node.first = tree.children.size();
  node.count = children.size();
  tree.children.insert(tree.children.end(), children.begin(), children.end());
  return addNode(tree, node);
}

void addItem(Parser& p, const EcmaNode& node) {
  p.items.push_back(addNode(p.tree, node));
}

void addCharacter(Parser& p, char16_t unit) {
  addItem(p, EcmaNode{.kind = NodeKind::Character, .unit = unit});
}

void addAssertion(Parser& p, AssertionKind assertion) {
  addItem(p, EcmaNode{.kind = NodeKind::Assertion, .assertion = assertion});
}

void endAlternative(Parser& p) {
  const std::size_t first = p.open.back().firstItem;
  const EcmaNode node{.kind = NodeKind::Concatenation};
  p.alternatives.push_back(addParent(p.tree, node, std::span(p.items).subspan(first)));
  p.items.resize(first);
}

// The innermost open group's body, its alternatives taken off the stack.
NodeIndex endDisjunction(Parser& p) {
  endAlternative(p);
  const std::size_t first = p.open.back().firstAlternative;
  const std::span<const NodeIndex> alternatives = std::span(p.alternatives).subspan(first);
  const NodeIndex body =
      alternatives.size() == 1
          ? alternatives[0]
          : addParent(p.tree, EcmaNode{.kind = NodeKind::Alternation}, alternatives);
  p.alternatives.resize(first);
  return body;
}

// Group names: ASCII identifier characters and "$"; any non-ASCII unit other
// than white space stands in for Unicode's identifier characters.
bool isNameStart(char32_t c) {
  return isAsciiLetter(c) || c == u'$' || c == u'_' ||
         (c >= 0x80 && c != kEnd && !inSet(spaceSet(), c));
}
bool isNamePart(char32_t c) {
  return isNameStart(c) || isDecimalDigit(c);
}

// Reads "name>" from `from`; the name and the position after ">".
std::optional<std::pair<std::u16string_view, std::size_t>> readGroupName(std::u16string_view source,
                                                                         std::size_t from) {
  std::size_t end = from;
  while (end < source.size() &&
         (end == from ? isNameStart(source[end]) : isNamePart(source[end]))) {
    ++end;
  }
  if (end == from || end >= source.size() || source[end] != u'>') return std::nullopt;
  return std::pair{source.substr(from, end - from), end + 1};
}

std::optional<std::size_t> groupNumberOf(const Parser& p, std::u16string_view name) {
  for (const GroupName& entry : p.names) {
    if (entry.name == name) return entry.number;
  }
  return std::nullopt;
}

// Capture groups are counted over the whole pattern first: "\2" written
// before the second group opens is still a back-reference, and \k<name> may
// name a later group.
bool prescanGroups(Parser& p) {
  const std::u16string_view s = p.source;
  bool inClass = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\\') {
      ++i;
    } else if (inClass) {
      inClass = s[i] != u']';
    } else if (s[i] == u'[') {
      inClass = true;
    } else if (s[i] == u'(') {
      const bool special = i + 1 < s.size() && s[i + 1] == u'?';
      const bool named =
          special && i + 3 < s.size() && s[i + 2] == u'<' && s[i + 3] != u'=' && s[i + 3] != u'!';
      if (named) {
        const auto name = readGroupName(s, i + 3);
        if (!name || groupNumberOf(p, name->first)) return false;
        p.names.push_back({std::u16string(name->first), p.groupCount + 1});
      }
      if (!special || named) ++p.groupCount;
    }
  }
  return true;
}

// An octal escape of the web-compatible grammar: up to three digits, at most
// 0377. The position is at the first digit.
char16_t readLegacyOctal(Parser& p) {
  std::uint32_t value = p.source[p.pos++] - u'0';
  if (isOctalDigit(peek(p))) {
    value = value * 8 + (p.source[p.pos++] - u'0');
    if (value < 32 && isOctalDigit(peek(p))) value = value * 8 + (p.source[p.pos++] - u'0');
  }
  return static_cast<char16_t>(value);
}

std::optional<char16_t> readHexDigits(const Parser& p, std::size_t from, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    const int digit = hexValue(peek(p, from + i));
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<char16_t>(value);
}

std::optional<char16_t> controlEscapeValue(char32_t letter) {
  switch (letter) {
    case u'f':
      return 0x0C;
    case u'n':
      return 0x0A;
    case u'r':
      return 0x0D;
    case u't':
      return 0x09;
    case u'v':
      return 0x0B;
    default:
      return std::nullopt;
  }
}

// A character escape, the position at its backslash. "\c" without a control
// letter is a backslash on its own; the "c" is read next as itself.
std::optional<char16_t> readCharacterEscape(Parser& p, bool inClass) {
  const char32_t c = peek(p, 1);
  const auto consume = [&p](std::size_t length, char32_t value) {
    p.pos += length;
    return std::optional<char16_t>(static_cast<char16_t>(value));
  };
  if (c == kEnd) return std::nullopt;
  if (const auto value = controlEscapeValue(c)) return consume(2, *value);
  if (c == u'c') {
    const char32_t letter = peek(p, 2);
    const bool control =
        isAsciiLetter(letter) || (inClass && (isDecimalDigit(letter) || letter == u'_'));
    return control ? consume(3, letter % 32) : consume(1, u'\\');
  }
  if (c == u'x' || c == u'u') {
    if (const auto value = readHexDigits(p, 2, c == u'x' ? 2 : 4)) {
      return consume(c == u'x' ? 4 : 6, *value);
    }
    return consume(2, c);
  }
  if (isOctalDigit(c)) {
    ++p.pos;
    return readLegacyOctal(p);
  }
  if (isAsciiLetter(c)) return std::nullopt;
  return consume(2, c);  // "\8" and "\9" too
}

std::optional<SetEscape> setEscapeFor(char32_t letter) {
  switch (letter) {
    case u'd':
      return SetEscape::Digit;
    case u'D':
      return SetEscape::NotDigit;
    case u's':
      return SetEscape::Space;
    case u'S':
      return SetEscape::NotSpace;
    case u'w':
      return SetEscape::Word;
    case u'W':
      return SetEscape::NotWord;
    default:
      return std::nullopt;
  }
}

void addBackReference(Parser& p, std::size_t number) {
  p.tree.hasBackReference = true;
  addItem(p, EcmaNode{.kind = NodeKind::BackReference, .number = number});
}

// "\N" for an existing group N, the position at the backslash; nullopt,
// leaving the position alone, when there is no such group.
std::optional<std::size_t> readNumberedReference(Parser& p) {
  std::size_t number = 0;
  std::size_t end = p.pos + 1;
  while (end < p.source.size() && isDecimalDigit(p.source[end])) {
    if (number <= p.groupCount) number = number * 10 + (p.source[end] - u'0');
    ++end;
  }
  if (number > p.groupCount) return std::nullopt;
  p.pos = end;
  return number;
}

// "\k<name>" in a pattern with named groups, which must name one of them.
bool readNamedReference(Parser& p) {
  const auto name = peek(p, 2) == u'<' ? readGroupName(p.source, p.pos + 3) : std::nullopt;
  const auto number = name ? groupNumberOf(p, name->first) : std::nullopt;
  if (!number) return false;
  p.pos = name->second;
  addBackReference(p, *number);
  return true;
}

bool readAtomEscape(Parser& p) {
  const char32_t c = peek(p, 1);
  if (c == u'b' || c == u'B') {
    p.pos += 2;
    addAssertion(p, c == u'B' ? AssertionKind::NotWordBoundary : AssertionKind::WordBoundary);
    return true;
  }
  if (const auto set = setEscapeFor(c)) {
    p.pos += 2;
    addItem(p, EcmaNode{.kind = NodeKind::Set, .set = *set});
    return true;
  }
  if (c == u'k' && !p.names.empty()) return readNamedReference(p);
  if (c >= u'1' && c <= u'9') {
    if (const auto number = readNumberedReference(p)) {
      addBackReference(p, *number);
      return true;
    }
  }
  const auto unit = readCharacterEscape(p, false);
  if (unit) addCharacter(p, *unit);
  return unit.has_value();
}

struct ClassAtom {
  std::optional<SetEscape> set;
  char16_t unit = 0;  // when not a set
};

std::optional<ClassAtom> readClassAtom(Parser& p) {
  if (peek(p) != u'\\') return ClassAtom{std::nullopt, p.source[p.pos++]};
  const char32_t c = peek(p, 1);
  if (c == u'b') {
    p.pos += 2;
    return ClassAtom{std::nullopt, 0x08};
  }
  if (const auto set = setEscapeFor(c)) {
    p.pos += 2;
    return ClassAtom{set, 0};
  }
  const auto unit = readCharacterEscape(p, true);
  if (!unit) return std::nullopt;
  return ClassAtom{std::nullopt, *unit};
}

void addClassAtom(Parser& p, const ClassAtom& atom) {
  p.tree.classItems.push_back(atom.set ? ClassItem{{0, 0}, atom.set}
                                       : ClassItem{{atom.unit, atom.unit}, std::nullopt});
}

// One atom of a class, or a range of two with a hyphen between them.
bool readClassMember(Parser& p) {
  const auto first = readClassAtom(p);
  if (!first) return false;
  if (peek(p) != u'-' || peek(p, 1) == u']' || peek(p, 1) == kEnd) {
    addClassAtom(p, *first);
    return true;
  }
  ++p.pos;
  const auto last = readClassAtom(p);
  if (!last) return false;
  if (first->set || last->set) {
    // With a set at either end the hyphen is itself a member.
    addClassAtom(p, *first);
    addClassAtom(p, ClassAtom{std::nullopt, u'-'});
    addClassAtom(p, *last);
    return true;
  }
  if (first->unit > last->unit) return false;
  p.tree.classItems.push_back(ClassItem{{first->unit, last->unit}, std::nullopt});
  return true;
}

// Classes do not nest, so a class's items stand side by side in the tree's list.
bool readClass(Parser& p) {
  ++p.pos;
  EcmaNode node{.kind = NodeKind::Class, .negated = peek(p) == u'^'};
  if (node.negated) ++p.pos;
  node.first = p.tree.classItems.size();
  while (peek(p) != u']') {
    if (peek(p) == kEnd || !readClassMember(p)) return false;
  }
  ++p.pos;
  node.count = p.tree.classItems.size() - node.first;
  addItem(p, node);
  return true;
}

bool openGroup(Parser& p) {
  const auto opensWith = [&p](std::u16string_view text) {
    return p.source.substr(p.pos).starts_with(text);
  };
  const auto enter = [&p](std::size_t length, GroupKind kind) {
    p.pos += length;
    const std::size_t number = kind == GroupKind::Capture ? ++p.capturesOpened : 0;
    p.open.push_back(OpenGroup{kind, number, p.alternatives.size(), p.items.size()});
    return true;
  };
  if (!opensWith(u"(?")) return enter(1, GroupKind::Capture);
  struct Opening {
    std::u16string_view text;
    GroupKind kind;
  };
  constexpr Opening kOpenings[] = {{u"(?:", GroupKind::NonCapture},
                                   {u"(?=", GroupKind::Lookahead},
                                   {u"(?!", GroupKind::NegativeLookahead},
                                   {u"(?<=", GroupKind::Lookbehind},
                                   {u"(?<!", GroupKind::NegativeLookbehind}};
  for (const Opening& opening : kOpenings) {
    if (opensWith(opening.text)) return enter(opening.text.size(), opening.kind);
  }
  if (opensWith(u"(?<")) {
    if (const auto name = readGroupName(p.source, p.pos + 3)) {
      return enter(name->second - p.pos, GroupKind::Capture);
    }
  }
  return false;
}

bool closeGroup(Parser& p) {
  if (p.open.size() < 2) return false;
  ++p.pos;
  const NodeIndex body = endDisjunction(p);
  const OpenGroup group = p.open.back();
  p.open.pop_back();
  const EcmaNode node{.kind = NodeKind::Group, .group = group.kind, .number = group.number};
  p.items.push_back(addParent(p.tree, node, std::span(&body, 1)));
  return true;
}

std::uint32_t readNumber(Parser& p) {
  std::uint32_t value = 0;
  while (isDecimalDigit(peek(p))) {
    if (value <= kMaxRepeat) value = value * 10 + (p.source[p.pos] - u'0');
    ++p.pos;
  }
  return value;
}

// "{n}", "{n,}" or "{n,m}" at the position; anything else leaves the
// position alone and the "{" is an ordinary character.
std::optional<Quantifier> readBracedQuantifier(Parser& p) {
  const std::size_t start = p.pos;
  ++p.pos;
  Quantifier quantifier;
  if (isDecimalDigit(peek(p))) {
    quantifier.min = readNumber(p);
    quantifier.max = quantifier.min;
    if (peek(p) == u',') {
      ++p.pos;
      quantifier.max = isDecimalDigit(peek(p)) ? std::optional(readNumber(p)) : std::nullopt;
    }
    if (peek(p) == u'}') {
      ++p.pos;
      return quantifier;
    }
  }
  p.pos = start;
  return std::nullopt;
}

std::optional<Quantifier> readQuantifierText(Parser& p) {
  std::optional<Quantifier> quantifier;
  switch (peek(p)) {
    case u'*':
      quantifier = Quantifier{.symbol = u'*', .min = 0, .max = std::nullopt};
      break;
    case u'+':
      quantifier = Quantifier{.symbol = u'+', .min = 1, .max = std::nullopt};
      break;
    case u'?':
      quantifier = Quantifier{.symbol = u'?', .min = 0, .max = 1};
      break;
    default:
      return readBracedQuantifier(p);
  }
  ++p.pos;
  return quantifier;
}

bool quantifierFits(const Quantifier& quantifier) {
  const std::uint32_t max = quantifier.max.value_or(quantifier.min);
  return quantifier.min <= max && max <= kMaxRepeat;
}

// Web-compatible grammar: lookaheads take quantifiers, lookbehinds and
// other assertions do not, and nor does an item already quantified.
bool canRepeat(const EcmaNode& node) {
  const bool lookbehind =
      node.group == GroupKind::Lookbehind || node.group == GroupKind::NegativeLookbehind;
  return node.kind != NodeKind::Assertion && node.kind != NodeKind::Repeat &&
         !(node.kind == NodeKind::Group && lookbehind);
}

// A quantifier of the item before it or, for a "{" that does not start one,
// the character "{".
bool readQuantifier(Parser& p) {
  auto quantifier = readQuantifierText(p);
  if (!quantifier) {
    ++p.pos;
    addCharacter(p, u'{');
    return true;
  }
  std::vector<NodeIndex>& items = p.items;
  const bool itemBefore = items.size() > p.open.back().firstItem;
  if (!itemBefore || !canRepeat(p.tree.nodes[items.back()]) || !quantifierFits(*quantifier)) {
    return false;
  }
  if (peek(p) == u'?') {
    quantifier->lazy = true;
    ++p.pos;
  }
  const EcmaNode node{.kind = NodeKind::Repeat, .quantifier = *quantifier};
  items.back() = addParent(p.tree, node, std::span(&items.back(), 1));
  return true;
}

// Reads the item, quantifier, group boundary or "|" at the position; false
// when it is not valid there.
bool readNext(Parser& p) {
  const char16_t c = p.source[p.pos];
  switch (c) {
    case u'|':
      ++p.pos;
      endAlternative(p);
      return true;
    case u'^':
    case u'$':
      ++p.pos;
      addAssertion(p, c == u'^' ? AssertionKind::LineStart : AssertionKind::LineEnd);
      return true;
    case u'(':
      return openGroup(p);
    case u')':
      return closeGroup(p);
    case u'.':
      ++p.pos;
      addItem(p, EcmaNode{.kind = NodeKind::AnyButLineEnd});
      return true;
    case u'[':
      return readClass(p);
    case u'\\':
      return readAtomEscape(p);
    case u'*':
    case u'+':
    case u'?':
    case u'{':
      return readQuantifier(p);
    default:
      ++p.pos;
      addCharacter(p, c);
      return true;
  }
}

}  // namespace

std::span<const NodeIndex> childrenOf(const EcmaTree& tree, const EcmaNode& node) {
  if (node.kind == NodeKind::Class) return {};
  return std::span(tree.children).subspan(node.first, node.count);
}

std::span<const ClassItem> classItemsOf(const EcmaTree& tree, const EcmaNode& node) {
  if (node.kind != NodeKind::Class) return {};
  return std::span(tree.classItems).subspan(node.first, node.count);
}

const EcmaNode& onlyChild(const EcmaTree& tree, const EcmaNode& node) {
  return tree.nodes[tree.children[node.first]];
}

std::optional<EcmaTree> parseEcmaPattern(std::u16string_view pattern) {
  Parser p;
  p.source = pattern;
  if (!prescanGroups(p)) return std::nullopt;
  // About one node for each unit of the pattern, so that few grow.
  p.tree.nodes.reserve(pattern.size() + 1);
  p.tree.children.reserve(pattern.size());
  p.open.emplace_back();
  while (p.pos < p.source.size()) {
    if (!readNext(p)) return std::nullopt;
  }
  if (p.open.size() != 1) return std::nullopt;
  p.tree.root = endDisjunction(p);
  p.tree.groupCount = p.groupCount;
  return std::move(p.tree);
}

}  // namespace vesk::regex
