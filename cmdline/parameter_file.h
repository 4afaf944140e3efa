// "/f" files: records of search and replace options with their terms.
#pragma once

#include <string_view>

#include "cmdline/search_entry.h"

namespace vesk {

struct ConsoleOutput;

// Appends the file's entries; false after reporting at least one message.
bool readParameterFile(ConsoleOutput& output, std::u16string_view fileName,
                       SearchEntryList& entries);

}  // namespace vesk
