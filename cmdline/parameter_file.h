// "/f" files: records of search and replace options with their terms.
#pragma once

#include <string_view>
#include <vector>

#include "model/diagnostic.h"
#include "model/search_entry.h"

namespace vesk {

// Appends the file's terms and what went wrong; false after at least one
// diagnostic, when the run is to end.
bool readParameterFile(std::u16string_view fileName, std::vector<SearchTerm>& terms,
                       std::vector<Diagnostic>& diagnostics);

}  // namespace vesk
