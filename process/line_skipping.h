// Skipping lines before they are decoded or matched, when their bytes show
// what the entries would make of them:
// - the first entry is a search entry whose every match holds some text: a
//   line whose bytes lack it is neither written nor counted, whatever the
//   later entries say;
// - the only entry is a replace entry whose every match holds some text: a
//   line whose bytes lack it is unchanged and not counted, and, when lines
//   are written just as they were read, its bytes are copied out as they are.
// Line numbers still count every piece the reader would have delivered.
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

struct LineSkipping {
  std::optional<ByteNeedle> needle;  // none: every line goes through the entries
  bool copyUnchanged = false;        // skipped lines are written out as they were read
};

// What may be skipped for the entry list and the reader's encoding (decided
// from the byte-order mark first). linesWrittenAsRead: an unchanged line would
// be written exactly as read (lines shown, no prefixes, output redirected).
LineSkipping lineSkippingFor(const SearchEntryList& entries, LineReader& reader,
                             bool linesWrittenAsRead);

// The offset of the needle's first occurrence in text, or npos.
std::size_t findNeedle(const ByteNeedle& needle, std::string_view text);

}  // namespace vesk
