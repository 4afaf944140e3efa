// Whatever the per-file search's fast paths skip or copy, searchFile must write
// the same bytes and find the same as on the plain line-by-line path; and so
// must the search by blocks, switching between the owner alone and workers
// as it goes. Seeded, generated inputs and entry lists run through it every
// way.
#include "search/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

#include "base/utf8.h"
#include "output/printers.h"
#include "platform/codepage.h"
#include "platform/posix/locale.h"
#include "search/block_search.h"

namespace vesk {
namespace {

// Cases in the normal unit run. VESK_EQUIVALENCE_CASES asks for another count
// (a soak run); VESK_EQUIVALENCE_SEED runs the one case with that seed.
constexpr std::uint64_t kDefaultCases = 1000;
constexpr std::uint64_t kFirstSeed = 1;
// Cases built for what the fast paths take (see makeScenario and makeTerms);
// the others roam more widely.
constexpr std::size_t kFocusedPercent = 50;
// Failing cases reported in full before the run stops looking for more.
constexpr int kReportedFailures = 5;

std::uint64_t environmentNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoull(text, nullptr, 10);
}

struct Random {
  std::mt19937_64 engine;

  std::size_t below(std::size_t bound) { return static_cast<std::size_t>(engine() % bound); }
  bool percent(std::size_t chance) { return below(100) < chance; }
  template <typename Items>
  const auto& pick(const Items& items) {
    return items[below(std::size(items))];
  }
};

// --- What lines and terms are made of ---

// ASCII that regular expressions treat specially; letters whose case folds
// beyond ASCII (k with the Kelvin sign, s with the long s) and the letters
// they fold with; other non-ASCII letters; Japanese whose Shift_JIS trail
// byte is an ASCII letter, a backslash or a bar; characters that Shift_JIS
// spells in two or three ways; a character outside the BMP; U+FFFD, which
// invalid bytes also decode to. No word holds the filler characters ~ and #.
constexpr std::u16string_view kWords[] = {
    u"foo",        u"Foo",    u"FOO",    u"bar",    u"key",    u"KEY",    u"Kelvin",
    u"ask",        u"SKS",    u"s",      u"S",      u"k",      u"K",      u"a",
    u"x",          u"\\",     u"\\n",    u"abc",    u"a.c",    u"(x)",    u"[k]",
    u"$1",         u"^",      u"$",      u"*",      u"+?",     u"|",      u"{2}",
    u" ",          u"\t",     u"42",     u"_",      u"\u00E9", u"\u00C9", u"\u017F",
    u"\u212A",     u"\u212B", u"\u00C5", u"\u00E5", u"\u00DF", u"\u1E9E", u"\u0130",
    u"\u0131",     u"\u00B5", u"\u03BC", u"\u03A9", u"\u2126", u"\u03C9", u"\u30A2",
    u"\u8868",     u"\u30BD", u"\u80FD", u"\u30DD", u"\u30AC", u"\u30B4", u"\u30CC",
    u"\u30D4",     u"\uFF2C", u"\uFF34", u"\uFF21", u"\uFF41", u"\uFF71", u"\u65E5\u672C\u8A9E",
    u"\U0001D11E", u"\uFFFD", u"\u00AC", u"\uFFE2", u"\u2252", u"\u2235", u"\u00A5",
    u"\u203E"};

// Bytes that are not well-formed text in the 8-bit encodings: invalid and
// truncated UTF-8, encoded surrogates, overlong forms, a stray byte-order
// mark, Shift_JIS lead bytes alone or before ASCII trail bytes, the second
// and third spellings of U+FFE2, U+2252 and U+2235, half-width katakana.
constexpr std::string_view kByteOddities[] = {
    "\x80",     "\xC3",     "\xC3(",        "\xE3\x81", "\xF0\x9F\x98", "\xED\xA0\x80", "\xC0\x80",
    "\xFF",     "\xFE\xFF", "\xEF\xBB\xBF", "\x83",     "\x83\x41",     "\x83\x4B",     "\x83k",
    "\x83s",    "\x82s",    "\x95\\",       "\x83\\",   "\x81\\",       "\x83|",        "\xE0S",
    "\xEE\xF9", "\xFA\x54", "\x81\xCA",     "\x87\x90", "\x81\xE0",     "\xFA\x5B",     "\x81\xE6",
    "\xB1",     "\xA0",     "\xFD",         "\x81",     "\x9F\x7F"};

// UTF-16 units that are not well-formed text, or that hold a line feed or a
// carriage return in the other byte order.
constexpr char16_t kUnitOddities[] = {0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFE,
                                      0xFEFF, 0x0A00, 0x0D00, 0xFFFF, 0x1A00};

// Regular expressions around a term's escaped text (at %): each keeps the
// text as a literal every match must contain, some another text as well.
// None backtracks over a long line.
constexpr std::u16string_view kLiteralShapes[] = {
    u"%", u"^%", u"%$", u"%\\n", u"(%)", u"%.*", u"[~#]?%", u"%[^~]", u"(?:%){1,2}", u"[0-9]{0,2}%",
    u"(?=%)", u"%(?!x)", u"\\b%", u"(%)(x)?",
    // Texts apart from it that every match holds too, which lines must have.
    u"%.{0,8}%", u"_\\d?%", u"%[a-z ]{0,3}_"};

// Regular expressions without one literal text every match contains.
constexpr std::u16string_view kShapelessPatterns[] = {u"[kK]",
                                                      u"\\d+",
                                                      u"^$",
                                                      u"$",
                                                      u"^",
                                                      u"x*",
                                                      u"[^]",
                                                      u".",
                                                      u"\\r",
                                                      u"\\u212A",
                                                      u"\\u00E9",
                                                      u"[a-c]{2}",
                                                      u"\\s$",
                                                      u"(?:)",
                                                      u"\\bfoo|bar\\b",
                                                      u"\\uD834",
                                                      u"\\uDD1E",
                                                      u"[\\u3000-\\u30FF]+",
                                                      u"[^\\x00-\\x7F]",
                                                      u"\\\\",
                                                      u"\\t",
                                                      u"foo|Foo",
                                                      u"[\\uFF00-\\uFFEF]",
                                                      u"~*",
                                                      u"(?:foo)?",
                                                      u"\\b",
                                                      u"[sS\\u017F]"};

// Replacement formats; the ones that copy the text around each match only go
// with patterns that need a literal, so that no line grows quadratically.
constexpr std::u16string_view kFormats[] = {
    u"",    u"X",    u"[$&]",   u"$1",     u"$$", u"$0",  u"a$",      u"\\n",
    u"\\t", u"\\\\", u"\uFF71", u"\u212A", u"$2", u"$01", u"<$1|$&>", u"~"};
constexpr std::u16string_view kSurroundingFormats[] = {u"$`", u"$'", u"<$`|$'>"};

// --- The scenario of one case ---

enum class Content { Utf8, ShiftJis, Utf16Le, Utf16Be };

struct Scenario {
  Content content = Content::Utf8;
  bool byteOrderMark = false;
  bool shiftJisLocale = false;
  bool encodingGiven = false;
  std::u16string encodingName;
  std::uint32_t inputCodePage = platform::kAnsiCodePage;
  std::uint32_t outputCodePage = platform::kAnsiCodePage;
  std::size_t readSize = 0;  // 0: as much as the buffer takes
};

// A focused case reads in one of the ways the fast paths skip bytes in, with
// reads that leave whole lines to skip.
Scenario makeScenario(Random& random, bool focused) {
  Scenario scenario;
  const std::size_t kind = random.below(10);
  if (kind < 3) {
    scenario.inputCodePage = random.percent(50) ? platform::kAnsiCodePage : platform::kUtf8CodePage;
    // A UTF-16 file read as code-page bytes, now and then.
    scenario.content = focused || random.percent(85) ? Content::Utf8 : Content::Utf16Le;
  } else if (kind < 6) {
    scenario.content = Content::ShiftJis;
    scenario.shiftJisLocale = true;
  } else if (focused) {
    scenario.encodingGiven = true;
    scenario.encodingName = u"UTF-8";
  } else {
    constexpr std::u16string_view kNames[] = {u"UNICODE", u"UTF-8", u"UTF-16LE"};
    constexpr Content kContents[] = {Content::Utf8, Content::Utf16Le, Content::Utf16Be};
    scenario.encodingGiven = true;
    scenario.encodingName = random.pick(kNames);
    scenario.content = random.pick(kContents);
  }
  scenario.byteOrderMark = scenario.content != Content::ShiftJis && random.percent(50);
  scenario.outputCodePage = random.percent(50) ? platform::kAnsiCodePage : platform::kUtf8CodePage;
  constexpr std::size_t kReadSizes[] = {1, 7, 7, 4096, 4096, 0, 0, 0};
  constexpr std::size_t kFocusedReadSizes[] = {4096, 0, 0};
  scenario.readSize = focused ? random.pick(kFocusedReadSizes) : random.pick(kReadSizes);
  return scenario;
}

bool isUtf16(Content content) {
  return content == Content::Utf16Le || content == Content::Utf16Be;
}

void appendUnit(Content content, char16_t unit, std::string& bytes) {
  const char low = static_cast<char>(unit & 0xFF);
  const char high = static_cast<char>(unit >> 8);
  if (content == Content::Utf16Be) {
    bytes += high;
    bytes += low;
  } else {
    bytes += low;
    bytes += high;
  }
}

// Text in the file's encoding; Shift_JIS through the locale's code page,
// which the case has switched to.
void appendText(Content content, std::u16string_view text, std::string& bytes) {
  switch (content) {
    case Content::Utf8:
      appendUtf8FromWide(text, bytes);
      return;
    case Content::ShiftJis:
      platform::appendMultiByteFromWide(text, platform::kAnsiCodePage, bytes);
      return;
    case Content::Utf16Le:
    case Content::Utf16Be:
      for (const char16_t unit : text) appendUnit(content, unit, bytes);
      return;
  }
}

// A control character (NUL, CR, LF, Ctrl-Z) as one unit of the encoding.
void appendControl(Content content, char control, std::string& bytes) {
  if (isUtf16(content)) {
    appendUnit(content, static_cast<char16_t>(control), bytes);
  } else {
    bytes += control;
  }
}

std::string encoded(Content content, std::u16string_view text) {
  std::string bytes;
  appendText(content, text, bytes);
  return bytes;
}

// How many units the reader counts for the bytes when the file is read in
// the encoding it was written in.
std::size_t unitsOf(const Scenario& scenario, std::string_view bytes) {
  if (isUtf16(scenario.content)) return bytes.size() / 2;
  if (scenario.content == Content::Utf8 && scenario.encodingGiven) {
    std::u16string text;
    appendWideFromUtf8(bytes, text);
    return text.size();
  }
  return bytes.size();
}

// --- Search and replace terms ---

struct Term {
  bool replace = false;
  bool ignoreCase = false;
  bool literal = false;
  bool invert = false;
  bool escapes = false;
  std::u16string search;
  std::u16string replacement;
};

// Words that decoded text can hold although the bytes do not spell them:
// letters whose case partners lie beyond ASCII, U+FFFD (what invalid bytes
// decode to), characters Shift_JIS spells in more than one way, and a
// backslash, which is also a Shift_JIS trail byte.
constexpr std::u16string_view kTrickyWords[] = {
    u"k",       u"s",      u"key",    u"Kelvin", u"ask",    u"SKS",
    u"desk",    u"\u00C5", u"\u03C9", u"\u00B5", u"\u00DF", u"\uFFFD",
    u"a\uFFFD", u"\uFFE2", u"\u2252", u"\u2235", u"\\",     u"\u30BD"};

std::u16string makeNeedle(Random& random) {
  std::u16string needle;
  const std::size_t words = random.percent(70) ? 1 : 2 + random.below(2);
  for (std::size_t i = 0; i < words; ++i)
    needle += random.percent(35) ? random.pick(kTrickyWords) : random.pick(kWords);
  if (needle.size() > 1 && random.percent(20)) {
    // Part of the words, which may cut a surrogate pair in two.
    const std::size_t start = random.below(needle.size() - 1);
    needle = needle.substr(start, 1 + random.below(needle.size() - start));
  }
  return needle;
}

// The texts the entries look for, which the generated input then holds.
struct Needles {
  std::vector<std::u16string> texts;
  bool shiftJis = false;  // only text that Shift_JIS holds, as no other can be found
};

bool shiftJisHolds(std::u16string_view text) {
  std::string bytes;
  platform::appendMultiByteFromWide(text, platform::kAnsiCodePage, bytes);
  std::u16string back;
  platform::appendWideFromMultiByte(bytes, platform::kAnsiCodePage, back);
  return back == text;
}

// A term's text: an existing needle (so several entries look for the same
// text) or a new one.
std::u16string chooseNeedle(Random& random, Needles& needles) {
  if (!needles.texts.empty() && random.percent(40)) return random.pick(needles.texts);
  std::u16string needle = makeNeedle(random);
  while (needles.shiftJis && !shiftJisHolds(needle)) needle = makeNeedle(random);
  needles.texts.push_back(needle);
  return needle;
}

std::u16string shaped(std::u16string_view shape, std::u16string_view needle) {
  const std::u16string escaped = escapeRegexLiteral(needle);
  std::u16string pattern;
  for (const char16_t unit : shape) {
    if (unit == u'%') {
      pattern += escaped;
    } else {
      pattern += unit;
    }
  }
  return pattern;
}

// A term every match of which holds a needle: a literal term or a regular
// expression around the escaped needle.
void setLiteralSearch(Random& random, Needles& needles, Term& term) {
  const std::u16string needle = chooseNeedle(random, needles);
  term.literal = random.percent(50);
  term.search = term.literal ? needle : shaped(random.pick(kLiteralShapes), needle);
  term.ignoreCase = random.percent(50);
}

Term searchWithLiteral(Random& random, Needles& needles, bool invert) {
  Term term;
  term.invert = invert;
  setLiteralSearch(random, needles, term);
  return term;
}

Term searchWithoutLiteral(Random& random, bool invert) {
  Term term;
  term.invert = invert;
  term.search = random.pick(kShapelessPatterns);
  term.ignoreCase = random.percent(40);
  return term;
}

Term replaceWithLiteral(Random& random, Needles& needles) {
  Term term;
  term.replace = true;
  term.escapes = random.percent(30);
  setLiteralSearch(random, needles, term);
  term.replacement = random.percent(20) ? random.pick(kSurroundingFormats) : random.pick(kFormats);
  return term;
}

Term replaceTerm(Random& random, Needles& needles) {
  if (random.percent(60)) return replaceWithLiteral(random, needles);
  Term term;
  term.replace = true;
  term.escapes = random.percent(30);
  term.search = random.pick(kShapelessPatterns);
  term.ignoreCase = random.percent(40);
  term.replacement = random.pick(kFormats);
  return term;
}

// The first entry is the one a prefilter can use, so it is mostly a search
// entry with a literal.
Term leadingTerm(Random& random, Needles& needles) {
  const std::size_t roll = random.below(100);
  if (roll < 45) return searchWithLiteral(random, needles, false);
  if (roll < 55) return searchWithLiteral(random, needles, true);
  if (roll < 65) return searchWithoutLiteral(random, random.percent(30));
  return replaceTerm(random, needles);
}

// Mostly replacements and inverted searches, so that lines the first entry
// selects often survive the others and show what a fast path did.
Term followingTerm(Random& random, Needles& needles, bool manyEntries) {
  const std::size_t roll = random.below(manyEntries ? 400 : 100);
  if (roll < 10) return searchWithLiteral(random, needles, false);
  if (roll < 20) return searchWithLiteral(random, needles, true);
  if (roll < 25) return searchWithoutLiteral(random, random.percent(50));
  return replaceTerm(random, needles);
}

// A lone entry is the list a fast path helps most, so it is the most common.
std::size_t chooseEntryCount(Random& random) {
  const std::size_t roll = random.below(100);
  if (roll < 40) return 1;
  if (roll < 75) return 2 + random.below(3);
  if (roll < 90) return 5 + random.below(4);
  return 10 + random.below(30);
}

// A focused case has one or two entries, led by one a fast path can use.
std::vector<Term> makeTerms(Random& random, Needles& needles, bool focused) {
  if (focused) {
    std::vector<Term> terms{random.percent(55) ? searchWithLiteral(random, needles, false)
                                               : replaceWithLiteral(random, needles)};
    if (random.percent(40)) terms.push_back(followingTerm(random, needles, false));
    return terms;
  }
  const std::size_t count = chooseEntryCount(random);
  const bool manyEntries = count >= 10;
  std::vector<Term> terms{leadingTerm(random, needles)};
  while (terms.size() < count) terms.push_back(followingTerm(random, needles, manyEntries));
  return terms;
}

SearchTerm entryFor(const Term& term) {
  if (term.replace)
    return makeReplaceTerm(term.ignoreCase, term.literal, term.escapes, term.search,
                           term.replacement);
  return makeSearchTerm(term.ignoreCase, term.literal, term.invert, term.search);
}

// --- Input files ---

struct FileBuilder {
  const Scenario& scenario;
  Random& random;
  const std::vector<std::u16string>& needles;  // empty: needles only by chance
  std::string bytes;
};

// Letters and the ones they match without regard to case, beyond flipping
// ASCII case: a byte search that folds only ASCII misses these.
constexpr std::pair<char16_t, char16_t> kCasePartners[] = {
    {u'k', u'\u212A'},      {u'K', u'\u212A'},      {u's', u'\u017F'},      {u'S', u'\u017F'},
    {u'\u00E5', u'\u212B'}, {u'\u00C5', u'\u212B'}, {u'\u03C9', u'\u2126'}, {u'\u03A9', u'\u2126'},
    {u'\u00B5', u'\u03BC'}, {u'\u00DF', u'\u1E9E'}, {u'\u00E9', u'\u00C9'}, {u'\uFF21', u'\uFF41'}};

char16_t casePartner(char16_t c) {
  for (const auto& [one, other] : kCasePartners) {
    if (c == one) return other;
    if (c == other) return one;
  }
  const bool asciiLetter = (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
  return asciiLetter ? static_cast<char16_t>(c ^ 0x20) : c;
}

// A needle as the text may hold it: often as it is, else with some letters
// in another case, which only case-insensitive entries match.
std::u16string someNeedle(FileBuilder& file) {
  std::u16string needle(file.needles.empty() ? file.random.pick(kWords)
                                             : file.random.pick(file.needles));
  if (file.random.percent(60)) return needle;
  for (char16_t& c : needle) {
    if (file.random.percent(50)) c = casePartner(c);
  }
  return needle;
}

void appendOddity(FileBuilder& file) {
  if (isUtf16(file.scenario.content)) {
    appendUnit(file.scenario.content, file.random.pick(kUnitOddities), file.bytes);
  } else {
    file.bytes += file.random.pick(kByteOddities);
  }
}

void appendLineEnd(FileBuilder& file) {
  const Content content = file.scenario.content;
  if (file.random.percent(30)) appendControl(content, '\r', file.bytes);
  appendControl(content, '\n', file.bytes);
}

// One atom of a short line: mostly words, often a needle, sometimes bytes
// that are not text, a NUL or a lone CR (a needle may follow either).
void appendAtom(FileBuilder& file, bool atLineEdge) {
  const Content content = file.scenario.content;
  const std::size_t roll = file.random.below(100);
  if (roll < 15 || (atLineEdge && roll < 35)) {
    appendText(content, someNeedle(file), file.bytes);
  } else if (roll < 45) {
    appendOddity(file);
  } else if (roll < 50) {
    appendControl(content, '\0', file.bytes);
  } else if (roll < 55) {
    appendControl(content, '\r', file.bytes);
  } else {
    appendText(content, file.random.pick(kWords), file.bytes);
  }
}

void appendShortLine(FileBuilder& file) {
  const std::size_t atoms = file.random.below(12);
  for (std::size_t i = 0; i < atoms; ++i) appendAtom(file, i == 0 || i + 1 == atoms);
}

// Filler that no needle contains: one unit each, or characters of several
// bytes, or surrogate pairs that may straddle a piece boundary.
std::string chooseFiller(FileBuilder& file) {
  constexpr std::u16string_view kFillers[] = {u"~", u"~", u"~", u"#~", u"\u3042", u"\U0001D11E"};
  return encoded(file.scenario.content, file.random.pick(kFillers));
}

void appendFill(FileBuilder& file, std::size_t units) {
  const std::string filler = chooseFiller(file);
  const std::size_t fillerUnits = std::max<std::size_t>(unitsOf(file.scenario, filler), 1);
  for (std::size_t i = 0; i < units / fillerUnits; ++i) file.bytes += filler;
  const std::string tilde = encoded(file.scenario.content, u"~");
  for (std::size_t i = 0; i < units % fillerUnits; ++i) file.bytes += tilde;
}

// The lengths right at the piece limit come up most; tiny reads get only the
// first four.
constexpr std::size_t kLongLengths[] = {kMaxPieceUnits - 1,
                                        kMaxPieceUnits,
                                        kMaxPieceUnits + 1,
                                        kMaxPieceUnits + 2,
                                        kMaxPieceUnits - 1,
                                        kMaxPieceUnits,
                                        kMaxPieceUnits + 1,
                                        70000,
                                        2 * kMaxPieceUnits,
                                        2 * kMaxPieceUnits + 1,
                                        140000};

// A line of an exact length around or beyond the piece limit, without a
// needle or with one at its start, its end, or across a piece boundary.
void appendLongLine(FileBuilder& file, std::size_t lengthChoices) {
  const std::size_t length = kLongLengths[file.random.below(lengthChoices)];
  const std::string needle =
      file.random.percent(50) ? encoded(file.scenario.content, someNeedle(file)) : std::string();
  const std::size_t needleUnits = unitsOf(file.scenario, needle);
  std::size_t needleAt = 0;  // in units from the line's start
  switch (file.random.below(3)) {
    case 0:
      break;
    case 1:
      needleAt = length - std::min(length, needleUnits);
      break;
    default:
      needleAt = kMaxPieceUnits *
                 (1 + file.random.below(std::max<std::size_t>(length / kMaxPieceUnits, 1)));
      needleAt -= std::min(needleAt, file.random.below(needleUnits + 1));
      break;
  }
  needleAt = std::min(needleAt, length - std::min(length, needleUnits));
  appendFill(file, needleAt);
  file.bytes += needle;
  appendFill(file, length - std::min(length, needleAt + needleUnits));
}

struct Splice {
  std::size_t at;
  std::string bytes;
};

// Needles, line ends and NULs placed across the boundaries of the reads.
void spliceAtReadBoundaries(FileBuilder& file) {
  const std::size_t block = file.scenario.readSize != 0 ? file.scenario.readSize : kReadBlockBytes;
  if (block < 1024) return;  // reads that small put every byte next to a boundary
  const Content content = file.scenario.content;
  std::vector<Splice> splices;
  for (std::size_t boundary = block; boundary < file.bytes.size() && splices.size() < 12;
       boundary += block * (1 + file.random.below(3))) {
    Splice splice{boundary, {}};
    switch (file.random.below(5)) {
      case 0:
        appendControl(content, '\r', splice.bytes);
        appendControl(content, '\n', splice.bytes);
        break;
      case 1:
        appendControl(content, '\r', splice.bytes);
        break;
      case 2:
        appendControl(content, '\0', splice.bytes);
        [[fallthrough]];
      default:
        appendText(content, someNeedle(file), splice.bytes);
        break;
    }
    splice.at -= std::min(splice.at, file.random.below(splice.bytes.size() + 2));
    if (isUtf16(content)) splice.at -= splice.at % 2;
    splices.push_back(std::move(splice));
  }
  for (auto splice = splices.rbegin(); splice != splices.rend(); ++splice)
    file.bytes.insert(splice->at, splice->bytes);
}

void appendByteOrderMark(FileBuilder& file) {
  if (!file.scenario.byteOrderMark) return;
  switch (file.scenario.content) {
    case Content::Utf8:
      file.bytes += "\xEF\xBB\xBF";
      return;
    case Content::Utf16Le:
      file.bytes += "\xFF\xFE";
      return;
    case Content::Utf16Be:
      file.bytes += "\xFE\xFF";
      return;
    case Content::ShiftJis:
      return;
  }
}

// How much one file of the case holds. Tiny reads get small files, and so do
// long entry lists, which cost the most per line; a file larger than the
// first reads has lines padded with filler, as the cost of a case lies in
// its number of lines.
struct FileShape {
  std::size_t shortLines = 0;
  std::size_t longLines = 0;
  std::size_t longLengthChoices = std::size(kLongLengths);
  std::size_t minimumBytes = 0;
  std::size_t paddingUnits = 0;  // most filler in a short line
};

FileShape chooseShape(Random& random, std::size_t readSize, std::size_t entryCount) {
  if (readSize == 1 || entryCount > 8) return {random.below(40), 0, 0, 0, 0};
  if (readSize == 7 || entryCount > 4)
    return {random.below(60), random.percent(15) ? 1u : 0u, 4, 0, 0};
  if (random.percent(3)) return {0, 0, 0, kReadBufferBytes + random.below(kReadBlockBytes), 3000};
  return {random.below(80), random.percent(50) ? 1 + random.below(2) : 0, std::size(kLongLengths),
          0, 0};
}

void appendPaddedLine(FileBuilder& file, std::size_t paddingUnits) {
  appendShortLine(file);
  if (paddingUnits == 0) return;
  appendFill(file, file.random.below(paddingUnits));
  appendShortLine(file);
}

void appendLines(FileBuilder& file, const FileShape& shape) {
  const bool lastLineEnds = file.random.percent(50);
  std::size_t shortLeft = shape.shortLines;
  std::size_t longLeft = shape.longLines;
  auto done = [&] { return shortLeft + longLeft == 0 && file.bytes.size() >= shape.minimumBytes; };
  while (!done()) {
    if (longLeft != 0 && file.random.below(shortLeft + longLeft) < longLeft) {
      appendLongLine(file, shape.longLengthChoices);
      --longLeft;
    } else {
      appendPaddedLine(file, shape.paddingUnits);
      if (shortLeft != 0) --shortLeft;
    }
    if (!done() || lastLineEnds) appendLineEnd(file);
  }
}

// Ctrl-Z ends code-page input: what follows it must not count.
void insertCtrlZ(FileBuilder& file) {
  std::string stop;
  appendControl(file.scenario.content, '\x1A', stop);
  appendText(file.scenario.content, someNeedle(file), stop);
  std::size_t at = file.random.below(file.bytes.size());
  if (isUtf16(file.scenario.content)) at -= at % 2;
  file.bytes.insert(at, stop);
}

std::string makeFile(const Scenario& scenario, Random& random,
                     const std::vector<std::u16string>& needles, std::size_t entryCount) {
  FileBuilder file{scenario, random, needles, {}};
  appendByteOrderMark(file);
  appendLines(file, chooseShape(random, scenario.readSize, entryCount));
  spliceAtReadBoundaries(file);
  if (!file.bytes.empty() && random.percent(10)) insertCtrlZ(file);
  return file.bytes;
}

// --- One case, run both ways ---

struct Case {
  std::uint64_t seed = 0;  // also names the case's files
  std::string name;        // how a failure names the case
  Scenario scenario;
  RunPlan plan;
  // The folder label at the start: one pending to go out before the first
  // result, and one out already (so that a blank line comes before the next).
  bool labelPending = false;
  bool labelShown = false;
  std::vector<Term> terms;
  std::vector<SearchTerm> entryTerms;
  SearchEntryList entries;  // compiled from entryTerms before the case runs
  std::vector<std::string> files;
  std::vector<std::u16string> displayNames;
};

// Line numbers and plain lines show the most of what a fast path does, so
// they come up more often than the other modes, and most in focused cases.
void chooseDisplay(Random& random, bool focused, Case& c) {
  constexpr DisplayMode kModes[] = {
      DisplayMode::Count,        DisplayMode::CountFound,  DisplayMode::List,
      DisplayMode::ListNotFound, DisplayMode::LineNumbers, DisplayMode::LineNumbers,
      DisplayMode::LineNumbers,  DisplayMode::Quiet,       DisplayMode::Lines,
      DisplayMode::Lines,        DisplayMode::Lines};
  constexpr DisplayMode kFocusedModes[] = {DisplayMode::Count,       DisplayMode::ListNotFound,
                                           DisplayMode::LineNumbers, DisplayMode::LineNumbers,
                                           DisplayMode::LineNumbers, DisplayMode::Lines,
                                           DisplayMode::Lines,       DisplayMode::Lines,
                                           DisplayMode::Lines,       DisplayMode::Lines};
  c.plan.display = focused ? random.pick(kFocusedModes) : random.pick(kModes);
  c.plan.showFileNames = random.percent(focused ? 15 : 35);
  c.labelPending = random.percent(30);
  c.labelShown = random.percent(50);
}

InputEncoding encodingOf(const Scenario& scenario) {
  if (!scenario.encodingGiven) return InputEncoding::CodePage;
  if (scenario.encodingName == u"UTF-8") return InputEncoding::Utf8;
  if (scenario.encodingName == u"UTF-16LE") return InputEncoding::Utf16Le;
  return InputEncoding::Unicode;
}

Case makeCase(std::uint64_t seed, const Scenario& scenario, bool focused, Random& random) {
  Case c;
  c.seed = seed;
  c.name = "seed " + std::to_string(seed) + (focused ? " (focused)" : "");
  c.scenario = scenario;
  c.plan.encoding = encodingOf(scenario);
  c.plan.inputCodePage = scenario.inputCodePage;
  chooseDisplay(random, focused, c);
  Needles needles{{}, scenario.content == Content::ShiftJis};
  c.terms = makeTerms(random, needles, focused);
  for (const Term& term : c.terms) c.entryTerms.push_back(entryFor(term));
  const std::vector<std::u16string> none;
  constexpr std::u16string_view kNames[] = {u"a.txt", u"\u8868.txt", u"(CON)"};
  const std::size_t fileCount = 1 + random.below(std::size(kNames));
  for (std::size_t i = 0; i < fileCount; ++i) {
    c.files.push_back(
        makeFile(scenario, random, random.percent(80) ? needles.texts : none, c.terms.size()));
    c.displayNames.emplace_back(kNames[i]);
  }
  return c;
}

struct Outcome {
  std::string standardOutput;
  std::string standardError;
  std::string found;  // one digit per file
};

// Named after the process too, as several builds may run the tests at once.
std::filesystem::path casePath(std::uint64_t seed, std::size_t file) {
  return std::filesystem::temp_directory_path() /
         ("vesk_equivalence_" + std::to_string(::getpid()) + "_" + std::to_string(seed) + "_" +
          std::to_string(file) + ".txt");
}

void writeFiles(const Case& c) {
  for (std::size_t i = 0; i < c.files.size(); ++i)
    std::ofstream(casePath(c.seed, i), std::ios::binary)
        .write(c.files[i].data(), static_cast<std::streamsize>(c.files[i].size()));
}

void removeFiles(const Case& c) {
  for (std::size_t i = 0; i < c.files.size(); ++i) std::filesystem::remove(casePath(c.seed, i));
}

platform::InputFile openCaseFile(std::uint64_t seed, std::size_t file) {
  const std::string narrow = casePath(seed, file).string();
  std::optional<platform::InputFile> input =
      platform::InputFile::open(std::u16string(narrow.begin(), narrow.end()));
  if (!input) throw std::runtime_error("cannot open " + narrow);
  return std::move(*input);
}

// Labels as the case starts with them; what the one already out wrote is
// not part of the case's output.
void startLabels(const Case& c, Printers& printers, ConsoleOutput& output) {
  if (c.labelShown) {
    printers.enterFolder(u"<earlier>");
    printers.main().linesAsRead("");
    output.pendingStdout.clear();
  }
  if (c.labelPending) printers.enterFolder(u"<sub/\u8868>");
}

// What a capturing output holds back for standard error, each diagnostic
// with the amount of standard output before it.
std::string shownDiagnostics(const ConsoleOutput& output) {
  std::string text;
  for (const CapturedDiagnostic& captured : output.diagnostics) {
    std::string subject;
    appendUtf8FromWide(captured.diagnostic.subject, subject);
    text += std::to_string(captured.stdoutBytes) + ": " + subject + " #" +
            std::to_string(static_cast<int>(captured.diagnostic.id)) + "\n";
  }
  return text;
}

enum class Way { Plain, Fast, Blocks };

// The files of the case through one reader and one output, as a walk does.
// By blocks, the search switches between the owner alone and two workers
// every few blocks or stretches, so that every way of passing from one to
// the other comes up.
Outcome run(Case& c, Way way) {
  ConsoleOutput output =
      capturingOutput(ConsoleState{0, 0, Language::English, c.scenario.outputCodePage});
  Printers printers(PrintSettings{c.plan.display, c.plan.showFileNames}, output);
  startLabels(c, printers, output);
  LineReader reader;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  const FastPaths fastPaths =
      planFastPaths(c.entries, c.plan, printers.main(), {way != Way::Plain});
  FileSearch search{.plan = c.plan,
                    .entries = c.entries,
                    .reader = reader,
                    .workspace = workspace,
                    .fastPaths = fastPaths};
  const SearchPoolHandle pool = startSearchPool(
      output.console, [&](const ConsoleOutput& captured) { printers.writeCaptured(captured); }, 2);
  const FanOutSettings switching{.workers = 2,
                                 .switchEvery = 1 + static_cast<unsigned>(c.seed % 3)};
  Outcome outcome;
  for (std::size_t i = 0; i < c.files.size(); ++i) {
    const platform::InputFile file = openCaseFile(c.seed, i);
    const ByteSource source = fileSource(file.handle(), c.scenario.readSize);
    const InputNames names{c.displayNames[i], c.displayNames[i]};
    const bool found = way == Way::Blocks
                           ? searchFileByBlocks(search, printers, *pool, switching, source, names)
                           : searchFile(search, printers.main(), source, names);
    outcome.found += found ? '1' : '0';
  }
  outcome.standardOutput = std::move(output.pendingStdout);
  outcome.standardError = shownDiagnostics(output);
  return outcome;
}

// Switches the locale for a Shift_JIS case and back to C.UTF-8 after it.
struct LocaleScope {
  explicit LocaleScope(bool shiftJis) : active(shiftJis) {
    if (!active) return;
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_CTYPE");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", "ja_JP.SJIS", 1);
    platform::posix::reloadLocale();
  }
  ~LocaleScope() {
    if (!active) return;
    ::setenv("LANG", "C.UTF-8", 1);
    platform::posix::reloadLocale();
  }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
  bool active;
};

// --- Reporting a difference ---

std::string shown(std::u16string_view text) {
  std::string result;
  for (const char16_t unit : text) {
    if (unit == u'\\') {
      result += "\\\\";
    } else if (unit >= 0x20 && unit < 0x7F) {
      result += static_cast<char>(unit);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
      result += escape;
    }
  }
  return result;
}

std::string shownBytes(std::string_view bytes) {
  std::string result;
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x20 && value < 0x7F && value != '\\') {
      result += byte;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", value);
      result += escape;
    }
  }
  return result;
}

std::string describeTerm(const Term& term) {
  std::string option = term.replace ? "/r" : "/s";
  if (term.ignoreCase) option += 'i';
  if (term.literal) option += 'l';
  if (term.invert) option += 'v';
  if (term.escapes) option += 'e';
  option += " \"" + shown(term.search) + "\"";
  if (term.replace) option += " \"" + shown(term.replacement) + "\"";
  return option;
}

std::string describeCase(const Case& c) {
  const Scenario& s = c.scenario;
  constexpr const char* kContents[] = {"UTF-8", "Shift_JIS", "UTF-16LE", "UTF-16BE"};
  constexpr const char* kDisplays[] = {"lines", "/n", "/q", "/c", "/ce", "/l", "/lv"};
  std::string text = c.name + ": content " + kContents[static_cast<int>(s.content)] +
                     (s.byteOrderMark ? " with BOM" : "") + ", locale " +
                     (s.shiftJisLocale ? "ja_JP.SJIS" : "C.UTF-8") + ", mode " +
                     (s.encodingGiven ? shown(s.encodingName) : "code page") +
                     ", input code page " + std::to_string(s.inputCodePage) +
                     ", output code page " + std::to_string(s.outputCodePage) + ", read size " +
                     std::to_string(s.readSize) +
                     "\n  display: " + kDisplays[static_cast<int>(c.plan.display)] + ", names " +
                     std::to_string(c.plan.showFileNames) + ", folder label pending " +
                     std::to_string(c.labelPending) + ", one out already " +
                     std::to_string(c.labelShown) + "\n  entries:";
  for (const Term& term : c.terms) text += " " + describeTerm(term);
  text += "\n  files (kept): ";
  for (std::size_t i = 0; i < c.files.size(); ++i)
    text += casePath(c.seed, i).string() + " (" + std::to_string(c.files[i].size()) + " bytes) ";
  return text;
}

std::string firstDifference(const std::string& plain, const std::string& other) {
  const auto mismatch = std::mismatch(plain.begin(), plain.end(), other.begin(), other.end());
  const auto at = static_cast<std::size_t>(mismatch.first - plain.begin());
  const std::size_t from = at - std::min<std::size_t>(at, 40);
  return "sizes " + std::to_string(plain.size()) + " (plain) and " + std::to_string(other.size()) +
         ", first difference at byte " + std::to_string(at) + "\n  plain: ..." +
         shownBytes(std::string_view(plain).substr(from, 100)) + "\n  other: ..." +
         shownBytes(std::string_view(other).substr(std::min(from, other.size()), 100));
}

// Empty when the two runs agree, else what differs.
std::string differences(const Outcome& plain, const Outcome& other, const std::string& way) {
  std::string text;
  if (plain.found != other.found)
    text += "\n  " + way + ": found per file: " + plain.found + " (plain) and " + other.found;
  if (plain.standardOutput != other.standardOutput)
    text += "\n  " + way +
            ": standard output: " + firstDifference(plain.standardOutput, other.standardOutput);
  if (plain.standardError != other.standardError)
    text +=
        "\n  " + way + ": messages: " + firstDifference(plain.standardError, other.standardError);
  return text;
}

struct Tally {
  std::uint64_t cases = 0;
  std::uint64_t withOutput = 0;
  std::uint64_t withFound = 0;
  std::uint64_t withoutFound = 0;
  int failures = 0;
};

void tallyOutcome(const Outcome& outcome, Tally& tally) {
  ++tally.cases;
  if (!outcome.standardOutput.empty()) ++tally.withOutput;
  if (outcome.found.find('1') != std::string::npos) ++tally.withFound;
  if (outcome.found.find('0') != std::string::npos) ++tally.withoutFound;
}

// Runs the case both ways; the files of a case that differs, or of the one
// case asked for, are kept for a closer look.
void compareBothWays(Case& c, bool verbose, Tally& tally) {
  BuiltEntries built = buildEntries(c.entryTerms);
  ASSERT_FALSE(built.failure) << describeCase(c);
  c.entries = std::move(built.entries);
  writeFiles(c);
  const Outcome plain = run(c, Way::Plain);
  tallyOutcome(plain, tally);
  const std::string difference = differences(plain, run(c, Way::Fast), "fast") +
                                 differences(plain, run(c, Way::Blocks), "by blocks");
  if (verbose) {
    std::fprintf(stderr, "%s\n  found per file %s, %zu bytes of output\n", describeCase(c).c_str(),
                 plain.found.c_str(), plain.standardOutput.size());
  }
  if (difference.empty()) {
    if (!verbose) removeFiles(c);
    return;
  }
  ++tally.failures;
  ADD_FAILURE() << "a fast path differs from the plain path\n  " << describeCase(c) << difference;
}

void checkSeed(std::uint64_t seed, bool verbose, Tally& tally) {
  Random random{std::mt19937_64(seed)};
  const bool focused = random.percent(kFocusedPercent);
  const Scenario scenario = makeScenario(random, focused);
  const LocaleScope locale(scenario.shiftJisLocale);  // before any Shift_JIS text is made
  Case c = makeCase(seed, scenario, focused, random);
  compareBothWays(c, verbose, tally);
}

TEST(FastPathEquivalence, GeneratedCasesWriteAndFindTheSameBothWays) {
  const std::uint64_t onlySeed = environmentNumber("VESK_EQUIVALENCE_SEED", 0);
  const std::uint64_t first = onlySeed != 0 ? onlySeed : kFirstSeed;
  const std::uint64_t count =
      onlySeed != 0 ? 1 : environmentNumber("VESK_EQUIVALENCE_CASES", kDefaultCases);
  Tally tally;
  for (std::uint64_t seed = first; seed < first + count && tally.failures < kReportedFailures;
       ++seed) {
    checkSeed(seed, onlySeed != 0, tally);
  }
  // Agreement proves little unless the cases often select lines and often
  // select none.
  if (tally.cases >= 100) {
    EXPECT_GT(tally.withOutput, tally.cases / 4);
    EXPECT_GT(tally.withFound, tally.cases / 4);
    EXPECT_GT(tally.withoutFound, tally.cases / 4);
  }
}

// One file with lines of the given length (in bytes, which are units here)
// between lines that hold the needle, each line end the given one.
Case pieceLimitCase(std::size_t length, std::string_view lineEnd, bool utf8Mode, bool replacing,
                    DisplayMode display) {
  Case c;
  c.seed = 1'000'000'000 + length * 64 + lineEnd.size() * 16 +
           (display == DisplayMode::Count ? 8 : 0) + (utf8Mode ? 2 : 0) + replacing;
  c.name = "line of " + std::to_string(length) + " bytes ending in \"" + shownBytes(lineEnd) +
           "\", " +
           (replacing                       ? "replacing"
            : display == DisplayMode::Count ? "counting"
                                            : "searching");
  c.scenario.content = Content::Utf8;
  c.scenario.encodingGiven = utf8Mode;
  c.scenario.encodingName = utf8Mode ? u"UTF-8" : u"";
  c.scenario.inputCodePage = platform::kUtf8CodePage;
  c.scenario.outputCodePage = platform::kUtf8CodePage;
  c.plan.encoding = utf8Mode ? InputEncoding::Utf8 : InputEncoding::CodePage;
  c.plan.inputCodePage = c.scenario.inputCodePage;
  c.plan.display = display;
  c.terms.push_back(replacing ? Term{true, false, true, false, false, u"foo", u"bar"}
                              : Term{false, false, true, false, false, u"foo", u""});
  c.entryTerms.push_back(entryFor(c.terms.back()));
  const std::string line(length, '~');
  std::string bytes = "foo\n" + line;
  // Without a line end the long line is the last one.
  if (!lineEnd.empty())
    bytes += std::string(lineEnd) + "foo\n" + line + std::string(lineEnd) + "foo";
  c.files.push_back(bytes);
  c.displayNames.emplace_back(u"a.txt");
  return c;
}

// Lines at the piece limit, in the readings a fast path can skip bytes in:
// the line numbers after them, the lines written around them and the lines
// counted must come out the same both ways, with every line end.
TEST(FastPathEquivalence, LinesAtThePieceLimitGiveTheSameBothWays) {
  constexpr std::size_t kLengths[] = {kMaxPieceUnits - 1, kMaxPieceUnits, kMaxPieceUnits + 1,
                                      2 * kMaxPieceUnits, 2 * kMaxPieceUnits + 1};
  Tally tally;
  for (const bool utf8Mode : {false, true}) {
    for (const std::size_t length : kLengths) {
      for (const std::string_view lineEnd : {"\n", "\r\n", "\r\r\n", ""}) {
        for (const bool replacing : {false, true}) {
          Case c = pieceLimitCase(length, lineEnd, utf8Mode, replacing,
                                  replacing ? DisplayMode::Lines : DisplayMode::LineNumbers);
          compareBothWays(c, false, tally);
        }
        Case counting = pieceLimitCase(length, lineEnd, utf8Mode, false, DisplayMode::Count);
        compareBothWays(counting, false, tally);
      }
    }
  }
}

// A lone entry leaves the lines without its text as they are: an inverted
// search selects them (hits), a replacement writes them unchanged. Both are
// skipped in the display modes that write nothing or write lines as read.
// A lone literal search decides the lines that hold its text, which are
// counted where they are found.
TEST(FastPathEquivalence, LoneEntriesGiveTheSameBothWaysInEveryDisplayMode) {
  const std::string input =
      "plain line\nan int here\n\nlast int\nno hit\r\nbyte \xC3\xA9\nnul\0x\nnul\0int\n"
      "int\0\nin\nt\rint\nint";
  const Term terms[] = {Term{false, false, true, true, false, u"int", u""},
                        Term{false, false, true, false, false, u"int", u""},
                        Term{true, false, true, false, false, u"int", u"INT"},
                        Term{false, false, true, true, false, u"absent", u""},
                        Term{false, false, true, true, false, u"l", u""}};
  Tally tally;
  std::uint64_t seed = 2'000'000'000;
  for (const Term& term : terms) {
    for (int mode = 0; mode < 6; ++mode) {
      Case c;
      c.seed = seed++;
      c.name = "lone entry, display mode " + std::to_string(mode);
      c.scenario.content = Content::Utf8;
      c.scenario.inputCodePage = platform::kUtf8CodePage;
      c.scenario.outputCodePage = platform::kUtf8CodePage;
      constexpr DisplayMode kModes[] = {DisplayMode::Lines,        DisplayMode::Count,
                                        DisplayMode::CountFound,   DisplayMode::List,
                                        DisplayMode::ListNotFound, DisplayMode::Quiet};
      c.plan.display = kModes[mode];
      c.plan.inputCodePage = c.scenario.inputCodePage;
      c.terms.push_back(term);
      c.entryTerms.push_back(entryFor(term));
      c.files.push_back(input);
      c.displayNames.emplace_back(u"a.txt");
      compareBothWays(c, false, tally);
    }
  }
}

// The small reads above reach searchFile only if the limit of a file's byte
// source holds.
TEST(FastPathEquivalence, ReadSizeLimitHoldsForFiles) {
  Case c;
  c.seed = 0;
  c.files.push_back("ab\ncdefghijkl\n");
  writeFiles(c);
  const platform::InputFile file = openCaseFile(c.seed, 0);
  LineReader reader;
  reader.startReading(fileSource(file.handle(), 7), InputEncoding::CodePage,
                      platform::kUtf8CodePage);
  std::string_view piece;
  ASSERT_TRUE(reader.readBytePiece(piece));
  EXPECT_EQ(piece, "ab\n");
  EXPECT_EQ(reader.bufferedBytes().size() + piece.size(), 7u);
  removeFiles(c);
}

}  // namespace
}  // namespace vesk
