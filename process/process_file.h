// The per-file loop: read, evaluate, write lines, counts and file names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/console_output.h"
#include "cmdline/run_settings.h"
#include "cmdline/search_entry.h"
#include "platform/files.h"
#include "process/line_reader.h"

namespace vesk {

// The label printed above the first result of each folder in a "/d" walk.
struct FolderHeader {
  std::u16string label;
  bool pending = false;  // armed on entering a folder, only with "/d"
  bool shown = false;    // some label has been written in this run
};

struct ProcessContext {
  ConsoleOutput& output;
  const RunSettings& settings;
  SearchEntryList& entries;
  FolderHeader& folderHeader;
  LineReader& reader;
  std::uint32_t inputCodePage = 0;
  // False takes the plain line-by-line path everywhere; the equivalence
  // tests compare both paths on the same input.
  bool fastPaths = true;
};

// Processes one open stream; true when some line was a hit.
bool processFile(ProcessContext& context, platform::InputFile file, bool showName,
                 std::u16string_view displayName);

void printPendingHeader(ConsoleOutput& output, FolderHeader& header);

}  // namespace vesk
