#include "regex/ecma_translate.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace vesk::regex {
namespace {

constexpr char32_t kEnd = 0x110000;  // what peek answers past the end of the pattern

using CodeRange = CharRange;
using RangeList = CharSet;

constexpr std::array<CodeRange, 1> kDigitSet{{{u'0', u'9'}}};
constexpr std::array<CodeRange, 4> kWordSet{
    {{u'0', u'9'}, {u'A', u'Z'}, {u'_', u'_'}, {u'a', u'z'}}};
// ECMAScript's WhiteSpace and LineTerminator characters, sorted.
constexpr std::array<CodeRange, 10> kSpaceSet{{{0x0009, 0x000D},
                                               {0x0020, 0x0020},
                                               {0x00A0, 0x00A0},
                                               {0x1680, 0x1680},
                                               {0x2000, 0x200A},
                                               {0x2028, 0x2029},
                                               {0x202F, 0x202F},
                                               {0x205F, 0x205F},
                                               {0x3000, 0x3000},
                                               {0xFEFF, 0xFEFF}}};

constexpr std::u16string_view kWordClass = u"[0-9A-Z_a-z]";

// PCRE2's limit for the numbers of a braced quantifier.
constexpr std::uint32_t kMaxRepeat = 65535;

enum class SetEscape { Digit, NotDigit, Space, NotSpace, Word, NotWord };

// What a step of the translation produced: an item that takes a quantifier,
// one that does not, or a syntax error.
enum class Item { Invalid, Atom, Assertion };

enum class GroupKind { Capture, NonCapture, Lookahead, Lookbehind };

struct GroupName {
  std::u16string name;
  std::size_t number = 0;
};

struct Quantifier {
  char16_t symbol = 0;  // '*', '+' or '?'; 0 for the braced form
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;
  bool lazy = false;
};

struct Translator {
  std::u16string_view source;
  std::size_t pos = 0;
  bool ignoreCase = false;
  std::size_t groupCount = 0;  // of the whole pattern, known before translating
  std::vector<GroupName> names;
  std::u16string out;
  bool forAutomaton = false;
  bool hasBackReference = false;
  // What the item just translated was, for the required text.
  std::optional<char16_t> literalAtom;         // it stands for this one character
  std::optional<RangeList> atomSet;            // it stands for one of these (a class)
  std::optional<std::uint32_t> quantifierMin;  // it was a quantifier
};

// The longest run of characters that every match holds, read off the top
// level of the pattern: a prefilter may skip text that lacks it.
struct RequiredText {
  std::u16string run;
  std::u16string best;
  bool lastInRun = false;  // the last item was a character appended to run
  bool nothing = false;    // an alternative at the top level: nothing is required
  bool onlyRun = true;     // every item so far was a character of the run
};

// The characters of a pattern that is nothing but single characters, whatever
// their case folding: such a pattern is its text.
struct PlainText {
  std::u16string text;
  bool only = true;
};

void notePlainItem(PlainText& plain, const Translator& t, char16_t first) {
  if (t.literalAtom && !t.quantifierMin && first != u'|') {
    plain.text += *t.literalAtom;
  } else {
    plain.only = false;
  }
}

void endRun(RequiredText& required) {
  if (required.run.size() > required.best.size()) required.best = required.run;
  required.run.clear();
  required.lastInRun = false;
  required.onlyRun = false;
}

// With the letter i, PCRE2 folds with Unicode rules: "k" also matches the
// Kelvin sign and "s" the long s, and letters beyond ASCII have partners a
// byte search would not know. Those cannot stand in a run.
bool foldsOnlyWithinAscii(char16_t c) {
  if (c >= 0x80) return false;
  const char16_t lower = c | 0x20;
  return lower != u'k' && lower != u's';
}

void noteTopLevelItem(RequiredText& required, const Translator& t, char16_t first) {
  if (first == u'|' && !t.literalAtom) {
    required.nothing = true;
  } else if (t.quantifierMin) {
    if (*t.quantifierMin == 0 && required.lastInRun) required.run.pop_back();
    endRun(required);
  } else if (t.literalAtom && (!t.ignoreCase || foldsOnlyWithinAscii(*t.literalAtom))) {
    required.run += *t.literalAtom;
    required.lastInRun = true;
  } else {
    endRun(required);
  }
}

char32_t peek(const Translator& t, std::size_t ahead = 0) {
  const std::size_t at = t.pos + ahead;
  return at < t.source.size() ? t.source[at] : kEnd;
}

bool isAsciiLetter(char32_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
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

// The best run of character sets that every match holds side by side, read
// off the top level like the required text. A repeated item ("x+") ends a
// run and starts the next: its last repetition stands right before what
// follows it.
struct RequiredSets {
  std::vector<RangeList> run;
  std::vector<RangeList> best;
  std::vector<std::vector<RangeList>> all;  // every run worth looking for
  double bestScore = 0;
  bool lastInRun = false;
  bool nothing = false;
};

// How much of a text one character of the set rules out, from 1 for a
// single character down to nothing for a set of 256 or more.
double selectivity(const RangeList& set) {
  double members = 0;
  for (const CodeRange& range : set) members += range.last - range.first + 1;
  return members >= 256 || members == 0 ? 0 : std::log2(256 / members) / 8;
}

// A run worth looking for in a line rules out about as much as one byte.
constexpr double kRunWorthLookingFor = 1.0;

void endSetRun(RequiredSets& required) {
  double score = 0;
  for (const RangeList& set : required.run) score += selectivity(set);
  if (score >= kRunWorthLookingFor) required.all.push_back(required.run);
  if (score > required.bestScore) {
    required.bestScore = score;
    required.best = required.run;
  }
  required.run.clear();
  required.lastInRun = false;
}

// The set a character stands for under the pattern's case rule, or nothing
// when PCRE2's Unicode folding would widen it beyond what is known here.
std::optional<RangeList> foldedSet(const RangeList& set, bool ignoreCase) {
  if (!ignoreCase) return set;
  RangeList folded;
  for (const CodeRange& range : set) {
    for (char32_t c = range.first; c <= range.last; ++c) {
      if (!foldsOnlyWithinAscii(static_cast<char16_t>(c))) return std::nullopt;
      folded.push_back({static_cast<char16_t>(c), static_cast<char16_t>(c)});
      const char16_t other = static_cast<char16_t>(c ^ 0x20);
      if (isAsciiLetter(c)) folded.push_back({other, other});
    }
  }
  return folded;
}

void noteTopLevelSet(RequiredSets& required, const Translator& t, char16_t first) {
  std::optional<RangeList> set;
  if (t.literalAtom) set = RangeList{{*t.literalAtom, *t.literalAtom}};
  if (t.atomSet) set = t.atomSet;
  if (set) set = foldedSet(*set, t.ignoreCase);
  if (first == u'|' && !t.literalAtom) {
    required.nothing = true;
  } else if (t.quantifierMin) {
    std::optional<RangeList> repeated;
    if (required.lastInRun) repeated = required.run.back();
    if (*t.quantifierMin == 0 && required.lastInRun) required.run.pop_back();
    endSetRun(required);
    if (*t.quantifierMin > 0 && repeated) required.run.push_back(*repeated);
  } else if (set) {
    required.run.push_back(std::move(*set));
    required.lastInRun = true;
  } else {
    endSetRun(required);
  }
}

bool inSet(std::span<const CodeRange> set, char32_t c) {
  for (const CodeRange& range : set) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

// Group names: ASCII identifier characters and "$"; any non-ASCII unit other
// than white space stands in for Unicode's identifier characters.
bool isNameStart(char32_t c) {
  return isAsciiLetter(c) || c == u'$' || c == u'_' ||
         (c >= 0x80 && c != kEnd && !inSet(kSpaceSet, c));
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

std::optional<std::size_t> groupNumberOf(const Translator& t, std::u16string_view name) {
  for (const GroupName& entry : t.names) {
    if (entry.name == name) return entry.number;
  }
  return std::nullopt;
}

// Capture groups are counted over the whole pattern first: "\2" written
// before the second group opens is still a back-reference, and \k<name> may
// name a later group.
bool prescanGroups(Translator& t) {
  const std::u16string_view s = t.source;
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
        if (!name || groupNumberOf(t, name->first)) return false;
        t.names.push_back({std::u16string(name->first), t.groupCount + 1});
      }
      if (!special || named) ++t.groupCount;
    }
  }
  return true;
}

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
  if (isAsciiLetter(unit) || isDecimalDigit(unit) || unit == u'_') {
    out += unit;
  } else if (unit >= 0x20 && unit < 0x7F) {
    out += u'\\';
    out += unit;
  } else {
    appendHexUnit(out, unit);
  }
}

void appendClass(std::u16string& out, bool negated, std::span<const CodeRange> ranges) {
  if (ranges.empty() && !negated) {
    // PCRE2 10.42 fails "[]*" and "[]{0}" where they should match empty;
    // a class of nothing written as a negated class of everything does not.
    out += u"[^\\u0000-\\uffff]";
    return;
  }
  out += negated ? u"[^" : u"[";
  for (const CodeRange& range : ranges) {
    appendLiteral(out, range.first);
    if (range.last != range.first) {
      out += u'-';
      appendLiteral(out, range.last);
    }
  }
  out += u']';
}

std::span<const CodeRange> baseSet(SetEscape escape) {
  switch (escape) {
    case SetEscape::Digit:
    case SetEscape::NotDigit:
      return kDigitSet;
    case SetEscape::Space:
    case SetEscape::NotSpace:
      return kSpaceSet;
    case SetEscape::Word:
    case SetEscape::NotWord:
      break;
  }
  return kWordSet;
}

bool isNegated(SetEscape escape) {
  return escape == SetEscape::NotDigit || escape == SetEscape::NotSpace ||
         escape == SetEscape::NotWord;
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

// Case-insensitive matching in PCRE2's Unicode mode would add the Kelvin
// sign and the long s to the word set through k and s; ECMAScript's word set
// is exactly 63 ASCII characters, so it is matched with folding off.
bool needsFoldingOff(const Translator& t, SetEscape escape) {
  return t.ignoreCase && (escape == SetEscape::Word || escape == SetEscape::NotWord);
}

void appendSetEscape(Translator& t, SetEscape escape) {
  const bool foldingOff = needsFoldingOff(t, escape);
  if (foldingOff) t.out += u"(?-i:";
  appendClass(t.out, isNegated(escape), baseSet(escape));
  if (foldingOff) t.out += u')';
}

void appendComplement(RangeList& ranges, std::span<const CodeRange> set) {
  char32_t next = 0;
  for (const CodeRange& range : set) {
    if (range.first > next) {
      ranges.push_back({static_cast<char16_t>(next), static_cast<char16_t>(range.first - 1)});
    }
    next = static_cast<char32_t>(range.last) + 1;
  }
  if (next <= 0xFFFF) ranges.push_back({static_cast<char16_t>(next), 0xFFFF});
}

void appendWordBoundary(Translator& t, bool negated) {
  const std::u16string word(kWordClass);
  t.out += t.ignoreCase ? u"(?-i:" : u"(?:";
  if (negated) {
    t.out += u"(?<=" + word + u")(?=" + word + u")|(?<!" + word + u")(?!" + word + u")";
  } else {
    t.out += u"(?<=" + word + u")(?!" + word + u")|(?<!" + word + u")(?=" + word + u")";
  }
  t.out += u')';
}

// An octal escape of the web-compatible grammar: up to three digits, at most
// 0377. The position is at the first digit.
char16_t readLegacyOctal(Translator& t) {
  std::uint32_t value = t.source[t.pos++] - u'0';
  if (isOctalDigit(peek(t))) {
    value = value * 8 + (t.source[t.pos++] - u'0');
    if (value < 32 && isOctalDigit(peek(t))) value = value * 8 + (t.source[t.pos++] - u'0');
  }
  return static_cast<char16_t>(value);
}

std::optional<char16_t> readHexDigits(Translator& t, std::size_t from, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    const int digit = hexValue(peek(t, from + i));
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<char16_t>(value);
}

// A character escape, the position at its backslash. "\c" without a control
// letter is a backslash on its own; the "c" is read next as itself.
std::optional<char16_t> readCharacterEscape(Translator& t, bool inClass) {
  const char32_t c = peek(t, 1);
  const auto consume = [&t](std::size_t length, char32_t value) {
    t.pos += length;
    return std::optional<char16_t>(static_cast<char16_t>(value));
  };
  switch (c) {
    case kEnd:
      return std::nullopt;
    case u'f':
      return consume(2, 0x0C);
    case u'n':
      return consume(2, 0x0A);
    case u'r':
      return consume(2, 0x0D);
    case u't':
      return consume(2, 0x09);
    case u'v':
      return consume(2, 0x0B);
    case u'c': {
      const char32_t letter = peek(t, 2);
      const bool control =
          isAsciiLetter(letter) || (inClass && (isDecimalDigit(letter) || letter == u'_'));
      return control ? consume(3, letter % 32) : consume(1, u'\\');
    }
    case u'x':
      if (const auto value = readHexDigits(t, 2, 2)) return consume(4, *value);
      return consume(2, c);
    case u'u':
      if (const auto value = readHexDigits(t, 2, 4)) return consume(6, *value);
      return consume(2, c);
    case u'8':
    case u'9':
      return consume(2, c);
    default:
      break;
  }
  if (isOctalDigit(c)) {
    ++t.pos;
    return readLegacyOctal(t);
  }
  if (isAsciiLetter(c)) return std::nullopt;
  return consume(2, c);
}

Item translateAtomEscape(Translator& t) {
  const char32_t c = peek(t, 1);
  if (c == u'b' || c == u'B') {
    t.pos += 2;
    appendWordBoundary(t, c == u'B');
    return Item::Assertion;
  }
  if (const auto set = setEscapeFor(c)) {
    t.pos += 2;
    appendSetEscape(t, *set);
    if (!isNegated(*set) && !needsFoldingOff(t, *set)) {
      const auto members = baseSet(*set);
      t.atomSet = RangeList(members.begin(), members.end());
    }
    return Item::Atom;
  }
  std::optional<std::size_t> backReference;
  std::size_t end = t.pos + 1;
  if (c >= u'1' && c <= u'9') {
    std::size_t number = 0;
    while (end < t.source.size() && isDecimalDigit(t.source[end])) {
      if (number <= t.groupCount) number = number * 10 + (t.source[end] - u'0');
      ++end;
    }
    if (number <= t.groupCount) backReference = number;
  } else if (c == u'k' && !t.names.empty()) {
    const auto name = peek(t, 2) == u'<' ? readGroupName(t.source, t.pos + 3) : std::nullopt;
    if (!name || !(backReference = groupNumberOf(t, name->first))) return Item::Invalid;
    end = name->second;
  }
  if (backReference) {
    t.pos = end;
    t.hasBackReference = true;
    // PCRE2 10.42's JIT fails a quantified back-reference to an unset
    // group; in a group of its own it matches empty as it should.
    t.out += u"(?:\\g{";
    appendNumber(t.out, *backReference);
    t.out += u"})";
    return Item::Atom;
  }
  const auto unit = readCharacterEscape(t, false);
  if (!unit) return Item::Invalid;
  appendLiteral(t.out, *unit);
  t.literalAtom = *unit;
  return Item::Atom;
}

struct ClassAtom {
  std::optional<SetEscape> set;
  char16_t unit = 0;  // when not a set
};

std::optional<ClassAtom> readClassAtom(Translator& t) {
  if (peek(t) != u'\\') return ClassAtom{std::nullopt, t.source[t.pos++]};
  const char32_t c = peek(t, 1);
  if (c == u'b') {
    t.pos += 2;
    return ClassAtom{std::nullopt, 0x08};
  }
  if (const auto set = setEscapeFor(c)) {
    t.pos += 2;
    return ClassAtom{set, 0};
  }
  const auto unit = readCharacterEscape(t, true);
  if (!unit) return std::nullopt;
  return ClassAtom{std::nullopt, *unit};
}

struct ClassContents {
  RangeList ranges;
  std::vector<SetEscape> foldingOffSets;
};

void addClassAtom(const Translator& t, ClassContents& contents, const ClassAtom& atom) {
  if (!atom.set) {
    contents.ranges.push_back({atom.unit, atom.unit});
  } else if (needsFoldingOff(t, *atom.set)) {
    contents.foldingOffSets.push_back(*atom.set);
  } else if (isNegated(*atom.set)) {
    appendComplement(contents.ranges, baseSet(*atom.set));
  } else {
    const auto set = baseSet(*atom.set);
    contents.ranges.insert(contents.ranges.end(), set.begin(), set.end());
  }
}

void appendFoldingOffSets(Translator& t, const std::vector<SetEscape>& sets) {
  for (std::size_t i = 0; i < sets.size(); ++i) {
    if (i > 0) t.out += u'|';
    appendSetEscape(t, sets[i]);
  }
}

// A class whose word sets must be matched with case folding off becomes an
// alternation (or, negated, a negative lookahead before the rest).
void appendClassContents(Translator& t, bool negated, const ClassContents& contents) {
  if (contents.foldingOffSets.empty()) {
    appendClass(t.out, negated, contents.ranges);
  } else if (negated) {
    t.out += u"(?:(?!";
    appendFoldingOffSets(t, contents.foldingOffSets);
    t.out += u')';
    appendClass(t.out, true, contents.ranges);
    t.out += u')';
  } else {
    t.out += u"(?:";
    if (!contents.ranges.empty()) {
      appendClass(t.out, false, contents.ranges);
      t.out += u'|';
    }
    appendFoldingOffSets(t, contents.foldingOffSets);
    t.out += u')';
  }
}

Item translateClass(Translator& t) {
  ++t.pos;
  const bool negated = peek(t) == u'^';
  if (negated) ++t.pos;
  ClassContents contents;
  while (peek(t) != u']') {
    if (peek(t) == kEnd) return Item::Invalid;
    const auto first = readClassAtom(t);
    if (!first) return Item::Invalid;
    if (peek(t) != u'-' || peek(t, 1) == u']' || peek(t, 1) == kEnd) {
      addClassAtom(t, contents, *first);
      continue;
    }
    ++t.pos;
    const auto last = readClassAtom(t);
    if (!last) return Item::Invalid;
    if (first->set || last->set) {
      // With a set at either end the hyphen is itself a member.
      addClassAtom(t, contents, *first);
      addClassAtom(t, contents, ClassAtom{std::nullopt, u'-'});
      addClassAtom(t, contents, *last);
    } else if (first->unit > last->unit) {
      return Item::Invalid;
    } else {
      contents.ranges.push_back({first->unit, last->unit});
    }
  }
  ++t.pos;
  appendClassContents(t, negated, contents);
  if (!negated && contents.foldingOffSets.empty()) t.atomSet = contents.ranges;
  return Item::Atom;
}

Item openGroup(Translator& t, std::vector<GroupKind>& open) {
  const auto opensWith = [&t](std::u16string_view text) {
    return t.source.substr(t.pos).starts_with(text);
  };
  const auto enter = [&](std::size_t length, std::u16string_view written, GroupKind kind) {
    t.pos += length;
    t.out += written;
    open.push_back(kind);
    return Item::Assertion;  // nothing to quantify until the group closes
  };
  if (!opensWith(u"(?")) return enter(1, u"(", GroupKind::Capture);
  for (const std::u16string_view prefix : {u"(?:", u"(?=", u"(?!"}) {
    if (opensWith(prefix)) {
      return enter(3, prefix, prefix == u"(?:" ? GroupKind::NonCapture : GroupKind::Lookahead);
    }
  }
  for (const std::u16string_view prefix : {u"(?<=", u"(?<!"}) {
    if (opensWith(prefix)) return enter(4, prefix, GroupKind::Lookbehind);
  }
  if (opensWith(u"(?<")) {
    if (const auto name = readGroupName(t.source, t.pos + 3)) {
      return enter(name->second - t.pos, u"(", GroupKind::Capture);
    }
  }
  return Item::Invalid;
}

std::uint32_t readNumber(Translator& t) {
  std::uint32_t value = 0;
  while (isDecimalDigit(peek(t))) {
    if (value <= kMaxRepeat) value = value * 10 + (t.source[t.pos] - u'0');
    ++t.pos;
  }
  return value;
}

// "{n}", "{n,}" or "{n,m}" at the position; anything else leaves the
// position alone and the "{" is an ordinary character.
std::optional<Quantifier> readBracedQuantifier(Translator& t) {
  const std::size_t start = t.pos;
  ++t.pos;
  Quantifier quantifier;
  if (isDecimalDigit(peek(t))) {
    quantifier.min = readNumber(t);
    quantifier.max = quantifier.min;
    if (peek(t) == u',') {
      ++t.pos;
      quantifier.max = isDecimalDigit(peek(t)) ? std::optional(readNumber(t)) : std::nullopt;
    }
    if (peek(t) == u'}') {
      ++t.pos;
      return quantifier;
    }
  }
  t.pos = start;
  return std::nullopt;
}

std::optional<Quantifier> readQuantifier(Translator& t) {
  std::optional<Quantifier> quantifier;
  switch (peek(t)) {
    case u'*':
      quantifier = Quantifier{u'*', 0, std::nullopt};
      break;
    case u'+':
      quantifier = Quantifier{u'+', 1, std::nullopt};
      break;
    case u'?':
      quantifier = Quantifier{u'?', 0, 1};
      break;
    default:
      return readBracedQuantifier(t);
  }
  ++t.pos;
  return quantifier;
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

bool quantifierFits(const Quantifier& quantifier) {
  const std::uint32_t max = quantifier.max.value_or(quantifier.min);
  return quantifier.min <= max && max <= kMaxRepeat;
}

// A quantifier or, for a "{" that does not start one, the literal "{". The
// item it quantifies was written from itemStart on.
Item translateQuantifier(Translator& t, Item previous, std::size_t itemStart) {
  auto quantifier = readQuantifier(t);
  if (!quantifier) {
    ++t.pos;
    appendLiteral(t.out, u'{');
    t.literalAtom = u'{';
    return Item::Atom;
  }
  t.quantifierMin = quantifier->min;
  if (previous != Item::Atom || !quantifierFits(*quantifier)) return Item::Invalid;
  if (peek(t) == u'?') {
    quantifier->lazy = true;
    ++t.pos;
  }
  if (quantifier->max == 0u) {
    // PCRE2 10.42 anchors "(?:c|^){0}x" to line starts by mistake. An item
    // repeated zero times matches empty and sets none of its groups, which
    // an empty alternative before one that cannot match says as well.
    t.out.insert(itemStart, u"(?:|(?!)");
    t.out += u')';
  } else {
    // PCRE2's DFA matcher keeps a state for every count a repeated
    // character has reached, so "x+" over a run of x's has as many states as
    // start positions; a repeated group keeps one.
    if (t.forAutomaton && t.out[itemStart] != u'(') {
      t.out.insert(itemStart, u"(?:");
      t.out += u')';
    }
    appendQuantifier(t.out, *quantifier);
  }
  return Item::Assertion;  // a quantifier takes no further quantifier
}

Item translateNext(Translator& t, std::vector<GroupKind>& open, Item previous,
                   std::size_t previousStart) {
  const char16_t c = t.source[t.pos];
  switch (c) {
    case u'|':
    case u'^':
    case u'$':
      ++t.pos;
      t.out += c;
      return Item::Assertion;
    case u'(':
      return openGroup(t, open);
    case u')': {
      if (open.empty()) return Item::Invalid;
      const GroupKind kind = open.back();
      open.pop_back();
      ++t.pos;
      t.out += u')';
      // Web-compatible grammar: lookaheads take quantifiers, lookbehinds do not.
      return kind == GroupKind::Lookbehind ? Item::Assertion : Item::Atom;
    }
    case u'.':
      ++t.pos;
      t.out += u"[^\\n\\r]";
      return Item::Atom;
    case u'[':
      return translateClass(t);
    case u'\\':
      return translateAtomEscape(t);
    case u'*':
    case u'+':
    case u'?':
    case u'{':
      return translateQuantifier(t, previous, previousStart);
    default:
      ++t.pos;
      appendLiteral(t.out, c);
      t.literalAtom = c;
      return Item::Atom;
  }
}

}  // namespace

std::optional<PcrePattern> translateEcmaPattern(std::u16string_view pattern, bool ignoreCase,
                                                bool forAutomaton) {
  Translator t;
  t.source = pattern;
  t.ignoreCase = ignoreCase;
  t.forAutomaton = forAutomaton;
  if (!prescanGroups(t)) return std::nullopt;
  // Groups are tracked on a stack rather than by recursion, so that deeply
  // nested patterns cannot exhaust the call stack.
  std::vector<GroupKind> open;
  // Where each open group's text starts, and where the last item's does.
  std::vector<std::size_t> groupStarts;
  Item previous = Item::Assertion;
  std::size_t previousStart = 0;
  RequiredText required;
  RequiredSets requiredSets;
  PlainText plain;
  while (t.pos < t.source.size()) {
    const std::size_t start = t.out.size();
    const std::size_t openBefore = open.size();
    const char16_t first = t.source[t.pos];
    t.literalAtom.reset();
    t.atomSet.reset();
    t.quantifierMin.reset();
    previous = translateNext(t, open, previous, previousStart);
    if (previous == Item::Invalid) return std::nullopt;
    if (openBefore == 0 && open.empty()) {
      noteTopLevelItem(required, t, first);
      noteTopLevelSet(requiredSets, t, first);
      notePlainItem(plain, t, first);
    } else if (openBefore == 0) {
      plain.only = false;
      endRun(required);  // a group opens: what it holds may be optional
      endSetRun(requiredSets);
    }
    if (open.size() > openBefore) {
      groupStarts.push_back(start);
    } else if (open.size() < openBefore) {
      previousStart = groupStarts.back();
      groupStarts.pop_back();
    } else {
      previousStart = start;
    }
  }
  if (!open.empty()) return std::nullopt;
  const bool literal = required.onlyRun && !required.nothing && !required.run.empty();
  endRun(required);
  if (required.nothing) required.best.clear();
  endSetRun(requiredSets);
  if (requiredSets.nothing) {
    requiredSets.best.clear();
    requiredSets.all.clear();
  }
  if (!plain.only) plain.text.clear();
  return PcrePattern{std::move(t.out),
                     t.groupCount,
                     t.hasBackReference,
                     std::move(required.best),
                     literal,
                     std::move(requiredSets.best),
                     std::move(requiredSets.all),
                     std::move(plain.text)};
}

}  // namespace vesk::regex
