// The automaton of a pattern: PCRE2's DFA matcher over every start position
// at once, whose time grows with the subject's length times the pattern's
// size. It decides whether a subject holds a match where backtracking would
// take too long; it sets no groups, and no automaton decides back-references.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "regex/pattern.h"
#include "regex/pcre_engine.h"
#include "regex/time_budget.h"

namespace vesk::regex {

// What a workspace keeps for the automata it runs; their callout reads it.
struct AutomatonScratch {
  SubjectBudget* budget = nullptr;  // the workspace's
  bool beforeEnd = false;           // of the run under way
  unsigned positions = 0;           // reached by the run under way
  std::vector<int> states;          // PCRE2's list of states; grows when a pattern needs more
};

// Runs of automata with this match context call back with scratch.
void attachAutomatonCallout(pcre2_match_context* context, AutomatonScratch& scratch);

// Compiled the first time a subject needs it, by whichever thread that is;
// any number of threads may use it at once, each with its own workspace.
class Automaton {
 public:
  // pcreText: the pattern as pcre_emit.h writes it for the automaton.
  Automaton(std::u16string pcreText, bool ignoreCase);

  // Whether subject holds a match (with beforeEnd, one that starts before
  // its end), within the subject's budget of processor time. GaveUp when
  // the budget or the list of states ran out, or PCRE2 cannot make the
  // automaton; running out of memory making it ends the run (and leaves it
  // to be made by the next caller).
  MatchOutcome decide(pcre2_match_context* context, pcre2_match_data* matchData,
                      AutomatonScratch& scratch, std::u16string_view subject, bool beforeEnd) const;

 private:
  const pcre2_code* code() const;

  std::u16string pcreText_;
  bool ignoreCase_ = false;
  mutable std::once_flag made_;
  mutable CodePointer code_;
};

}  // namespace vesk::regex
