// Applies the entry list to one line: search entries select or reject it,
// replace entries rewrite it.
#pragma once

#include <string>
#include <string_view>

#include "cmdline/search_entry.h"

namespace vesk {

struct LineOutcome {
  bool hit = false;
  bool engineGaveUp = false;  // some entry could not be decided on this line
};

LineOutcome evaluateLine(SearchEntryList& entries, std::u16string& lineText);

// The text a replacement format yields when every reference expands to nothing.
std::u16string formatLiteralText(std::u16string_view format);

}  // namespace vesk
