#include "regex/pattern.h"

#include <pcre2.h>
#include <cstdint>

#include "regex/ecma_translate.h"

namespace vesk::regex {

namespace {

struct CodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackFree {
  void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

// The translator writes every construct explicitly; these options give the
// rest of the dialect: "^" also after a final line feed, "$" before every
// line feed, a back-reference to a group that took no part matching empty,
// "[]" and "[^]", and Unicode case folding with the letter i.
constexpr std::uint32_t kCompileOptions = PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                                          PCRE2_MATCH_UNSET_BACKREF | PCRE2_MULTILINE |
                                          PCRE2_ALT_CIRCUMFLEX | PCRE2_UCP | PCRE2_NEVER_UTF;

// Limits for one match attempt, so that no line costs more than about a
// second or unbounded memory. At the step limit the interpreter gives up after
// about 0.7 s on the development machine, the JIT after about 0.2 s. The heap
// limit bounds the interpreter's backtracking memory; the depth limit is left
// high so that the heap limit is the one that decides. 65,535-unit lines of
// ordinary patterns stay far below all three.
constexpr std::uint32_t kMatchLimit = 40'000'000;
constexpr std::uint32_t kDepthLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKiB = 192 * 1024;

// PCRE2's default JIT stack of 32 KiB fails on ordinary long lines:
// "^(?:a|b)*$" over 65,535 units needs about 4 MiB.
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 16 * 1024 * 1024;

struct MatchResources {
  std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack;
  std::unique_ptr<pcre2_match_context, MatchContextFree> context;
};

MatchResources createMatchResources() {
  MatchResources resources;
  resources.context.reset(pcre2_match_context_create(nullptr));
  if (!resources.context) return resources;
  pcre2_set_match_limit(resources.context.get(), kMatchLimit);
  pcre2_set_depth_limit(resources.context.get(), kDepthLimit);
  pcre2_set_heap_limit(resources.context.get(), kHeapLimitKiB);
  resources.jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
  if (resources.jitStack) {
    pcre2_jit_stack_assign(resources.context.get(), nullptr, resources.jitStack.get());
  }
  return resources;
}

// One match context with one JIT stack serves every pattern for the whole
// run, created on first use. The stack reserves several MiB, too much to
// keep one per entry, and the program matches on one thread, so the stack is
// never in use twice at a time. The limits are constants, so sharing the
// context carries nothing from one match to the next.
pcre2_match_context* sharedMatchContext() {
  static const MatchResources resources = createMatchResources();
  return resources.context.get();
}

std::unique_ptr<pcre2_code, CodeFree> compilePcre(const PcrePattern& translated, bool ignoreCase) {
  const std::unique_ptr<pcre2_compile_context, CompileContextFree> context(
      pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  const std::uint32_t options = kCompileOptions | (ignoreCase ? PCRE2_CASELESS : 0);
  return std::unique_ptr<pcre2_code, CodeFree>(
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.text.data()), translated.text.size(),
                    options, &errorCode, &errorOffset, context.get()));
}

}  // namespace

struct CompiledPattern {
  std::unique_ptr<pcre2_code, CodeFree> code;
  std::unique_ptr<pcre2_match_data, MatchDataFree> matchData;
  std::size_t groupCount = 0;
  std::u16string requiredText;
  bool jit = false;
  int lastResult = 0;  // pcre2_match's count of set groups for the last Found, else 0
};

std::optional<Pattern> compilePattern(std::u16string_view ecmaPattern, bool ignoreCase,
                                      JitUse jit) {
  const auto translated = translateEcmaPattern(ecmaPattern, ignoreCase);
  if (!translated) return std::nullopt;
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->code = compilePcre(*translated, ignoreCase);
  if (!compiled->code) return std::nullopt;
  compiled->matchData.reset(pcre2_match_data_create_from_pattern(compiled->code.get(), nullptr));
  if (!compiled->matchData) return std::nullopt;
  compiled->groupCount = translated->groupCount;
  compiled->requiredText = std::move(translated->requiredText);
  // PCRE2 10.42's JIT compares back-references without Unicode case
  // folding ("(\u00e9)\1" misses "\u00e9\u00c9"), the interpreter with it.
  const bool jitFoldsLikeInterpreter = !(ignoreCase && translated->hasBackReference);
  // When the JIT cannot compile (no JIT for this processor, no executable
  // memory), the interpreter gives the same answers, only more slowly.
  compiled->jit = jit == JitUse::WhenAvailable && jitFoldsLikeInterpreter &&
                  pcre2_jit_compile(compiled->code.get(), PCRE2_JIT_COMPLETE) == 0;
  return Pattern{std::move(compiled)};
}

bool usesJit(const Pattern& pattern) {
  return pattern.compiled && pattern.compiled->jit;
}

namespace {

int runMatch(CompiledPattern& compiled, std::u16string_view subject, std::size_t start,
             std::uint32_t options) {
  // An empty view may carry no pointer at all; PCRE2 wants one.
  const char16_t* text = subject.empty() ? u"" : subject.data();
  return pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(text), subject.size(), start,
                     options, compiled.matchData.get(), sharedMatchContext());
}

}  // namespace

MatchOutcome findMatch(Pattern& pattern, std::u16string_view subject, std::size_t start,
                       MatchOptions options) {
  if (!pattern.compiled) return MatchOutcome::GaveUp;
  CompiledPattern& compiled = *pattern.compiled;
  compiled.lastResult = 0;
  if (start > subject.size()) return MatchOutcome::NotFound;
  const std::uint32_t flags = options.notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0;
  int result = runMatch(compiled, subject, start, flags);
  // The interpreter keeps its backtracking memory on the heap, where the
  // limit is far larger than the JIT stack.
  if (result == PCRE2_ERROR_JIT_STACKLIMIT) {
    result = runMatch(compiled, subject, start, flags | PCRE2_NO_JIT);
  }
  if (result == PCRE2_ERROR_NOMATCH) return MatchOutcome::NotFound;
  if (result < 0) return MatchOutcome::GaveUp;
  // The match data is sized for the pattern, so 0 (too few slots) cannot occur.
  compiled.lastResult = result;
  return MatchOutcome::Found;
}

std::u16string_view requiredText(const Pattern& pattern) {
  return pattern.compiled ? std::u16string_view(pattern.compiled->requiredText)
                          : std::u16string_view();
}

std::size_t groupCount(const Pattern& pattern) {
  return pattern.compiled ? pattern.compiled->groupCount : 0;
}

std::optional<Span> groupSpan(const Pattern& pattern, std::size_t n) {
  if (!pattern.compiled || n >= static_cast<std::size_t>(pattern.compiled->lastResult)) {
    return std::nullopt;
  }
  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(pattern.compiled->matchData.get());
  if (offsets[2 * n] == PCRE2_UNSET) return std::nullopt;
  return Span{offsets[2 * n], offsets[2 * n + 1]};
}

}  // namespace vesk::regex
