// The search of one file (or standard input): read, evaluate, write lines,
// counts and file names.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "io/byte_source.h"
#include "io/line_reader.h"
#include "model/run_plan.h"
#include "model/search_entry.h"
#include "output/console_output.h"
#include "platform/files.h"
#include "regex/pattern.h"
#include "search/line_skipping.h"

namespace vesk {

// The label printed above the first result of each folder in a "/d" walk.
struct FolderHeader {
  std::u16string label;
  bool pending = false;  // armed on entering a folder, only with "/d"
  bool shown = false;    // some label has been written in this run
};

struct SearchOptions {
  // False takes the plain line-by-line path everywhere; the equivalence
  // tests compare both paths on the same input.
  bool skipLines = true;
};

// The fast paths of a run for each way its input may be decoded (see
// line_skipping.h). They depend on the entries, the display and the output
// only, so they are planned once, before the first file, and then shared.
struct FastPaths {
  std::array<LineSkipping, 4> byDecoding;  // indexed by Decoding
};

FastPaths planFastPaths(const SearchEntryList& entries, const RunPlan& plan,
                        const ConsoleOutput& output, SearchOptions options = {});

// What the searches of a run share from one file to the next.
struct FileSearch {
  ConsoleOutput& output;
  const RunPlan& plan;
  const SearchEntryList& entries;
  FolderHeader& folderHeader;
  LineReader& reader;
  regex::MatchWorkspace& workspace;
  const FastPaths& fastPaths;
  // Set by whoever may abandon the search: it then ends at the next line.
  const std::atomic<bool>* abandoned = nullptr;
  // The file standard output goes to, if it goes to one: never read, as
  // the search would read what it writes and never end.
  std::optional<platform::FileIdentity> outputFile = {};
};

// True when the input is the file standard output goes to.
bool isTheOutput(const FileSearch& search, const platform::InputFile& input);

// The names of one input: display in results ("a.txt", "(CON)"), path in
// messages about reading it.
struct InputNames {
  std::u16string_view display;
  std::u16string_view path;
};

// Searches one input to its end; true when some line was a hit.
bool searchFile(FileSearch& search, const ByteSource& source, InputNames names);

void printPendingHeader(ConsoleOutput& output, FolderHeader& header);

// --- The steps of searchFile, for searching parts of one input apart ---

// One input's pass: the line, its counters and the reused text a prefixed
// line is built in.
struct FileState {
  std::u16string lineText;
  std::u16string prefixed;
  std::uint64_t lineNumber = 0;  // of the last piece read
  std::uint64_t hitCount = 0;
  bool found = false;
};

// What may be skipped in the reader's input, once its byte-order mark has
// decided how it is decoded.
const LineSkipping& lineSkippingOf(FileSearch& search);

// Skips what may be skipped, then reads, evaluates and writes the next
// piece; false at the end of the reader's input.
bool searchNextLine(FileSearch& search, const LineSkipping& skipping, InputNames names,
                    FileState& state);

// After the last line: the read error, if any, and the count or the name.
void finishFile(FileSearch& search, const FileState& state, InputNames names);

// Writes what a capturing output collected to the real output, diagnostics
// in their places, with the folder label before the first result.
void writeCaptured(ConsoleOutput& output, const ConsoleOutput& captured, FolderHeader& header);

}  // namespace vesk
