#include "search/block_search.h"

#include <memory>
#include <string_view>
#include <utility>

#include "search/byte_scan.h"

namespace vesk {
namespace {

// Blocks are about this large: big enough that handing one out costs little
// next to searching it, small enough to keep every core busy to the end.
constexpr std::size_t kBlockBytes = 192 * 1024;
static_assert(kBlockBytes <= kReadBlockBytes, "a read must fit behind a short block");

// The owner searching alone tells the fan-out what it did after about this
// much of the input: often enough to notice when work changes, seldom
// enough that reading the clock costs nothing.
constexpr std::uint64_t kOwnStretchBytes = 256 * 1024;

struct Block {
  SharedLines lines;  // whole lines, each one piece
  std::uint64_t firstLine = 0;
  std::uint64_t hitCount = 0;
  bool found = false;
};

// What the owner keeps while it searches one input.
struct BlockSearch {
  FileSearch& search;
  Printers& printers;
  SearchPool& pool;
  FanOut fanOut;
  InputNames names;
  const LineSkipping& skipping;
  StreamDecoding decoding;
  FileState state = {};      // the owner's: lines read, hits written
  unsigned poolWorkers = 0;  // what the pool was last asked for
};

// A worker reads the block's lines where they lie, with a reader of its own,
// and prints them into what it captures.
void searchBlock(const BlockSearch& owner, Block& block, Worker& worker, ConsoleOutput& captured) {
  LineReader reader;
  reader.startReadingBlock(block.lines.lines, block.lines.size, owner.decoding);
  FileSearch workerSearch = searchOnWorker(owner.search, worker, reader);
  const std::unique_ptr<SearchSink> sink = owner.printers.capturing(captured);
  sink->beginInput(owner.names.display);
  FileState state;
  state.lineNumber = block.firstLine - 1;
  while (searchNextLine(workerSearch, *sink, owner.skipping, owner.names, state)) {
  }
  block.hitCount = state.hitCount;
  block.found = state.found;
}

// The lines go out where they were read; the reader goes on after them.
void handOutBlock(BlockSearch& owner, std::string_view lines) {
  auto block = std::make_shared<Block>();
  block->firstLine = owner.state.lineNumber + 1;
  // A lone literal search needs no line numbers; the owner then spends no
  // time counting lines.
  if (owner.skipping.countsLines) owner.state.lineNumber += countLineFeeds(lines);
  block->lines = owner.search.reader.handOverLines(lines.size());
  handOut(
      owner.pool,
      [&owner, block](Worker& worker, ConsoleOutput& captured) {
        searchBlock(owner, *block, worker, captured);
      },
      [&owner, block] {
        owner.state.hitCount += block->hitCount;
        owner.state.found = owner.state.found || block->found;
        owner.fanOut.sharedWork(block->lines.size, FanOutClock::now());
        block->lines.storage.reset();  // the reader may read into it again
      });
}

// Hands out the whole short lines at the front of what the reader holds,
// reading more first when it holds little; false when there are none.
bool handOutBufferedLines(BlockSearch& owner) {
  LineReader& reader = owner.search.reader;
  if (!reader.atByteLineStart()) return false;
  if (!reader.sourceEnded() && reader.bufferedBytes().size() < kBlockBytes) reader.readAhead();
  // A block is about kBlockBytes, so that few of them keep few buffers from
  // being read into again.
  const std::string_view text = reader.bufferedBytes();
  const std::size_t blockEnd = lineStartBefore(text, std::min(text.size(), kBlockBytes));
  const std::size_t cut = shortLinesEnd(text.substr(0, blockEnd == 0 ? text.size() : blockEnd));
  if (cut == 0) return false;
  handOutBlock(owner, text.substr(0, cut));
  return true;
}

// The owner searches lines itself, at least one and about `stretch` bytes,
// and tells the fan-out what they took; false at the end of the input.
bool searchOwnLines(BlockSearch& owner, std::uint64_t stretch) {
  const LineReader& reader = owner.search.reader;
  const ConsoleOutput& output = owner.printers.output();
  const std::uint64_t from = reader.consumedBytes();
  const std::chrono::nanoseconds inputOutputBefore = reader.readTime() + output.writeTime;
  bool more = true;
  do {
    more = searchNextLine(owner.search, owner.printers.main(), owner.skipping, owner.names,
                          owner.state);
  } while (more && reader.consumedBytes() - from < stretch);
  owner.fanOut.ownWork(reader.consumedBytes() - from,
                       reader.readTime() + output.writeTime - inputOutputBefore,
                       FanOutClock::now());
  return more;
}

// The workers the fan-out asks for, as many as the pool can give.
unsigned workersNow(BlockSearch& owner) {
  const unsigned wanted = owner.fanOut.workers();
  if (wanted == 0 || wanted == owner.poolWorkers) return wanted;
  owner.poolWorkers = setWorkers(owner.pool, wanted);
  if (owner.poolWorkers < wanted) owner.fanOut.limitWorkers(owner.poolWorkers);
  return owner.poolWorkers;
}

void searchAllLines(BlockSearch& owner) {
  for (;;) {
    const bool sharing = workersNow(owner) > 0;
    if (sharing && handOutBufferedLines(owner)) continue;
    // The owner's own lines are read after everything before them was written.
    writeHandedOut(owner.pool);
    if (!searchOwnLines(owner, sharing ? 0 : kOwnStretchBytes)) break;
  }
  writeHandedOut(owner.pool);
}

}  // namespace

FileSearch searchOnWorker(const FileSearch& owner, Worker& worker, LineReader& reader) {
  return FileSearch{.plan = owner.plan,
                    .entries = owner.entries,
                    .reader = reader,
                    .workspace = worker.workspace,
                    .fastPaths = owner.fastPaths,
                    .abandoned = worker.abandoned};
}

bool searchFileByBlocks(FileSearch& search, Printers& printers, SearchPool& pool,
                        FanOutSettings threads, ByteSource source, InputNames names) {
  // Before the reader waits for its writer, everything found so far is written.
  std::function<void()> flushFirst = std::move(source.beforeWaiting);
  source.beforeWaiting = [&pool, &flushFirst] {
    writeHandedOut(pool);
    if (flushFirst) flushFirst();
  };
  search.reader.startReading(source, search.plan.encoding, search.plan.inputCodePage);
  printers.main().beginInput(names.display);
  threads.onlyWhenSearchingDominates = true;
  threads.startShared = false;
  if (!source.fromMemory) threads.expectedWork = source.file.sizeAtOpen.value_or(0);
  BlockSearch owner{.search = search,
                    .printers = printers,
                    .pool = pool,
                    .fanOut = FanOut(threads, FanOutClock::now()),
                    .names = names,
                    .skipping = lineSkippingOf(search),
                    .decoding = search.reader.streamDecoding()};
  abandoningOnFailure(pool, [&] { searchAllLines(owner); });
  finishFile(search, printers.main(), owner.state, names);
  return owner.state.found;
}

}  // namespace vesk
