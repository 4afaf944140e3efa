// The depth-first walk over the base folder and, with "/d", its subfolders.
#pragma once

#include "search/file_search.h"
#include "targets/target_resolution.h"

namespace vesk {

// Searches every matching file; true when any file at any depth had a hit.
bool walkFolder(FileSearch& search, const ResolvedTarget& target);

}  // namespace vesk
