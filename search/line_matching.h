// Applies the entry list to one line: search entries select or reject it,
// replace entries rewrite it.
#pragma once

#include <string>
#include <string_view>

#include "model/search_entry.h"
#include "regex/pattern.h"

namespace vesk {

struct LineOutcome {
  bool hit = false;
  bool rewritten = false;     // some replace entry changed the text
  bool engineGaveUp = false;  // some entry could not be decided on this line
};

// Rewrites lineText by the entries, in order; the workspace is the calling
// thread's own.
LineOutcome evaluateLine(const SearchEntryList& entries, regex::MatchWorkspace& workspace,
                         std::u16string& lineText);

}  // namespace vesk
