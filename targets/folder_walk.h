// The depth-first walk over the base folder and, with "/d", its subfolders.
#pragma once

#include "process/process_file.h"
#include "targets/target_resolution.h"

namespace vesk {

// Processes every matching file; true when any file at any depth had a hit.
bool walkFolder(ProcessContext& context, const TargetState& target);

}  // namespace vesk
