#include "regex/pattern.h"

#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <new>

#include "base/ascii.h"
#include "regex/automaton.h"
#include "regex/ecma_parse.h"
#include "regex/literal_search.h"
#include "regex/pcre_emit.h"
#include "regex/pcre_engine.h"
#include "regex/required_text.h"
#include "regex/time_budget.h"

namespace vesk::regex {

namespace {

using namespace std::chrono_literals;

// PCRE2's limits count per start position: its step counter starts afresh
// at each one, so "(a)*[b-c]" on 65,535 a's takes 65,535 attempts of up to
// 65,535 steps each, and no limit is ever reached; and steps are no measure
// of time anyway: one step of "(?=[^b]*)" scans the rest of the line. So each
// attempt has a step limit (the JIT gives up after about 0.01 s, the
// interpreter, whose steps are slower, after about as long; "^(?:a|b)*$" over
// 65,535 units takes the interpreter about 130,000 steps), and the processor
// time a long subject has used is looked at between windows of its start
// positions and between its searches: a subject may use kSubjectTime per
// pattern.
constexpr std::uint32_t kAttemptSteps = 2'000'000;
constexpr std::uint32_t kInterpretedAttemptSteps = 500'000;
constexpr std::chrono::nanoseconds kSubjectTime = kSubjectTimeBudget;
// Where the automaton can decide, backtracking only gets a short try: a line
// that is hard for it is left to the automaton at once.
constexpr std::uint32_t kTrialSteps = 100'000;
constexpr std::chrono::nanoseconds kTrialTime = 20ms;
// The depth limit is left high so that the heap limit is the one that decides.
constexpr std::uint32_t kDepthLimit = 10'000'000;

// Start positions tried by one call of the engine. A subject of up to
// kShortSubject units takes one call for each search, as it would without
// windows, and no reading of the clock: its searches try at most twice as
// many start positions as it has. A longer one is tried in windows, fewer
// positions the longer the rest of the subject, since an attempt often
// reads it to its end (the clock is read between calls, never during one).
constexpr std::size_t kShortSubject = 256;
constexpr std::size_t kWindowUnits = 1 << 16;
constexpr std::size_t kWindowAtLeast = 16;
constexpr std::size_t kWindowAtMost = 128;

// Memory of one workspace. Every thread of matching has one (up to 64
// threads and the main one), and the 32-bit product has 2 GiB of address
// space: 65 workspaces of 16 MiB take about 1 GiB at most. The JIT needs
// about 1.5 MiB of stack for "^(?:a|b)*$" over 65,535 units on x86-64 (half
// that on x86-32); the interpreter, to which a search that overflows the JIT
// stack falls back, needs about eight times what the JIT needs.
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackBytes = 2 * 1024 * 1024;
constexpr std::size_t kInterpreterHeapBytes = 14 * 1024 * 1024;

// A plain text that folds beyond ASCII and is too long for one PCRE2
// pattern is compiled in pieces of this many characters.
constexpr std::size_t kPieceCharacters = 4096;

bool isTooLarge(int errorCode) {
  switch (errorCode) {
    case PCRE2_ERROR_PATTERN_TOO_LARGE:
    case PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP:
    case PCRE2_ERROR_PATTERN_TOO_COMPLICATED:
    case PCRE2_ERROR_PATTERN_STRING_TOO_LONG:
    case PCRE2_ERROR_TOO_MANY_CAPTURES:
    case PCRE2_ERROR_TOO_MANY_NAMED_SUBPATTERNS:
      return true;
    default:
      return false;
  }
}

struct EngineCode {
  CodePointer code;
  bool jit = false;
};

// When the JIT cannot compile (no JIT for this processor, no executable
// memory), the interpreter gives the same answers, only more slowly.
EngineCode withJit(CodePointer code, bool jit) {
  const bool compiled = jit && pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;
  return EngineCode{std::move(code), compiled};
}

}  // namespace

// What a pattern needs the engine for; literal patterns have none.
struct EnginePart {
  std::vector<EngineCode> codes;  // the pattern, or the pieces of a long plain text
  bool pieced = false;
  bool ignoreCase = false;
  std::size_t groupCount = 0;
  std::vector<CharSet> requiredSets;
  std::vector<std::vector<CharSet>> requiredSetRuns;
  // Null when the pattern has back-references, which no automaton decides,
  // when it is pieced, and for the empty pattern, which matches at once.
  std::unique_ptr<const Automaton> automaton;
};

struct CompiledPattern {
  LiteralText required;  // the required text, and what is searched for when literal
  bool literal = false;
  std::unique_ptr<const EnginePart> engine;  // null when literal
};

struct WorkspaceData {
  std::unique_ptr<pcre2_match_context, MatchContextFree> context;
  std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack;
  std::unique_ptr<pcre2_match_data, MatchDataFree> matchData;
  std::size_t groupCapacity = 0;   // groups the match data holds, group 0 included
  int lastResult = 0;              // pcre2_match's count of set groups for the last Found, else 0
  std::optional<Span> plainMatch;  // the last Found of a search without groups
  SubjectBudget budget;
  std::size_t interpreterRetries = 0;
  std::uint32_t attemptSteps = kAttemptSteps;  // of the search under way, as the JIT counts them
  AutomatonScratch automaton;
};

void WorkspaceDataFree::operator()(WorkspaceData* data) const {
  delete data;
}

namespace {

// A long plain text whose letters fold beyond ASCII: PCRE2 folds them, one
// piece at a time. Every character of such a pattern matches one unit, so
// the pieces follow each other exactly; all but the first are anchored. The
// interpreter runs them: the JIT's code for such pieces is large, and
// compiling it would cost more than it saves on one comparison a character.
std::optional<std::vector<EngineCode>> compilePieces(const EcmaTree& tree) {
  std::vector<EngineCode> pieces;
  for (const std::u16string& text : emitPcrePieces(tree, true, kPieceCharacters)) {
    const std::uint32_t anchored = pieces.empty() ? 0 : PCRE2_ANCHORED;
    PcreCompiled piece = compilePcre(text, optionsFor(true) | anchored);
    if (!piece.code) return std::nullopt;
    pieces.push_back(EngineCode{std::move(piece.code), false});
  }
  return pieces;
}

CompileResult compileLiteral(std::u16string_view text, bool ignoreCase) {
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->required = makeLiteralText(text, ignoreCase);
  compiled->literal = true;
  return CompileResult{Pattern{std::move(compiled)}};
}

// The engine's code for a parsed pattern: whole, or in pieces when it is a
// plain text too long for PCRE2 that folds beyond ASCII; why not otherwise.
std::optional<PatternError> compileCodes(EnginePart& engine, const EcmaTree& tree, bool isPlainText,
                                         JitUse jit) {
  PcreCompiled whole =
      compilePcre(emitPcre(tree, engine.ignoreCase), optionsFor(engine.ignoreCase));
  if (whole.code) {
    // PCRE2 10.42's JIT compares back-references without Unicode case
    // folding ("(\u00e9)\1" misses "\u00e9\u00c9"), the interpreter with it.
    const bool jitFoldsLikeInterpreter = !(engine.ignoreCase && tree.hasBackReference);
    engine.codes.push_back(
        withJit(std::move(whole.code), jit == JitUse::WhenAvailable && jitFoldsLikeInterpreter));
    return std::nullopt;
  }
  if (whole.errorCode == PCRE2_ERROR_HEAP_FAILED) return PatternError::OutOfMemory;
  if (!isTooLarge(whole.errorCode)) return PatternError::Invalid;
  if (!engine.ignoreCase || !isPlainText) return PatternError::TooLarge;
  auto pieces = compilePieces(tree);
  if (!pieces) return PatternError::TooLarge;
  engine.codes = std::move(*pieces);
  engine.pieced = true;
  return std::nullopt;
}

CompileResult compileEngine(const EcmaTree& tree, bool isPlainText, bool ignoreCase, JitUse jit) {
  auto engine = std::make_unique<EnginePart>();
  engine->ignoreCase = ignoreCase;
  engine->groupCount = tree.groupCount;
  RequiredTexts required = findRequiredTexts(tree, ignoreCase);
  engine->requiredSets = std::move(required.sets);
  engine->requiredSetRuns = std::move(required.setRuns);
  if (const auto error = compileCodes(*engine, tree, isPlainText, jit)) {
    return CompileResult{std::nullopt, *error};
  }
  if (!tree.hasBackReference && !engine->pieced) {
    std::u16string automaton = emitPcre(tree, ignoreCase, PcreMatcher::Automaton);
    if (!automaton.empty()) {
      engine->automaton = std::make_unique<const Automaton>(std::move(automaton), ignoreCase);
    }
  }
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->required = LiteralText{std::move(required.text), ignoreCase, {}};
  compiled->engine = std::move(engine);
  return CompileResult{Pattern{std::move(compiled)}};
}

}  // namespace

CompileResult compilePattern(std::u16string_view ecmaPattern, bool ignoreCase, JitUse jit) {
  try {
    const auto tree = parseEcmaPattern(ecmaPattern);
    if (!tree) return {};
    const std::u16string plainText = plainTextOf(*tree);
    if (isLiteralText(plainText, ignoreCase)) return compileLiteral(plainText, ignoreCase);
    return compileEngine(*tree, !plainText.empty(), ignoreCase, jit);
  } catch (const std::bad_alloc&) {
    return CompileResult{std::nullopt, PatternError::OutOfMemory};
  }
}

bool usesJit(const Pattern& pattern) {
  return pattern.compiled && pattern.compiled->engine && pattern.compiled->engine->codes[0].jit;
}

std::u16string_view requiredText(const Pattern& pattern) {
  return pattern.compiled ? std::u16string_view(pattern.compiled->required.text)
                          : std::u16string_view();
}

// A literal pattern's sets are its characters, in both cases when folding.
std::vector<CharSet> requiredSets(const Pattern& pattern) {
  if (!pattern.compiled) return {};
  if (pattern.compiled->engine) return pattern.compiled->engine->requiredSets;
  const LiteralText& required = pattern.compiled->required;
  std::vector<CharSet> sets;
  sets.reserve(required.text.size());
  for (const char16_t c : required.text) {
    const char16_t lower = required.foldAscii ? asciiLower(c) : c;
    const char16_t upper = required.foldAscii ? asciiUpper(c) : c;
    sets.push_back(lower == upper ? CharSet{{c, c}} : CharSet{{upper, upper}, {lower, lower}});
  }
  return sets;
}

std::vector<std::vector<CharSet>> requiredSetRuns(const Pattern& pattern) {
  if (!pattern.compiled || !pattern.compiled->engine) return {};
  return pattern.compiled->engine->requiredSetRuns;
}

bool isLiteral(const Pattern& pattern) {
  return pattern.compiled && pattern.compiled->literal;
}

std::size_t groupCount(const Pattern& pattern) {
  return pattern.compiled && pattern.compiled->engine ? pattern.compiled->engine->groupCount : 0;
}

// Each workspace has its own match context and JIT stack: the stack serves
// one match at a time, so two threads must never share one.
MatchWorkspace createMatchWorkspace() {
  MatchWorkspace workspace{std::unique_ptr<WorkspaceData, WorkspaceDataFree>(new WorkspaceData)};
  WorkspaceData& data = *workspace.data;
  data.budget.restart(kSubjectTime);
  data.automaton.budget = &data.budget;
  data.context.reset(pcre2_match_context_create(engineMemory()));
  if (!data.context) throw std::bad_alloc();
  pcre2_set_match_limit(data.context.get(), kAttemptSteps);
  pcre2_set_depth_limit(data.context.get(), kDepthLimit);
  pcre2_set_heap_limit(data.context.get(), kInterpreterHeapBytes / 1024);
  attachAutomatonCallout(data.context.get(), data.automaton);
  data.jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackBytes, engineMemory()));
  if (data.jitStack) pcre2_jit_stack_assign(data.context.get(), nullptr, data.jitStack.get());
  return workspace;
}

namespace {

// Match data that holds every group of the pattern.
void fitMatchData(WorkspaceData& data, std::size_t groups) {
  const std::size_t needed = groups + 1;
  if (data.matchData && data.groupCapacity >= needed) return;
  data.matchData.reset(pcre2_match_data_create(static_cast<std::uint32_t>(needed), engineMemory()));
  data.groupCapacity = data.matchData ? needed : 0;
  if (!data.matchData) throw std::bad_alloc();
}

std::size_t windowFor(std::size_t positions) {
  return std::clamp(kWindowUnits / positions, kWindowAtLeast, kWindowAtMost);
}

// The interpreter's steps take longer than the JIT's.
std::uint32_t interpretedSteps(std::uint32_t jitSteps) {
  return jitSteps / (kAttemptSteps / kInterpretedAttemptSteps);
}

// One call of the engine over the start positions from start to lastStart.
int runEngine(const EngineCode& code, WorkspaceData& data, std::u16string_view subject,
              std::size_t start, std::uint32_t options, PCRE2_SIZE lastStart) {
  pcre2_set_offset_limit(data.context.get(), lastStart);
  pcre2_set_match_limit(data.context.get(),
                        code.jit ? data.attemptSteps : interpretedSteps(data.attemptSteps));
  const PCRE2_SPTR text = unitsOf(subject);
  int result = unlessOutOfMemory(pcre2_match(code.code.get(), text, subject.size(), start, options,
                                             data.matchData.get(), data.context.get()));
  // The interpreter keeps its backtracking memory on the heap, which it may
  // use seven times as much of as the JIT has stack.
  if (result == PCRE2_ERROR_JIT_STACKLIMIT) {
    ++data.interpreterRetries;
    pcre2_set_match_limit(data.context.get(), interpretedSteps(data.attemptSteps));
    result = unlessOutOfMemory(pcre2_match(code.code.get(), text, subject.size(), start,
                                           options | PCRE2_NO_JIT, data.matchData.get(),
                                           data.context.get()));
  }
  return result;
}

// The leftmost match at or after start by backtracking; on a long subject
// the start positions a window at a time.
MatchOutcome backtrack(const EngineCode& code, WorkspaceData& data, std::u16string_view subject,
                       std::size_t start, bool notEmptyAtStart, std::uint32_t attemptSteps) {
  data.attemptSteps = attemptSteps;
  const bool windows = subject.size() > kShortSubject;
  for (std::size_t from = start;;) {
    if (windows && !data.budget.hasTimeLeft()) return MatchOutcome::GaveUp;
    const std::size_t positions = subject.size() - from + 1;
    const std::size_t window = windows ? windowFor(positions) : positions;
    const bool last = positions <= window;
    const PCRE2_SIZE lastStart = last ? PCRE2_UNSET : from + window - 1;
    const std::uint32_t options = from == start && notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0;
    const int result = runEngine(code, data, subject, from, options, lastStart);
    if (result == PCRE2_ERROR_NOMATCH && !last) {
      from += window;
      continue;
    }
    if (result == PCRE2_ERROR_NOMATCH) return MatchOutcome::NotFound;
    if (result < 0) return MatchOutcome::GaveUp;
    // The match data is sized for the pattern, so 0 (too few slots) cannot occur.
    data.lastResult = result;
    return MatchOutcome::Found;
  }
}

Span matchedSpan(const WorkspaceData& data) {
  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.matchData.get());
  return Span{offsets[0], offsets[1]};
}

// The pieces of a long plain text: where the first stands, the others must
// follow.
MatchOutcome findPieces(const EnginePart& engine, WorkspaceData& data, std::u16string_view subject,
                        std::size_t start) {
  for (std::size_t from = start;;) {
    const MatchOutcome first =
        backtrack(engine.codes[0], data, subject, from, false, kAttemptSteps);
    if (first != MatchOutcome::Found) return first;
    const Span found = matchedSpan(data);
    std::size_t end = found.end;
    bool all = true;
    for (std::size_t i = 1; all && i < engine.codes.size(); ++i) {
      if (subject.size() > kShortSubject && !data.budget.hasTimeLeft()) return MatchOutcome::GaveUp;
      const int result = runEngine(engine.codes[i], data, subject, end, 0, PCRE2_UNSET);
      if (result < 0 && result != PCRE2_ERROR_NOMATCH) return MatchOutcome::GaveUp;
      all = result > 0;
      if (all) end = matchedSpan(data).end;
    }
    if (all) {
      data.lastResult = 0;
      data.plainMatch = Span{found.start, end};
      return MatchOutcome::Found;
    }
    from = found.start + 1;
  }
}

MatchOutcome findLiteralMatch(const LiteralText& literal, WorkspaceData& data,
                              std::u16string_view subject, std::size_t start) {
  const std::size_t at = findLiteral(literal, subject, start);
  if (at == std::u16string_view::npos) return MatchOutcome::NotFound;
  data.plainMatch = Span{at, at + literal.text.size()};
  return MatchOutcome::Found;
}

MatchOutcome runAutomaton(const Automaton& automaton, WorkspaceData& data,
                          std::u16string_view subject, bool beforeEnd) {
  fitMatchData(data, 0);
  return automaton.decide(data.context.get(), data.matchData.get(), data.automaton, subject,
                          beforeEnd);
}

void forgetLastMatch(WorkspaceData& data) {
  data.lastResult = 0;
  data.plainMatch.reset();
}

}  // namespace

MatchOutcome findMatch(const Pattern& pattern, MatchWorkspace& workspace,
                       std::u16string_view subject, std::size_t start, MatchOptions options) {
  WorkspaceData& data = *workspace.data;
  forgetLastMatch(data);
  if (!pattern.compiled || !data.context) return MatchOutcome::GaveUp;
  if (start == 0 && !options.notEmptyAtStart) data.budget.restart(kSubjectTime);
  if (start > subject.size()) return MatchOutcome::NotFound;
  const CompiledPattern& compiled = *pattern.compiled;
  // Literal texts are never empty, so an empty match cannot occur.
  if (compiled.literal) return findLiteralMatch(compiled.required, data, subject, start);
  const EnginePart& engine = *compiled.engine;
  fitMatchData(data, engine.groupCount);
  if (engine.pieced) return findPieces(engine, data, subject, start);
  return backtrack(engine.codes[0], data, subject, start, options.notEmptyAtStart, kAttemptSteps);
}

MatchOutcome containsMatch(const Pattern& pattern, MatchWorkspace& workspace,
                           std::u16string_view subject, bool beforeEnd) {
  WorkspaceData& data = *workspace.data;
  if (!pattern.compiled || !pattern.compiled->engine || pattern.compiled->engine->pieced) {
    const MatchOutcome outcome = findMatch(pattern, workspace, subject, 0);
    forgetLastMatch(data);
    return outcome;
  }
  forgetLastMatch(data);
  if (!data.context) return MatchOutcome::GaveUp;
  const EnginePart& engine = *pattern.compiled->engine;
  fitMatchData(data, engine.groupCount);
  const bool automaton = engine.automaton != nullptr;
  data.budget.restart(automaton ? kTrialTime : kSubjectTime);
  MatchOutcome outcome =
      backtrack(engine.codes[0], data, subject, 0, false, automaton ? kTrialSteps : kAttemptSteps);
  if (outcome == MatchOutcome::Found) {
    // The leftmost match at the end means there is none before it.
    const bool atEnd = matchedSpan(data).start == subject.size();
    outcome = beforeEnd && atEnd ? MatchOutcome::NotFound : MatchOutcome::Found;
  } else if (outcome == MatchOutcome::GaveUp && automaton) {
    outcome = runAutomaton(*engine.automaton, data, subject, beforeEnd);
  }
  forgetLastMatch(data);
  return outcome;
}

MatchOutcome containsMatchByAutomaton(const Pattern& pattern, MatchWorkspace& workspace,
                                      std::u16string_view subject, bool beforeEnd) {
  WorkspaceData& data = *workspace.data;
  forgetLastMatch(data);
  if (!pattern.compiled || !pattern.compiled->engine || !data.context) return MatchOutcome::GaveUp;
  const EnginePart& engine = *pattern.compiled->engine;
  if (!engine.automaton) return MatchOutcome::GaveUp;
  return runAutomaton(*engine.automaton, data, subject, beforeEnd);
}

std::optional<Span> groupSpan(const MatchWorkspace& workspace, std::size_t n) {
  const WorkspaceData& data = *workspace.data;
  if (data.plainMatch) return n == 0 ? data.plainMatch : std::nullopt;
  if (n >= static_cast<std::size_t>(data.lastResult)) return std::nullopt;
  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.matchData.get());
  if (offsets[2 * n] == PCRE2_UNSET) return std::nullopt;
  return Span{offsets[2 * n], offsets[2 * n + 1]};
}

std::size_t interpreterRetries(const MatchWorkspace& workspace) {
  return workspace.data->interpreterRetries;
}

}  // namespace vesk::regex
