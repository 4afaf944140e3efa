// Generates small patterns and lines from a seed, evaluates them in the
// program's dialect and prints one JSON line per case; run.mjs holds the
// answers against JavaScript's RegExp, and the automaton that decides search
// entries where backtracking gives up against backtracking (on each line and
// on all of them joined).
//
// Usage: vesk_regex_diff --seed N --count M
//
// What the generator leaves out, because JavaScript defines it differently on
// purpose or the dialect leaves it open: carriage returns, U+2028 and U+2029
// in lines (line terminators in JavaScript, ordinary characters here), letters
// whose case folding differs between the engines (the Kelvin sign, the long
// s), and back-references to groups inside a repeated item (JavaScript resets
// such captures on every repetition). Cases keep two marks for run.mjs:
// compareEnd is false when a repeated item can match the empty text (an empty
// repetition ends the loop here but is rejected in JavaScript, which can move
// the end of a match, never whether or where it starts), and lookbehind says
// that PCRE2 may reject the pattern for a lookbehind without a fixed length.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/search_entry.h"
#include "regex/pattern.h"
#include "search/line_matching.h"

namespace vesk {
namespace {

struct Random {
  std::uint64_t state = 0;
};

// splitmix64: the same sequence on every platform, unlike std's distributions.
std::uint64_t nextRandom(Random& random) {
  std::uint64_t z = (random.state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

std::size_t below(Random& random, std::size_t bound) {
  return nextRandom(random) % bound;
}

bool chance(Random& random, int percent) {
  return below(random, 100) < static_cast<std::size_t>(percent);
}

template <typename T>
const T& pick(Random& random, const std::vector<T>& choices) {
  return choices[below(random, choices.size())];
}

struct Piece {
  std::u16string text;
  bool nullable = false;
};

struct Generator {
  Random random;
  std::size_t groupsOpened = 0;
  std::vector<std::u16string> referable;  // back-references that are safe to compare
  int repeated = 0;                       // depth of enclosing quantified items
  bool compareEnd = true;
  bool lookbehind = false;
};

const std::vector<std::u16string> kPatternCharacters{
    u"a",   u"a",   u"b", u"b", u"c",     u"A",       u"B",    u"\u00E9", u"\u00C9", u"1",
    u"_",   u" ",   u"-", u"x", u"\\x61", u"\\u00e9", u"\\t",  u"\\-",    u"\\.",    u"\\*",
    u"\\0", u"\\8", u"]", u"}", u"{",     u"{1",      u"\\cA", u"\\c"};
const std::vector<std::u16string> kSetEscapes{u"\\d", u"\\D", u"\\s", u"\\S", u"\\w", u"\\W"};
const std::vector<std::u16string> kClassItems{
    u"a",     u"b",   u"A",   u"c",   u"1",     u"_",       u" ",   u"\u00E9",
    u"a-c",   u"A-Z", u"0-9", u"\\d", u"\\s",   u"\\w",     u"\\W", u"\\D",
    u"\\S",   u"\\-", u"\\]", u"\\b", u"\\x41", u"\\u3000", u"\\t", u"\\c1",
    u"\\101", u".",   u"^",   u"$",   u"(",     u"|",       u"[",   u"\\\\"};
const std::vector<std::u16string> kAssertions{u"^", u"$", u"\\b", u"\\B"};

const std::vector<char16_t> kLineCharacters{u'a', u'a', u'a',      u'b',      u'b',      u'c', u'A',
                                            u'B', u'C', u'\u00E9', u'\u00C9', u'1',      u'2', u'_',
                                            u' ', u'-', u'\t',     u'\u3000', u'\u00A0', u'x', u'!',
                                            u'.', u'*', u']',      u'{'};

struct Quantifier {
  std::u16string text;
  bool optional = false;  // may match zero times
  bool variable = false;  // more than one count possible
};

std::optional<Quantifier> maybeQuantifier(Generator& g) {
  if (!chance(g.random, 35)) return std::nullopt;
  static const std::vector<Quantifier> quantifiers{{u"*", true, true},     {u"+", false, true},
                                                   {u"?", true, true},     {u"{2}", false, false},
                                                   {u"{0,2}", true, true}, {u"{1,}", false, true},
                                                   {u"{0}", true, false},  {u"{2,3}", false, true}};
  Quantifier quantifier = pick(g.random, quantifiers);
  if (chance(g.random, 25)) quantifier.text += u'?';
  return quantifier;
}

Piece generateDisjunction(Generator& g, int depth);

Piece generateClass(Generator& g) {
  if (chance(g.random, 5)) return {chance(g.random, 50) ? u"[]" : u"[^]", false};
  std::u16string text = chance(g.random, 30) ? u"[^" : u"[";
  const std::size_t items = 1 + below(g.random, 3);
  for (std::size_t i = 0; i < items; ++i) text += pick(g.random, kClassItems);
  if (chance(g.random, 10)) text += u'-';
  return {text + u']', false};
}

Piece generateGroup(Generator& g, int depth) {
  const std::size_t kind = below(g.random, 10);
  if (kind < 4) {
    const Piece body = generateDisjunction(g, depth + 1);
    return {u"(?:" + body.text + u")", body.nullable};
  }
  const std::size_t number = ++g.groupsOpened;
  const bool named = kind == 9;
  const std::u16string name = u"n" + std::u16string(1, static_cast<char16_t>(u'0' + number % 10));
  const Piece body = generateDisjunction(g, depth + 1);
  if (g.repeated == 0) {
    std::u16string reference = u"\\";
    for (const char c : std::to_string(number)) reference += static_cast<char16_t>(c);
    g.referable.push_back(reference);
    if (named) g.referable.push_back(u"\\k<" + name + u">");
  }
  return {(named ? u"(?<" + name + u">" : u"(") + body.text + u")", body.nullable};
}

// Fixed-length items only: PCRE2 needs them in a lookbehind.
Piece generateLookbehind(Generator& g) {
  g.lookbehind = true;
  std::u16string text = chance(g.random, 50) ? u"(?<=" : u"(?<!";
  const std::size_t alternatives = 1 + below(g.random, 2);
  for (std::size_t a = 0; a < alternatives; ++a) {
    if (a > 0) text += u'|';
    const std::size_t items = 1 + below(g.random, 2);
    for (std::size_t i = 0; i < items; ++i) {
      switch (below(g.random, 4)) {
        case 0:
          text += generateClass(g).text;
          break;
        case 1:
          text += pick(g.random, kSetEscapes);
          break;
        case 2:
          text += u".";
          break;
        default:
          text += pick(g.random, kPatternCharacters);
          break;
      }
      if (chance(g.random, 15)) text += u"{2}";
    }
  }
  return {text + u")", true};
}

Piece generateAtom(Generator& g, int depth) {
  const std::size_t roll = below(g.random, 100);
  if (roll < 40) return {pick(g.random, kPatternCharacters), false};
  if (roll < 48) return {u".", false};
  if (roll < 56) return {pick(g.random, kSetEscapes), false};
  if (roll < 70) return generateClass(g);
  if (roll < 90 && depth < 3) return generateGroup(g, depth);
  if (roll < 96 && !g.referable.empty()) return {pick(g.random, g.referable), true};
  return {u"a", false};
}

Piece generateTerm(Generator& g, int depth) {
  const std::size_t roll = below(g.random, 100);
  if (roll < 10) return {pick(g.random, kAssertions), true};
  if (roll < 14 && depth < 3) return generateLookbehind(g);
  const std::optional<Quantifier> quantifier = maybeQuantifier(g);
  if (quantifier) ++g.repeated;
  Piece atom;
  if (roll < 20 && depth < 3) {
    // Lookaheads, which the web-compatible grammar lets take a quantifier.
    const Piece body = generateDisjunction(g, depth + 1);
    atom = {(chance(g.random, 50) ? u"(?=" : u"(?!") + body.text + u")", true};
  } else {
    atom = generateAtom(g, depth);
  }
  if (!quantifier) return atom;
  --g.repeated;
  if (atom.nullable && quantifier->variable) g.compareEnd = false;
  return {atom.text + quantifier->text, atom.nullable || quantifier->optional};
}

Piece generateAlternative(Generator& g, int depth) {
  Piece sequence{u"", true};
  const std::size_t terms = below(g.random, depth == 0 ? 5 : 4);
  for (std::size_t i = 0; i < terms; ++i) {
    const Piece term = generateTerm(g, depth);
    sequence.text += term.text;
    sequence.nullable = sequence.nullable && term.nullable;
  }
  return sequence;
}

Piece generateDisjunction(Generator& g, int depth) {
  Piece disjunction = generateAlternative(g, depth);
  while (chance(g.random, 25)) {
    const Piece alternative = generateAlternative(g, depth);
    disjunction.text += u"|" + alternative.text;
    disjunction.nullable = disjunction.nullable || alternative.nullable;
  }
  return disjunction;
}

// Escaped letters without an ECMAScript meaning are rejected here on purpose
// and are identity escapes in JavaScript; mutations must not create them.
bool hasLetterEscapeWithoutMeaning(std::u16string_view pattern) {
  const bool named = pattern.find(u"(?<n") != std::u16string_view::npos;
  const std::u16string_view outside = named ? u"bBdDsSwWfnrtvcxuk" : u"bBdDsSwWfnrtvcxu";
  constexpr std::u16string_view inside = u"bdDsSwWfnrtvcxu";
  bool inClass = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'[' && !inClass) inClass = true;
    if (c == u']' && inClass) inClass = false;
    if (c != u'\\' || i + 1 == pattern.size()) continue;
    const char16_t next = pattern[++i];
    const bool letter = (next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z');
    if (letter && (inClass ? inside : outside).find(next) == std::u16string_view::npos) return true;
  }
  return false;
}

// One character inserted or removed, to hold both sides to the same syntax errors.
std::u16string mutated(Random& random, const std::u16string& pattern) {
  constexpr std::u16string_view inserts = u"()[]{}*+?|^$\\-,0123456789abckxu<>=!:";
  std::u16string result = pattern;
  const std::size_t at = below(random, pattern.size() + 1);
  if (!pattern.empty() && chance(random, 30)) {
    result.erase(std::min(at, pattern.size() - 1), 1);
  } else {
    result.insert(at, 1, inserts[below(random, inserts.size())]);
  }
  return hasLetterEscapeWithoutMeaning(result) ? pattern : result;
}

std::u16string generateLine(Random& random) {
  std::u16string line;
  const std::size_t length = below(random, 11);
  for (std::size_t i = 0; i < length; ++i) {
    line += chance(random, 4) ? u'\n' : pick(random, kLineCharacters);
  }
  if (chance(random, 50)) line += u'\n';
  return line;
}

void appendJsonString(std::string& out, std::u16string_view text) {
  out += '"';
  for (const char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  out += '"';
}

struct Case {
  std::u16string pattern;
  bool ignoreCase = false;
  std::vector<std::u16string> lines;
  bool compareEnd = true;
  bool lookbehind = false;
};

Case generateCase(Random& random) {
  Generator g;
  g.random = random;
  Case c;
  c.pattern = generateDisjunction(g, 0).text;
  random = g.random;
  if (chance(random, 20)) c.pattern = mutated(random, c.pattern);
  c.ignoreCase = chance(random, 30);
  c.compareEnd = g.compareEnd;
  c.lookbehind = c.pattern.find(u"(?<=") != std::u16string::npos ||
                 c.pattern.find(u"(?<!") != std::u16string::npos;
  const std::size_t lines = 4 + below(random, 4);
  c.lines.push_back(u"");
  for (std::size_t i = 0; i < lines; ++i) c.lines.push_back(generateLine(random));
  return c;
}

// Whether a search entry selects the line by one matcher alone: true,
// false, or null when it cannot decide (the automaton for patterns with
// back-references, backtracking at its limits).
std::string answerOf(regex::MatchOutcome outcome) {
  switch (outcome) {
    case regex::MatchOutcome::Found:
      return "true";
    case regex::MatchOutcome::NotFound:
      return "false";
    case regex::MatchOutcome::GaveUp:
      break;
  }
  return "null";
}

std::string backtrackingAnswer(const SearchEntry& entry, regex::MatchWorkspace& workspace,
                               std::u16string_view line) {
  regex::MatchOutcome outcome = regex::findMatch(entry.pattern, workspace, line, 0);
  if (outcome == regex::MatchOutcome::Found && entry.matchesEmpty &&
      regex::groupSpan(workspace, 0)->start == line.size()) {
    outcome = regex::MatchOutcome::NotFound;
  }
  return answerOf(outcome);
}

// The line's selection, and what each matcher says of it alone.
std::string selectionAnswers(const SearchEntryList& entries, regex::MatchWorkspace& workspace,
                             std::u16string line) {
  const SearchEntry& entry = entries[0];
  const std::string automaton =
      answerOf(regex::containsMatchByAutomaton(entry.pattern, workspace, line, entry.matchesEmpty));
  const std::string backtracking = backtrackingAnswer(entry, workspace, line);
  const LineOutcome selected = evaluateLine(entries, workspace, line);
  return std::string("\"selected\":") + (selected.hit ? "true" : "false") +
         ",\"backtracking\":" + backtracking + ",\"automaton\":" + automaton;
}

// The case's lines one after another, several times: a longer line on which
// the automaton and backtracking must agree as well.
std::u16string joinedLines(const Case& c) {
  std::u16string joined;
  for (int round = 0; round < 4; ++round) {
    for (const std::u16string& line : c.lines) joined += line;
  }
  return joined;
}

// Our answers: whether each line is selected by a search entry (and what
// the automaton says), and the leftmost match.
std::string evaluateCase(const Case& c) {
  std::string out = "{\"pattern\":";
  appendJsonString(out, c.pattern);
  out += c.ignoreCase ? ",\"flags\":\"i\"" : ",\"flags\":\"\"";
  out += c.compareEnd ? ",\"compareEnd\":true" : ",\"compareEnd\":false";
  out += c.lookbehind ? ",\"lookbehind\":true" : ",\"lookbehind\":false";
  out += ",\"lines\":[";
  for (std::size_t i = 0; i < c.lines.size(); ++i) {
    if (i > 0) out += ',';
    appendJsonString(out, c.lines[i]);
  }
  out += ']';
  const BuiltEntries built = buildEntries({makeSearchTerm(c.ignoreCase, false, false, c.pattern)});
  if (built.failure) return out + ",\"valid\":false}";
  const SearchEntryList& entries = built.entries;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  out += entries[0].matchesEmpty ? ",\"valid\":true,\"matchesEmpty\":true"
                                 : ",\"valid\":true,\"matchesEmpty\":false";
  out += ",\"results\":[";
  for (std::size_t i = 0; i < c.lines.size(); ++i) {
    if (i > 0) out += ',';
    const std::u16string& line = c.lines[i];
    const regex::MatchOutcome outcome = regex::findMatch(entries[0].pattern, workspace, line, 0);
    std::string match = "null";
    if (outcome == regex::MatchOutcome::Found) {
      const regex::Span span = *regex::groupSpan(workspace, 0);
      match = "[" + std::to_string(span.start) + "," + std::to_string(span.end) + "]";
    } else if (outcome == regex::MatchOutcome::GaveUp) {
      match = "\"gave up\"";
    }
    out += "{" + selectionAnswers(entries, workspace, line) + ",\"match\":" + match + "}";
  }
  out += "],\"joined\":{" + selectionAnswers(entries, workspace, joinedLines(c)) + "}";
  return out + "}";
}

std::optional<std::uint64_t> numberArgument(int argc, char** argv, std::string_view name) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (argv[i] == name) return std::strtoull(argv[i + 1], nullptr, 10);
  }
  return std::nullopt;
}

}  // namespace
}  // namespace vesk

int main(int argc, char** argv) {
  const auto seed = vesk::numberArgument(argc, argv, "--seed");
  const auto count = vesk::numberArgument(argc, argv, "--count");
  if (!seed || !count) {
    std::fputs("usage: vesk_regex_diff --seed N --count M\n", stderr);
    return 2;
  }
  vesk::Random random{*seed};
  for (std::uint64_t i = 0; i < *count; ++i) {
    const std::string line = vesk::evaluateCase(vesk::generateCase(random)) + "\n";
    std::fputs(line.c_str(), stdout);
  }
  return 0;
}
