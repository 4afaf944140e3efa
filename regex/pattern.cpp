#include "regex/pattern.h"

#include <pcre2.h>
#include <cstdint>
#include <new>

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
  std::size_t groupCount = 0;
  std::u16string requiredText;
  std::vector<CharSet> requiredSets;
  bool literal = false;
  bool jit = false;
};

struct WorkspaceData {
  std::unique_ptr<pcre2_match_context, MatchContextFree> context;
  std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack;
  std::unique_ptr<pcre2_match_data, MatchDataFree> matchData;
  std::size_t groupCapacity = 0;  // groups the match data holds, group 0 included
  int lastResult = 0;             // pcre2_match's count of set groups for the last Found, else 0
};

void WorkspaceDataFree::operator()(WorkspaceData* data) const {
  delete data;
}

namespace {

CompileResult compileTranslated(const PcrePattern& translated, bool ignoreCase, JitUse jit) {
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->code = compilePcre(translated, ignoreCase);
  if (!compiled->code) return {};
  compiled->groupCount = translated.groupCount;
  compiled->requiredText = translated.requiredText;
  compiled->literal = translated.literal;
  compiled->requiredSets = translated.requiredSets;
  // PCRE2 10.42's JIT compares back-references without Unicode case
  // folding ("(\u00e9)\1" misses "\u00e9\u00c9"), the interpreter with it.
  const bool jitFoldsLikeInterpreter = !(ignoreCase && translated.hasBackReference);
  // When the JIT cannot compile (no JIT for this processor, no executable
  // memory), the interpreter gives the same answers, only more slowly.
  compiled->jit = jit == JitUse::WhenAvailable && jitFoldsLikeInterpreter &&
                  pcre2_jit_compile(compiled->code.get(), PCRE2_JIT_COMPLETE) == 0;
  return CompileResult{Pattern{std::move(compiled)}};
}

}  // namespace

CompileResult compilePattern(std::u16string_view ecmaPattern, bool ignoreCase, JitUse jit) {
  try {
    const auto translated = translateEcmaPattern(ecmaPattern, ignoreCase);
    if (!translated) return {};
    return compileTranslated(*translated, ignoreCase, jit);
  } catch (const std::bad_alloc&) {
    return CompileResult{std::nullopt, PatternError::OutOfMemory};
  }
}

bool usesJit(const Pattern& pattern) {
  return pattern.compiled && pattern.compiled->jit;
}

std::u16string_view requiredText(const Pattern& pattern) {
  return pattern.compiled ? std::u16string_view(pattern.compiled->requiredText)
                          : std::u16string_view();
}

std::span<const CharSet> requiredSets(const Pattern& pattern) {
  return pattern.compiled ? std::span<const CharSet>(pattern.compiled->requiredSets)
                          : std::span<const CharSet>();
}

bool isLiteral(const Pattern& pattern) {
  return pattern.compiled && pattern.compiled->literal;
}

std::size_t groupCount(const Pattern& pattern) {
  return pattern.compiled ? pattern.compiled->groupCount : 0;
}

// Each workspace has its own match context and JIT stack: the stack serves
// one match at a time, so two threads must never share one. The limits are
// constants, so a context carries nothing from one match to the next.
MatchWorkspace createMatchWorkspace() {
  MatchWorkspace workspace{std::unique_ptr<WorkspaceData, WorkspaceDataFree>(new WorkspaceData)};
  WorkspaceData& data = *workspace.data;
  data.context.reset(pcre2_match_context_create(nullptr));
  if (!data.context) return workspace;
  pcre2_set_match_limit(data.context.get(), kMatchLimit);
  pcre2_set_depth_limit(data.context.get(), kDepthLimit);
  pcre2_set_heap_limit(data.context.get(), kHeapLimitKiB);
  data.jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
  if (data.jitStack) pcre2_jit_stack_assign(data.context.get(), nullptr, data.jitStack.get());
  return workspace;
}

namespace {

// Match data that holds every group of the pattern; false when there is no
// memory for it.
bool fitMatchData(WorkspaceData& data, const CompiledPattern& compiled) {
  const std::size_t needed = compiled.groupCount + 1;
  if (data.matchData && data.groupCapacity >= needed) return true;
  data.matchData.reset(pcre2_match_data_create(static_cast<std::uint32_t>(needed), nullptr));
  data.groupCapacity = data.matchData ? needed : 0;
  return data.matchData != nullptr;
}

int runMatch(const CompiledPattern& compiled, WorkspaceData& data, std::u16string_view subject,
             std::size_t start, std::uint32_t options) {
  // An empty view may carry no pointer at all; PCRE2 wants one.
  const char16_t* text = subject.empty() ? u"" : subject.data();
  return pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(text), subject.size(), start,
                     options, data.matchData.get(), data.context.get());
}

}  // namespace

MatchOutcome findMatch(const Pattern& pattern, MatchWorkspace& workspace,
                       std::u16string_view subject, std::size_t start, MatchOptions options) {
  WorkspaceData& data = *workspace.data;
  data.lastResult = 0;
  if (!pattern.compiled || !data.context) return MatchOutcome::GaveUp;
  const CompiledPattern& compiled = *pattern.compiled;
  if (!fitMatchData(data, compiled)) return MatchOutcome::GaveUp;
  if (start > subject.size()) return MatchOutcome::NotFound;
  const std::uint32_t flags = options.notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0;
  int result = runMatch(compiled, data, subject, start, flags);
  // The interpreter keeps its backtracking memory on the heap, where the
  // limit is far larger than the JIT stack.
  if (result == PCRE2_ERROR_JIT_STACKLIMIT) {
    result = runMatch(compiled, data, subject, start, flags | PCRE2_NO_JIT);
  }
  if (result == PCRE2_ERROR_NOMATCH) return MatchOutcome::NotFound;
  if (result < 0) return MatchOutcome::GaveUp;
  // The match data is sized for the pattern, so 0 (too few slots) cannot occur.
  data.lastResult = result;
  return MatchOutcome::Found;
}

std::optional<Span> groupSpan(const MatchWorkspace& workspace, std::size_t n) {
  const WorkspaceData& data = *workspace.data;
  if (n >= static_cast<std::size_t>(data.lastResult)) return std::nullopt;
  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.matchData.get());
  if (offsets[2 * n] == PCRE2_UNSET) return std::nullopt;
  return Span{offsets[2 * n], offsets[2 * n + 1]};
}

}  // namespace vesk::regex
