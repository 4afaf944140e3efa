// The depth-first walk over the base folder and, with "/d", its subfolders.
#pragma once

#include <optional>

#include "output/printers.h"
#include "platform/file_system.h"
#include "search/fan_out.h"
#include "search/file_search.h"
#include "search/ordered_searches.h"
#include "targets/target_resolution.h"

namespace vesk {

// What a walk works with.
struct WalkSetup {
  FileSearch& search;  // the main thread's
  Printers& printers;
  const platform::FileSystem& files;
  // The file standard output goes to, if it goes to one: never read, as the
  // search would read what it writes and never end.
  std::optional<platform::FileIdentity> outputFile;
  SearchPool* pool = nullptr;  // null: the files are searched one by one, here
  FanOutSettings threads;
};

// Searches every matching file; true when any file at any depth had a hit.
// With a pool, files are searched by its workers where the fan-out finds
// that faster (a single named file by blocks), and everything is written in
// the walk's order; without, one by one.
bool walkFolder(const WalkSetup& setup, const ResolvedTarget& target);

}  // namespace vesk
