// A parsed pattern written in PCRE2's syntax, for the options that
// pcre_engine.h compiles with.
//
// Every construct is spelled out in PCRE2 terms, so that PCRE2's own meaning
// of escapes and options never leaks through: "." is "[^\n\r]", "\d \s \w \b"
// are ECMAScript's sets, "\v" is one character. With ignoreCase the word sets
// and word boundaries are written so that case folding cannot widen them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "regex/ecma_parse.h"

namespace vesk::regex {

// Who reads the text: the backtracking matcher, or PCRE2's DFA matcher,
// which keeps fewer states when single repeated items stand in groups.
enum class PcreMatcher { Backtracking, Automaton };

std::u16string emitPcre(const EcmaTree& tree, bool ignoreCase,
                        PcreMatcher matcher = PcreMatcher::Backtracking);

// The items of the pattern's top level, itemsPerPiece at a time, each piece
// written for backtracking: a long plain text that PCRE2 cannot hold whole
// is compiled a piece at a time. A pattern with alternatives at its top
// level is one piece.
std::vector<std::u16string> emitPcrePieces(const EcmaTree& tree, bool ignoreCase,
                                           std::size_t itemsPerPiece);

}  // namespace vesk::regex
