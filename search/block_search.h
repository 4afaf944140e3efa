// The search of one large input, by the owner thread alone or on every core,
// as the fan-out finds faster: the owner reads the input and either searches
// its lines itself or hands out blocks of whole lines, which workers search;
// the results are written in the input's order, exactly as one thread would
// write them.
#pragma once

#include "io/byte_source.h"
#include "output/printers.h"
#include "search/fan_out.h"
#include "search/file_search.h"
#include "search/ordered_searches.h"

namespace vesk {

// The owner's search as a worker runs it: the worker's workspace, its
// stop signal, and the given reader.
FileSearch searchOnWorker(const FileSearch& owner, Worker& worker, LineReader& reader);

// As searchFile, with stretches of lines searched by the pool's workers when
// that pays. Lines that cannot be searched apart (a line longer than a
// piece, the last line without a line feed, UTF-16 input) are searched by
// the owner, in their turn.
bool searchFileByBlocks(FileSearch& search, Printers& printers, SearchPool& pool,
                        FanOutSettings threads, ByteSource source, InputNames names);

}  // namespace vesk
