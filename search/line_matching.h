// Applies the entry list to one line: search entries select or reject it,
// replace entries rewrite it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/search_entry.h"
#include "regex/pattern.h"

namespace vesk {

// A rewritten line holds at most this many UTF-16 units (2 MiB): sixteen
// times the longest piece the reader makes. A replacement that would make a
// line longer ("$'" for every character of a long line grows it with the
// square of its length) leaves it as it was.
inline constexpr std::size_t kRewrittenLineUnitsAtMost = 1'048'576;

struct LineOutcome {
  bool hit = false;
  bool rewritten = false;     // some replace entry changed the text
  bool engineGaveUp = false;  // some entry could not be decided on this line
  bool tooLong = false;       // some replace entry would have made the line too long
};

// Rewrites lineText by the entries, in order; the workspace is the calling
// thread's own.
LineOutcome evaluateLine(const SearchEntryList& entries, regex::MatchWorkspace& workspace,
                         std::u16string& lineText);

}  // namespace vesk
