#include "regex/automaton.h"

#include <cstdint>
#include <new>
#include <utility>

namespace vesk::regex {
namespace {

// The automaton looks at the clock every this many positions.
constexpr unsigned kPositionsPerBudgetLook = 64;

// PCRE2 counts the DFA matcher's work against the match limit too; the
// budget of processor time is what bounds it, and the limit is as high as
// one attempt of backtracking has (pattern.cpp).
constexpr std::uint32_t kAutomatonSteps = 2'000'000;

// The automaton's list of states, in ints (three per state, two lists): it
// grows when a pattern has more states alive at once.
constexpr std::size_t kStatesStart = 3 * 2 * 500;
constexpr std::size_t kStatesAtMost = 3 * 2 * 16'000;

int automatonCallout(pcre2_callout_block* block, void* data) {
  AutomatonScratch& scratch = *static_cast<AutomatonScratch*>(data);
  // A match that starts at the end of the subject does not count.
  if (scratch.beforeEnd && block->current_position == block->subject_length) return 1;
  if (++scratch.positions % kPositionsPerBudgetLook == 0 && !scratch.budget->hasTimeLeft()) {
    return PCRE2_ERROR_CALLOUT;
  }
  return 0;
}

// The automaton's pattern: any text, then the pattern, all anchored at the
// start, so that one pass over the subject tries every start position at
// once. The callout stands where the pattern begins. Possessive repeats made
// by PCRE2's own optimisation would make the leading repeat take everything.
CodePointer compileAutomaton(std::u16string_view pcreText, bool ignoreCase) {
  const std::u16string text = u"[\\s\\S]*(?C1)(?:" + std::u16string(pcreText) + u")";
  PcreCompiled compiled =
      compilePcre(text, optionsFor(ignoreCase) | PCRE2_ANCHORED | PCRE2_NO_AUTO_POSSESS);
  if (compiled.errorCode == PCRE2_ERROR_HEAP_FAILED) throw std::bad_alloc();
  return std::move(compiled.code);
}

}  // namespace

void attachAutomatonCallout(pcre2_match_context* context, AutomatonScratch& scratch) {
  pcre2_set_callout(context, automatonCallout, &scratch);
}

Automaton::Automaton(std::u16string pcreText, bool ignoreCase)
    : pcreText_(std::move(pcreText)), ignoreCase_(ignoreCase) {}

const pcre2_code* Automaton::code() const {
  std::call_once(made_, [this] { code_ = compileAutomaton(pcreText_, ignoreCase_); });
  return code_.get();
}

MatchOutcome Automaton::decide(pcre2_match_context* context, pcre2_match_data* matchData,
                               AutomatonScratch& scratch, std::u16string_view subject,
                               bool beforeEnd) const {
  const pcre2_code* automaton = code();
  if (automaton == nullptr) return MatchOutcome::GaveUp;
  scratch.budget->restart(kSubjectTimeBudget);
  scratch.beforeEnd = beforeEnd;
  scratch.positions = 0;
  pcre2_set_offset_limit(context, PCRE2_UNSET);
  pcre2_set_match_limit(context, kAutomatonSteps);
  if (scratch.states.empty()) scratch.states.resize(kStatesStart);
  for (;;) {
    const int result = unlessOutOfMemory(
        pcre2_dfa_match(automaton, unitsOf(subject), subject.size(), 0, PCRE2_DFA_SHORTEST,
                        matchData, context, scratch.states.data(), scratch.states.size()));
    if (result >= 0) return MatchOutcome::Found;
    if (result == PCRE2_ERROR_NOMATCH) return MatchOutcome::NotFound;
    if (result != PCRE2_ERROR_DFA_WSSIZE || scratch.states.size() >= kStatesAtMost) {
      return MatchOutcome::GaveUp;
    }
    scratch.states.resize(scratch.states.size() * 2);
  }
}

}  // namespace vesk::regex
