// Turns a pattern of the program's ECMAScript dialect into PCRE2 syntax.
//
// The dialect is the ECMAScript grammar without the u flag, including the
// web-compatibility forms that JavaScript engines accept (a lone "]", "{" or
// "}" is literal, "\1" without such a group is an octal escape, "\c" without a
// letter is a backslash). Every construct is spelled out in PCRE2 terms, so
// that PCRE2's own meaning of escapes and options never leaks through: "." is
// "[^\n\r]", "\d \s \w \b" are ECMAScript's sets, "\v" is one character.
// Escaped ASCII letters without an ECMAScript meaning ("\Q", "\K", "\A",
// "\p"...) are rejected: users who write them expect a Perl meaning.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regex/char_set.h"

namespace vesk::regex {

struct PcrePattern {
  std::u16string text;         // PCRE2 syntax for the options that pattern.cpp compiles with
  std::size_t groupCount = 0;  // capture groups, numbered as in the ECMAScript pattern
  bool hasBackReference = false;
  // Characters that every match holds in this order, side by side (empty
  // when nothing is known); with ignoreCase only characters whose case
  // folding stays within ASCII. A prefilter over raw text may skip lines
  // that lack it.
  std::u16string requiredText;
  // The pattern is requiredText and nothing else: it matches exactly where
  // the text stands (with ignoreCase, folding within ASCII only).
  bool literal = false;
  // A run of character sets that every match holds side by side, one
  // character of each: "[a-z]+_[0-9]+\(" holds "_" and a digit. Chosen to
  // rule out the most text; with ignoreCase a letter stands for both its
  // cases, and only letters that fold within ASCII stand in it at all.
  std::vector<CharSet> requiredSets;
  // Every such run that rules out a fair share of text, requiredSets among
  // them: a line that lacks any of them cannot hold a match.
  std::vector<std::vector<CharSet>> requiredSetRuns;
  // The pattern is single characters and nothing else, these (whatever their
  // case folding); empty otherwise. Set whenever literal is.
  std::u16string plainText;
};

// nullopt when the pattern is not valid in the dialect. With ignoreCase the
// word sets and word boundaries are written so that case folding cannot widen
// them. forAutomaton writes the same pattern for PCRE2's DFA matcher, which
// keeps fewer states when single repeated items stand in groups.
std::optional<PcrePattern> translateEcmaPattern(std::u16string_view pattern, bool ignoreCase,
                                                bool forAutomaton = false);

}  // namespace vesk::regex
