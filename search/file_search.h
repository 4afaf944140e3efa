// The search of one file (or standard input): read, evaluate, write lines,
// counts and file names.
#pragma once

#include <string>
#include <string_view>

#include "io/byte_source.h"
#include "io/line_reader.h"
#include "model/run_plan.h"
#include "model/search_entry.h"
#include "output/console_output.h"
#include "regex/pattern.h"

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

// What the searches of a run share from one file to the next.
struct FileSearch {
  ConsoleOutput& output;
  const RunPlan& plan;
  const SearchEntryList& entries;
  FolderHeader& folderHeader;
  LineReader& reader;
  regex::MatchWorkspace& workspace;
  SearchOptions options;
};

// The names of one input: display in results ("a.txt", "(CON)"), path in
// messages about reading it.
struct InputNames {
  std::u16string_view display;
  std::u16string_view path;
};

// Searches one input to its end; true when some line was a hit.
bool searchFile(FileSearch& search, const ByteSource& source, InputNames names);

void printPendingHeader(ConsoleOutput& output, FolderHeader& header);

}  // namespace vesk
