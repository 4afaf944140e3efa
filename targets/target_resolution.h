// Turns the target the user typed into a base folder and a file-name
// pattern for the walk, or standard input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/diagnostic.h"
#include "platform/file_system.h"

namespace vesk {

struct ResolvedTarget {
  std::u16string baseFolder;    // always ends in the path separator
  std::u16string namePattern;   // empty: standard input
  bool showsFileNames = false;  // a folder, a wildcard, or a name only a listing finds
};

struct TargetResolution {
  ResolvedTarget target;
  std::optional<Diagnostic> failure;  // set when the target cannot be used
};

// An empty target means standard input.
TargetResolution resolveTarget(const platform::FileSystem& files, std::u16string_view typed,
                               bool subfolders);

}  // namespace vesk
