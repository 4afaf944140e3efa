// What every match of a parsed pattern holds, read off the top level of the
// pattern, and whether the pattern is plain text: what lets a search skip
// lines without the engine, or do without the engine altogether.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regex/char_set.h"
#include "regex/ecma_parse.h"

namespace vesk::regex {

struct RequiredTexts {
  // Characters that every match holds in this order, side by side (empty
  // when nothing is known); with ignoreCase only characters whose case
  // folding stays within ASCII. A prefilter over raw text may skip lines
  // that lack it.
  std::u16string text;
  // A run of character sets that every match holds side by side, one
  // character of each: "[a-z]+_[0-9]+\(" holds "_" and a digit. Chosen to
  // rule out the most text; with ignoreCase a letter stands for both its
  // cases, and only letters that fold within ASCII stand in it at all.
  std::vector<CharSet> sets;
  // Every such run that rules out a fair share of text, sets among them: a
  // line that lacks any of them cannot hold a match.
  std::vector<std::vector<CharSet>> setRuns;
};

RequiredTexts findRequiredTexts(const EcmaTree& tree, bool ignoreCase);

// The characters of a pattern that is single characters and nothing else
// (whatever their case folding); empty otherwise.
std::u16string plainTextOf(const EcmaTree& tree);

// Whether a pattern whose plain text this is matches exactly where the text
// stands, as a search for the text finds it (with ignoreCase, folding within
// ASCII only). Its required text is then the whole text.
bool isLiteralText(std::u16string_view plainText, bool ignoreCase);

}  // namespace vesk::regex
