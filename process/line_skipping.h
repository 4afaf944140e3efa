// Skipping lines that cannot be selected, before they are decoded or
// matched: when the first entry is a search entry whose every match holds
// some text, a line whose bytes lack that text is neither written nor
// counted, whatever the later entries say. Line numbers still count every
// piece the reader would have delivered.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "cmdline/search_entry.h"
#include "process/line_reader.h"

namespace vesk {

struct ByteNeedle {
  std::string bytes;           // the required text as the reader's bytes
  bool foldAsciiCase = false;  // ASCII letters match either case
  std::size_t anchor = 0;      // index of the rarest byte, searched for first
};

// The needle for the entry list and the reader's encoding (decided from the
// byte-order mark first); nullopt when lines cannot be skipped by their bytes.
std::optional<ByteNeedle> skipNeedleFor(const SearchEntryList& entries, LineReader& reader);

// The offset of the needle's first occurrence in text, or npos.
std::size_t findNeedle(const ByteNeedle& needle, std::string_view text);

}  // namespace vesk
