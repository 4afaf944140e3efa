// PCRE2 as the regex layer calls it: owners of its objects, the memory it
// allocates from, and the options every pattern is compiled with.
#pragma once

#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string_view>

namespace vesk::regex {

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackFree {
  void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};
using CodePointer = std::unique_ptr<pcre2_code, CodeFree>;

// The engine allocates through the program's allocation functions, so that
// running out of memory there is met as anywhere else. Made once, shared by
// every thread; nullptr (no memory even for that) leaves the engine's own.
pcre2_general_context* engineMemory();

// The options for a pattern written by pcre_emit.h, with the letter i or
// without.
std::uint32_t optionsFor(bool ignoreCase);

struct PcreCompiled {
  CodePointer code;  // null when PCRE2 refused the text
  int errorCode = 0;
};

PcreCompiled compilePcre(std::u16string_view text, std::uint32_t options);

// The units of a pattern's text or a subject as PCRE2 takes them.
PCRE2_SPTR unitsOf(std::u16string_view text);

// A match's result, unless the engine ran out of memory (not out of its
// limits): then the run ends, as anywhere else memory runs out, rather than
// call the line too complex.
int unlessOutOfMemory(int result);

}  // namespace vesk::regex
