// The search of one input (a file or standard input): its lines are read,
// decided by the entries, and what is selected is reported to a sink, which
// prints it (output/printers.h).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/byte_source.h"
#include "io/line_reader.h"
#include "model/run_plan.h"
#include "model/search_entry.h"
#include "output/search_sink.h"
#include "regex/pattern.h"
#include "search/line_skipping.h"

namespace vesk {

struct SearchOptions {
  // False takes the plain line-by-line path everywhere; the equivalence
  // tests compare both paths on the same input.
  bool skipLines = true;
};

// The fast paths of a run for each way its input may be decoded (see
// line_skipping.h). They depend on the entries, the plan and what the
// printer needs of a line only, so they are planned once, before the first
// input, and then shared.
struct FastPaths {
  std::array<LineSkipping, 4> byDecoding;  // indexed by Decoding
};

FastPaths planFastPaths(const SearchEntryList& entries, const RunPlan& plan,
                        const SearchSink& printer, SearchOptions options = {});

// What the searches of a run share from one input to the next.
struct FileSearch {
  const RunPlan& plan;
  const SearchEntryList& entries;
  LineReader& reader;
  regex::MatchWorkspace& workspace;
  const FastPaths& fastPaths;
  // Set by whoever may abandon the search: it then ends at the next line.
  const std::atomic<bool>* abandoned = nullptr;
};

// The names of one input: display in results ("a.txt", "(CON)"), path in
// messages about reading it.
struct InputNames {
  std::u16string_view display;
  std::u16string_view path;
};

// Searches one input to its end; true when some line was a hit.
bool searchFile(FileSearch& search, SearchSink& sink, const ByteSource& source, InputNames names);

// --- The steps of searchFile, for searching parts of one input apart ---

// One input's pass: the line and its counters.
struct FileState {
  std::u16string lineText;
  std::uint64_t lineNumber = 0;  // of the last piece read
  std::uint64_t hitCount = 0;
  bool found = false;
};

// What may be skipped in the reader's input, once its byte-order mark has
// decided how it is decoded.
const LineSkipping& lineSkippingOf(FileSearch& search);

// Skips what may be skipped, then reads, decides and reports the next
// piece; false at the end of the reader's input.
bool searchNextLine(FileSearch& search, SearchSink& sink, const LineSkipping& skipping,
                    InputNames names, FileState& state);

// After the last line: the read error, if any, and the end of the input.
void finishFile(const FileSearch& search, SearchSink& sink, const FileState& state,
                InputNames names);

}  // namespace vesk
