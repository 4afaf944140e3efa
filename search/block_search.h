// The search of one large input on every core: the owner thread reads it and
// hands out blocks of whole lines, which workers search; the results are
// written in the input's order, exactly as one thread would write them.
#pragma once

#include "io/byte_source.h"
#include "search/file_search.h"
#include "search/ordered_searches.h"

namespace vesk {

// As searchFile, with the lines searched by the pool's workers. Lines that
// cannot be searched apart (a line longer than a piece, the last line
// without a line feed, UTF-16 input) are searched by the owner, in their
// turn.
bool searchFileByBlocks(FileSearch& search, SearchPool& pool, ByteSource source, InputNames names);

}  // namespace vesk
