// The depth-first walk over the base folder and, with "/d", its subfolders.
#pragma once

#include "search/fan_out.h"
#include "search/file_search.h"
#include "search/ordered_searches.h"
#include "targets/target_resolution.h"

namespace vesk {

// Searches every matching file; true when any file at any depth had a hit.
// With a pool, files are searched by its workers where the fan-out finds
// that faster (a single named file by blocks), and everything is written in
// the walk's order; without, one by one.
bool walkFolder(FileSearch& search, const ResolvedTarget& target, SearchPool* pool,
                FanOutSettings threads);

}  // namespace vesk
