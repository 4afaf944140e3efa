#include "search/line_skipping.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VESK_WIDE_NEEDLE_SEARCH 1
#endif

#include "base/ascii.h"
#include "base/utf8.h"
#include "platform/codepage.h"
#include "search/byte_scan.h"

namespace vesk {
namespace {

// Bytes in rough order of how common they are in text and source code; a
// byte not listed is rarer than all of them. Bytes from 0x80 on are common in
// Japanese text, lead bytes most of all.
constexpr std::string_view kCommonBytes =
    " etaoinsrlcdhupm\n_fgybw.,;()*/"
    "=0123456789-\t\"'xvk>#<{}:[]TEASRINOCLDPMU!&|+%\\BFGHWYVKXJQZjqz";

// The commonness of the sixteenth commonest byte: letters that make up
// most of a text are found too often for memchr to run far.
constexpr int kCommonestRankFrom = static_cast<int>(kCommonBytes.size()) - 15;

int commonness(unsigned char byte) {
  if (byte >= 0xC0) return 1000;
  if (byte >= 0x80) return 500;
  const std::size_t rank = kCommonBytes.find(static_cast<char>(byte));
  return rank == kCommonBytes.npos ? 0 : static_cast<int>(kCommonBytes.size() - rank);
}

// The needle holds no character whose bytes the reader's text-mode rules
// change: a text with a line feed may stand in the raw bytes as CR LF, and a
// NUL cuts the text. U+FFFD may come from malformed bytes and surrogates from
// characters split at a piece's end.
bool breaksNeedle(char16_t c) {
  return c == u'\n' || c == u'\0' || c == u'\uFFFD' || (c >= 0xD800 && c <= 0xDFFF);
}

std::u16string longestSearchableRun(std::u16string_view text) {
  std::u16string_view best;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !breaksNeedle(text[i])) continue;
    if (i - start > best.size()) best = text.substr(start, i - start);
    start = i + 1;
  }
  return std::u16string(best);
}

bool decodesUtf8(const StreamDecoding& stream) {
  return stream.decoding == Decoding::Utf8 ||
         (stream.decoding == Decoding::CodePage && stream.codePageIsUtf8);
}

// A character's bytes when every line that holds the character holds them:
// UTF-8 spells each character one way only; the ANSI code page most.
std::optional<std::string> readerBytes(char16_t c, const StreamDecoding& stream) {
  const std::u16string_view text(&c, 1);
  if (decodesUtf8(stream)) {
    std::string bytes;
    appendUtf8FromWide(text, bytes);
    return bytes;
  }
  if (stream.decoding != Decoding::CodePage) return std::nullopt;
  return platform::uniqueAnsiSpelling(text);
}

std::size_t memberCount(const regex::CharSet& set) {
  std::size_t count = 0;
  for (const regex::CharRange& range : set) count += range.last - range.first + 1;
  return count;
}

// The classes that stand for one set of characters: a character alone by
// its bytes, a set of several by one class of bytes when each of them is
// one byte. Nothing when the reader's bytes cannot say where they stand.
std::optional<std::vector<ByteClass>> classesOf(const regex::CharSet& set,
                                                const StreamDecoding& stream) {
  constexpr std::size_t kMostMembers = 128;
  const std::size_t count = memberCount(set);
  if (count == 0 || count > kMostMembers) return std::nullopt;
  std::vector<std::string> spellings;
  for (const regex::CharRange& range : set) {
    for (char32_t c = range.first; c <= range.last; ++c) {
      if (breaksNeedle(static_cast<char16_t>(c))) return std::nullopt;
      auto bytes = readerBytes(static_cast<char16_t>(c), stream);
      if (!bytes || (count > 1 && bytes->size() != 1)) return std::nullopt;
      spellings.push_back(std::move(*bytes));
    }
  }
  if (count == 1) {
    std::vector<ByteClass> classes;
    for (const char byte : spellings.front())
      classes.push_back(byteClassOf(std::string_view(&byte, 1)));
    return classes;
  }
  std::string bytes;
  for (const std::string& spelling : spellings) bytes += spelling;
  return std::vector<ByteClass>{byteClassOf(bytes)};
}

// The needle for runs of sets as the reader's bytes: where a set cannot be
// written as bytes, the run is cut, and the part that rules out the most
// text is kept.
std::vector<ByteClass> bestClassRun(std::span<const regex::CharSet> sets,
                                    const StreamDecoding& stream, bool& whole) {
  const auto score = [](const std::vector<ByteClass>& run) {
    double total = 0;
    for (const ByteClass& byteClass : run) {
      std::size_t members = 0;
      for (const std::uint64_t word : byteClass.members) members += std::popcount(word);
      total += std::log2(256.0 / static_cast<double>(members));
    }
    return total;
  };
  std::vector<ByteClass> best;
  std::vector<ByteClass> run;
  whole = true;
  for (const regex::CharSet& set : sets) {
    if (auto classes = classesOf(set, stream)) {
      run.insert(run.end(), classes->begin(), classes->end());
      continue;
    }
    whole = false;
    if (score(run) > score(best)) best = std::move(run);
    run.clear();
  }
  if (score(run) > score(best)) best = std::move(run);
  return best;
}

// How common a class is as a place to search from: every byte of it counts.
int searchCost(const ByteClass& byteClass) {
  int cost = 0;
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (byteClass.has(static_cast<unsigned char>(byte)))
      cost += commonness(static_cast<unsigned char>(byte)) + 1;
  }
  return cost;
}

// Classes of more ranges than the sixteen-place search compares at once are
// never searched from.
constexpr std::size_t kSearchedRanges = 4;

// The index of the rarest class but those at `besides` (while any is left).
std::size_t rarestClass(const std::vector<ByteClass>& classes,
                        std::initializer_list<std::size_t> besides = {}) {
  std::size_t best = std::string::npos;
  std::size_t firstLeft = std::string::npos;
  for (std::size_t i = 0; i < classes.size(); ++i) {
    if (std::find(besides.begin(), besides.end(), i) != besides.end()) continue;
    if (firstLeft == std::string::npos) firstLeft = i;
    if (classes[i].ranges.size() > kSearchedRanges) continue;
    if (best == std::string::npos || searchCost(classes[i]) < searchCost(classes[best])) best = i;
  }
  if (best != std::string::npos) return best;
  return firstLeft == std::string::npos ? 0 : firstLeft;
}

bool isSingleByte(const ByteClass& byteClass) {
  return byteClass.ranges.size() == 1 && byteClass.ranges[0].first == byteClass.ranges[0].second;
}

ByteNeedle needleOf(std::vector<ByteClass> classes) {
  ByteNeedle needle;
  needle.classes = std::move(classes);
  needle.anchor = rarestClass(needle.classes);
  needle.second = rarestClass(needle.classes, {needle.anchor});
  needle.third = rarestClass(needle.classes, {needle.anchor, needle.second});
  const ByteClass& anchor = needle.classes[needle.anchor];
  needle.anchorByByte =
      isSingleByte(anchor) && commonness(anchor.ranges[0].first) < kCommonestRankFrom;
  return needle;
}

bool matchesAt(const ByteNeedle& needle, const char* text) {
  for (std::size_t i = 0; i < needle.classes.size(); ++i) {
    if (!needle.classes[i].has(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

struct EntryNeedle {
  std::optional<ByteNeedle> needle;
  bool decides = false;  // a line whose bytes hold the needle is a hit
};

// Where the needle stands in a line of UTF-8, the pattern matches when the
// pattern is nothing but its text and the needle is all of it: UTF-8 decodes
// every sequence on its own, so bytes around the needle cannot change it. A
// CR that the reader drops before a line feed could; such texts do not decide.
EntryNeedle needleFor(const SearchEntry& entry, const StreamDecoding& stream) {
  bool whole = false;
  std::vector<ByteClass> classes = bestClassRun(regex::requiredSets(entry.pattern), stream, whole);
  if (classes.empty()) return {};
  const std::u16string_view text = regex::requiredText(entry.pattern);
  const bool decides = regex::isLiteral(entry.pattern) && decodesUtf8(stream) && whole &&
                       longestSearchableRun(text) == text && text.find(u'\r') == text.npos;
  return EntryNeedle{needleOf(std::move(classes)), decides};
}

// The needles of the entry's other required runs, in the reader's bytes.
std::vector<ByteNeedle> otherNeedlesFor(const SearchEntry& entry, const StreamDecoding& stream) {
  std::vector<ByteNeedle> needles;
  for (const std::vector<regex::CharSet>& run : regex::requiredSetRuns(entry.pattern)) {
    bool whole = false;
    std::vector<ByteClass> classes = bestClassRun(run, stream, whole);
    if (!classes.empty()) needles.push_back(needleOf(std::move(classes)));
  }
  return needles;
}

}  // namespace

ByteClass byteClassOf(std::string_view bytes) {
  ByteClass byteClass;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    byteClass.members[byte >> 6] |= std::uint64_t{1} << (byte & 63);
  }
  for (unsigned byte = 0; byte < 256;) {
    if (!byteClass.has(static_cast<unsigned char>(byte))) {
      ++byte;
      continue;
    }
    const unsigned first = byte;
    while (byte < 256 && byteClass.has(static_cast<unsigned char>(byte))) ++byte;
    byteClass.ranges.emplace_back(static_cast<unsigned char>(first),
                                  static_cast<unsigned char>(byte - 1));
  }
  return byteClass;
}

ByteNeedle byteNeedleOf(std::string_view bytes, bool foldAsciiCase) {
  std::vector<ByteClass> classes;
  for (const char c : bytes) {
    const char both[2] = {foldAsciiCase ? asciiLower(c) : c, foldAsciiCase ? asciiUpper(c) : c};
    classes.push_back(byteClassOf(std::string_view(both, 2)));
  }
  return needleOf(std::move(classes));
}

LineSkipping lineSkippingFor(const SearchEntryList& entries, const StreamDecoding& stream,
                             LineOutput lineOutput) {
  if (entries.empty()) return {};
  const SearchEntry& first = entries.front();
  if (!first.isReplace && !first.invert) {
    EntryNeedle found = needleFor(first, stream);
    LineSkipping skipping;
    skipping.needle = std::move(found.needle);
    if (skipping.needle) skipping.alsoRequired = otherNeedlesFor(first, stream);
    skipping.needleDecides = found.decides && entries.size() == 1;
    skipping.countsFound = skipping.needleDecides && lineOutput == LineOutput::None;
    return skipping;
  }
  // A lone entry leaves the lines without its text as they are.
  if (entries.size() != 1 || lineOutput == LineOutput::Other) return {};
  LineSkipping skipping;
  skipping.needle = needleFor(first, stream).needle;
  skipping.copyUnchanged = lineOutput == LineOutput::AsRead;
  skipping.skippedAreHits = first.invert;
  return skipping;
}

bool pieceHoldsNeedle(const ByteNeedle& needle, std::string_view piece) {
  return findNeedle(needle, piece.substr(0, piece.find('\0'))) != piece.npos;
}

bool pieceMaySelect(const LineSkipping& skipping, std::string_view piece) {
  return std::all_of(skipping.alsoRequired.begin(), skipping.alsoRequired.end(),
                     [&](const ByteNeedle& needle) { return pieceHoldsNeedle(needle, piece); });
}

namespace {

// While the needle's anchor is one byte whose finds mostly lack the rest of
// the needle, memchr, which the C library writes for the widest vectors the
// machine has, rules out the most text. Returns where the needle stands, or
// npos with `start` where the finds began to come thick (or at the end).
std::size_t findByAnchorByte(const ByteNeedle& needle, std::string_view text, std::size_t places,
                             std::size_t& start) {
  constexpr std::size_t kFalseStartsToJudge = 16;
  constexpr std::size_t kBytesPerFalseStart = 512;  // below that, comparing classes wins
  if (!needle.anchorByByte) return std::string_view::npos;
  const char byte = static_cast<char>(needle.classes[needle.anchor].ranges[0].first);
  const char* base = text.data();
  std::size_t falseStarts = 0;
  while (start < places) {
    const void* hit = std::memchr(base + start + needle.anchor, byte, places - start);
    if (hit == nullptr) {
      start = places;
      return std::string_view::npos;
    }
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - base) - needle.anchor;
    if (matchesAt(needle, base + at)) return at;
    start = at + 1;
    ++falseStarts;
    if (falseStarts >= kFalseStartsToJudge && start < falseStarts * kBytesPerFalseStart) break;
  }
  return std::string_view::npos;
}

#if defined(__SSE2__)
// A class of at most four ranges, set out for sixteen bytes at a time.
struct ClassLanes {
  std::size_t count = 0;
  __m128i low[kSearchedRanges];
  __m128i high[kSearchedRanges];
  std::array<bool, kSearchedRanges> single{};
};

ClassLanes lanesOf(const ByteClass& byteClass) {
  ClassLanes lanes;
  lanes.count = byteClass.ranges.size();
  for (std::size_t i = 0; i < lanes.count; ++i) {
    const auto [first, last] = byteClass.ranges[i];
    lanes.low[i] = _mm_set1_epi8(static_cast<char>(first));
    lanes.high[i] = _mm_set1_epi8(static_cast<char>(last));
    lanes.single[i] = first == last;
  }
  return lanes;
}

// The places of sixteen bytes that belong to the class.
inline __m128i inClass(const ClassLanes& lanes, __m128i bytes) {
  __m128i found = _mm_cmpeq_epi8(bytes, lanes.low[0]);
  if (!lanes.single[0]) {
    const __m128i notBelow = _mm_cmpeq_epi8(_mm_max_epu8(bytes, lanes.low[0]), bytes);
    const __m128i notAbove = _mm_cmpeq_epi8(_mm_min_epu8(bytes, lanes.high[0]), bytes);
    found = _mm_and_si128(notBelow, notAbove);
  }
  for (std::size_t i = 1; i < lanes.count; ++i) {
    if (lanes.single[i]) {
      found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, lanes.low[i]));
      continue;
    }
    const __m128i notBelow = _mm_cmpeq_epi8(_mm_max_epu8(bytes, lanes.low[i]), bytes);
    const __m128i notAbove = _mm_cmpeq_epi8(_mm_min_epu8(bytes, lanes.high[i]), bytes);
    found = _mm_or_si128(found, _mm_and_si128(notBelow, notAbove));
  }
  return found;
}

#if defined(VESK_WIDE_NEEDLE_SEARCH)
// One class of at most kSearchedRanges ranges, thirty-two bytes at a time.
struct WideClass {
  std::size_t count = 0;
  __m256i low[kSearchedRanges];
  __m256i high[kSearchedRanges];
  bool single[kSearchedRanges];
};

__attribute__((target("avx2"))) void fillWideClass(const ByteClass& byteClass, WideClass& wide) {
  wide.count = byteClass.ranges.size();
  for (std::size_t i = 0; i < wide.count; ++i) {
    const auto [first, last] = byteClass.ranges[i];
    wide.low[i] = _mm256_set1_epi8(static_cast<char>(first));
    wide.high[i] = _mm256_set1_epi8(static_cast<char>(last));
    wide.single[i] = first == last;
  }
}

__attribute__((target("avx2"))) inline __m256i inWideClass(const WideClass& wide, __m256i bytes) {
  if (wide.count == 1 && wide.single[0]) return _mm256_cmpeq_epi8(bytes, wide.low[0]);
  __m256i found = _mm256_setzero_si256();
  for (std::size_t i = 0; i < wide.count; ++i) {
    const __m256i inRange =
        wide.single[i]
            ? _mm256_cmpeq_epi8(bytes, wide.low[i])
            : _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(bytes, wide.low[i]), bytes),
                               _mm256_cmpeq_epi8(_mm256_min_epu8(bytes, wide.high[i]), bytes));
    found = _mm256_or_si256(found, inRange);
  }
  return found;
}

// The search below at twice the width, where the processor can. Returns
// where it stopped in `start` when it found nothing.
__attribute__((target("avx2"))) std::size_t findByClassesWide(const ByteNeedle& needle,
                                                              std::size_t third, const char* base,
                                                              std::size_t places,
                                                              std::size_t& start) {
  const std::size_t offsets[3] = {needle.anchor, needle.second, third};
  WideClass classes[3];
  for (int i = 0; i < 3; ++i) fillWideClass(needle.classes[offsets[i]], classes[i]);
  for (; start + 32 <= places; start += 32) {
    __m256i all = _mm256_set1_epi8(-1);
    for (int i = 0; i < 3; ++i) {
      const __m256i loaded =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + start + offsets[i]));
      all = _mm256_and_si256(all, inWideClass(classes[i], loaded));
    }
    for (auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(all)); mask != 0;
         mask &= mask - 1) {
      const std::size_t place = start + static_cast<std::size_t>(std::countr_zero(mask));
      if (matchesAt(needle, base + place)) return place;
    }
  }
  return std::string_view::npos;
}

bool processorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}
#endif

// Sixteen places at a time: where the anchor, the second and the third
// class all stand, the whole needle is compared. Three classes rule out far
// more places than one, and no call is made per place.
std::size_t findByClasses(const ByteNeedle& needle, std::string_view text, std::size_t places,
                          std::size_t start) {
  const auto searchable = [&](std::size_t index) {
    const std::size_t ranges = needle.classes[index].ranges.size();
    return ranges != 0 && ranges <= kSearchedRanges;
  };
  const char* base = text.data();
  // A third class of many ranges is left to the comparison of the whole needle.
  const std::size_t third = searchable(needle.third) ? needle.third : needle.second;

  // Lanes are set out only where a whole block of places is left: most lines
  // a needle is looked for in are short.
  if (searchable(needle.anchor) && searchable(needle.second) && start + 16 <= places) {
#if defined(VESK_WIDE_NEEDLE_SEARCH)
    if (start + 32 <= places && processorHasAvx2()) {
      const std::size_t found = findByClassesWide(needle, third, base, places, start);
      if (found != std::string_view::npos) return found;
    }
#endif
    const ClassLanes anchorLanes = lanesOf(needle.classes[needle.anchor]);
    const ClassLanes secondLanes = lanesOf(needle.classes[needle.second]);
    const ClassLanes thirdLanes = lanesOf(needle.classes[third]);
    for (; start + 16 <= places; start += 16) {
      const auto load = [&](std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + start + at));
      };
      const __m128i all = _mm_and_si128(_mm_and_si128(inClass(anchorLanes, load(needle.anchor)),
                                                      inClass(secondLanes, load(needle.second))),
                                        inClass(thirdLanes, load(third)));
      for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(all)); mask != 0;
           mask &= mask - 1) {
        const std::size_t at = start + static_cast<std::size_t>(__builtin_ctz(mask));
        if (matchesAt(needle, base + at)) return at;
      }
    }
  }
  for (; start < places; ++start) {
    if (matchesAt(needle, base + start)) return start;
  }
  return std::string_view::npos;
}
#else
// A place at a time, the anchor first.
std::size_t findByClasses(const ByteNeedle& needle, std::string_view text, std::size_t places,
                          std::size_t start) {
  const ByteClass& anchor = needle.classes[needle.anchor];
  for (; start < places; ++start) {
    if (anchor.has(static_cast<unsigned char>(text[start + needle.anchor])) &&
        matchesAt(needle, text.data() + start)) {
      return start;
    }
  }
  return std::string_view::npos;
}
#endif

}  // namespace

std::size_t findNeedle(const ByteNeedle& needle, std::string_view text) {
  const std::size_t size = needle.classes.size();
  if (size == 0 || text.size() < size) return std::string_view::npos;
  const std::size_t places = text.size() - size + 1;  // where the needle may start
  std::size_t start = 0;
  const std::size_t found = findByAnchorByte(needle, text, places, start);
  if (found != std::string_view::npos || start == places) return found;
  return findByClasses(needle, text, places, start);
}

std::uint64_t skipPiecesWithout(LineReader& reader, const ByteNeedle& needle, bool plainOnly,
                                bool countLines, std::string_view& skippedBytes) {
  skippedBytes = {};
  if (!reader.atByteLineStart()) return 0;
  // One read at most, so that the skipped bytes stay where they are.
  if (reader.bufferedBytes().size() <= kMaxPieceUnits) reader.readAhead();
  const std::string_view text = reader.bufferedBytes();
  const std::size_t hit = findNeedle(needle, text);
  const std::size_t lastLineStart = lineStartBefore(text, text.size());
  // The lines before the one holding the hit; without a hit, every whole line.
  std::size_t stop = hit == text.npos ? lastLineStart : lineStartBefore(text, hit);
  stop = shortLinesEnd(text.substr(0, stop));
  if (plainOnly) stop = lineStartBefore(text, plainAsciiPrefix(text.substr(0, stop)));
  std::uint64_t skipped = countLines ? countLineFeeds(text.substr(0, stop)) : 0;
  // The stream's last line, without a line feed, is one piece of its own.
  const std::string_view lastLine = text.substr(lastLineStart);
  if (hit == text.npos && reader.sourceEnded() && stop == lastLineStart && !lastLine.empty() &&
      lastLine.size() <= kMaxPieceUnits &&
      (!plainOnly || plainAsciiPrefix(lastLine) == lastLine.size())) {
    stop = text.size();
    ++skipped;
  }
  skippedBytes = text.substr(0, stop);
  reader.skipBufferedLines(stop);
  return skipped;
}

namespace {

// The end of the line that holds the needle found at `hit`, past its line
// feed, when it is a whole piece on its own whose text holds that find;
// otherwise npos.
std::size_t endOfCountedLine(const ByteNeedle& needle, std::string_view text, std::size_t start,
                             std::size_t hit) {
  const std::size_t lineFeed = text.find('\n', hit);
  if (lineFeed == text.npos || lineFeed < hit + needle.classes.size()) return text.npos;
  const std::size_t end = lineFeed + 1;
  if (end - start > kMaxPieceUnits) return text.npos;
  const std::string_view beforeFind = text.substr(start, hit - start);
  if (beforeFind.find('\0') != beforeFind.npos) return text.npos;
  return end;
}

}  // namespace

SkippedLines skipPiecesCountingHits(LineReader& reader, const ByteNeedle& needle, bool countLines) {
  SkippedLines skipped;
  std::string_view unused;
  skipped.lines = skipPiecesWithout(reader, needle, false, countLines, unused);
  if (!reader.atByteLineStart()) return skipped;
  const std::string_view text = reader.bufferedBytes();
  std::size_t at = 0;  // a line start: what is before it is skipped
  for (;;) {
    const std::size_t found = findNeedle(needle, text.substr(at));
    const std::size_t hit = found == text.npos ? text.npos : at + found;
    const std::size_t start = lineStartBefore(text, hit == text.npos ? text.size() : hit);
    const std::size_t shortEnd = at + shortLinesEnd(text.substr(at, start - at));
    if (countLines) skipped.lines += countLineFeeds(text.substr(at, shortEnd - at));
    at = shortEnd;
    if (hit == text.npos || shortEnd != start) break;
    const std::size_t end = endOfCountedLine(needle, text, start, hit);
    if (end == text.npos) break;
    ++skipped.lines;
    ++skipped.hits;
    at = end;
  }
  reader.skipBufferedLines(at);
  return skipped;
}

}  // namespace vesk
