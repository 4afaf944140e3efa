#include "regex/ecma_sets.h"

#include <array>

namespace vesk::regex {
namespace {

constexpr std::array<CharRange, 1> kDigitSet{{{u'0', u'9'}}};
constexpr std::array<CharRange, 4> kWordSet{
    {{u'0', u'9'}, {u'A', u'Z'}, {u'_', u'_'}, {u'a', u'z'}}};
constexpr std::array<CharRange, 10> kSpaceSet{{{0x0009, 0x000D},
                                               {0x0020, 0x0020},
                                               {0x00A0, 0x00A0},
                                               {0x1680, 0x1680},
                                               {0x2000, 0x200A},
                                               {0x2028, 0x2029},
                                               {0x202F, 0x202F},
                                               {0x205F, 0x205F},
                                               {0x3000, 0x3000},
                                               {0xFEFF, 0xFEFF}}};

void appendComplement(CharSet& ranges, std::span<const CharRange> set) {
  char32_t next = 0;
  for (const CharRange& range : set) {
    if (range.first > next) {
      ranges.push_back({static_cast<char16_t>(next), static_cast<char16_t>(range.first - 1)});
    }
    next = static_cast<char32_t>(range.last) + 1;
  }
  if (next <= 0xFFFF) ranges.push_back({static_cast<char16_t>(next), 0xFFFF});
}

void addSet(ClassContents& contents, SetEscape set, bool ignoreCase) {
  if (needsFoldingOff(set, ignoreCase)) {
    contents.foldingOffSets.push_back(set);
  } else if (isNegated(set)) {
    appendComplement(contents.ranges, baseSet(set));
  } else {
    const auto members = baseSet(set);
    contents.ranges.insert(contents.ranges.end(), members.begin(), members.end());
  }
}

}  // namespace

std::span<const CharRange> spaceSet() {
  return kSpaceSet;
}

std::span<const CharRange> baseSet(SetEscape escape) {
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

bool needsFoldingOff(SetEscape escape, bool ignoreCase) {
  return ignoreCase && (escape == SetEscape::Word || escape == SetEscape::NotWord);
}

ClassContents classContents(std::span<const ClassItem> items, bool ignoreCase) {
  ClassContents contents;
  for (const ClassItem& item : items) {
    if (item.set) {
      addSet(contents, *item.set, ignoreCase);
    } else {
      contents.ranges.push_back(item.range);
    }
  }
  return contents;
}

}  // namespace vesk::regex
