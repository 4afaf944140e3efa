#include "regex/pcre_engine.h"

#include <new>

#include "platform/faults.h"

namespace vesk::regex {
namespace {

struct CompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};

// The emitted text spells every construct out; these options give the
// rest of the dialect: "^" also after a final line feed, "$" before every
// line feed, a back-reference to a group that took no part matching empty,
// "[]" and "[^]", and Unicode case folding with the letter i. The offset
// limit lets a search try its start positions a window at a time.
constexpr std::uint32_t kCompileOptions =
    PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF | PCRE2_MULTILINE |
    PCRE2_ALT_CIRCUMFLEX | PCRE2_UCP | PCRE2_NEVER_UTF | PCRE2_USE_OFFSET_LIMIT;

}  // namespace

pcre2_general_context* engineMemory() {
  static pcre2_general_context* const memory = pcre2_general_context_create(
      platform::allocateForLibrary, platform::releaseForLibrary, nullptr);
  return memory;
}

std::uint32_t optionsFor(bool ignoreCase) {
  return kCompileOptions | (ignoreCase ? PCRE2_CASELESS : 0);
}

PcreCompiled compilePcre(std::u16string_view text, std::uint32_t options) {
  const std::unique_ptr<pcre2_compile_context, CompileContextFree> context(
      pcre2_compile_context_create(engineMemory()));
  if (!context) return {nullptr, PCRE2_ERROR_HEAP_FAILED};
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  PcreCompiled compiled;
  PCRE2_SIZE errorOffset = 0;
  compiled.code.reset(pcre2_compile(unitsOf(text), text.size(), options, &compiled.errorCode,
                                    &errorOffset, context.get()));
  return compiled;
}

PCRE2_SPTR unitsOf(std::u16string_view text) {
  // An empty view may carry no pointer at all; PCRE2 wants one.
  return reinterpret_cast<PCRE2_SPTR>(text.empty() ? u"" : text.data());
}

int unlessOutOfMemory(int result) {
  if (result == PCRE2_ERROR_NOMEMORY) throw std::bad_alloc();
  return result;
}

}  // namespace vesk::regex
