#include "search/block_search.h"

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "search/byte_scan.h"

namespace vesk {
namespace {

// Blocks are about this large: big enough that handing one out costs little
// next to searching it, small enough to keep every core busy to the end.
constexpr std::size_t kBlockBytes = 192 * 1024;
static_assert(kBlockBytes <= kReadBlockBytes, "a read must fit behind a short block");

struct Block {
  std::vector<char> bytes;  // whole lines, each one piece, at [begin, begin + size)
  std::size_t begin = 0;
  std::size_t size = 0;
  std::uint64_t firstLine = 0;
  std::uint64_t hitCount = 0;
  bool found = false;
};

// What the owner keeps while it hands out the blocks of one input.
struct BlockSearch {
  FileSearch& search;
  SearchPool& pool;
  InputNames names;
  const LineSkipping& skipping;
  StreamDecoding decoding;
  FileState state;                         // the owner's: lines read, hits written
  std::vector<std::vector<char>> buffers;  // blocks written, to be filled again
};

void searchBlock(const BlockSearch& owner, Block& block, Worker& worker, ConsoleOutput& captured) {
  startReadingBlock(worker.reader, block.bytes, block.begin, block.size, owner.decoding);
  struct GiveBack {
    Worker& worker;
    Block& block;
    ~GiveBack() { returnBlock(worker.reader, block.bytes); }
  } giveBack{worker, block};
  FolderHeader noLabels;  // the owner writes the labels
  const FileSearch& search = owner.search;
  FileSearch workerSearch{captured,      search.plan,      search.entries,   noLabels,
                          worker.reader, worker.workspace, search.fastPaths, worker.abandoned};
  FileState state;
  state.lineNumber = block.firstLine - 1;
  while (searchNextLine(workerSearch, owner.skipping, owner.names, state)) {
  }
  block.hitCount = state.hitCount;
  block.found = state.found;
}

// The lines go out in the reader's own buffer; the reader goes on in one
// that an earlier block has given back.
void handOutBlock(BlockSearch& owner, std::string_view lines) {
  auto block = std::make_shared<Block>();
  if (!owner.buffers.empty()) {
    block->bytes = std::move(owner.buffers.back());
    owner.buffers.pop_back();
  }
  block->firstLine = owner.state.lineNumber + 1;
  // A lone literal search needs no line numbers; the owner then spends no
  // time counting lines.
  if (owner.skipping.countsLines) owner.state.lineNumber += countLineFeeds(lines);
  block->size = lines.size();
  block->begin = handOverLines(owner.search.reader, lines.size(), block->bytes);
  handOut(
      owner.pool,
      [&owner, block](Worker& worker, ConsoleOutput& captured) {
        searchBlock(owner, *block, worker, captured);
      },
      [&owner, block] {
        owner.state.hitCount += block->hitCount;
        owner.state.found = owner.state.found || block->found;
        owner.buffers.push_back(std::move(block->bytes));
      });
}

// Hands out the whole short lines at the front of what the reader holds,
// reading more first when it holds little; false when there are none.
bool handOutBufferedLines(BlockSearch& owner) {
  LineReader& reader = owner.search.reader;
  if (!atByteLineStart(reader)) return false;
  if (!sourceEnded(reader) && bufferedBytes(reader).size() < kBlockBytes) readAhead(reader);
  const std::string_view text = bufferedBytes(reader);
  const std::size_t cut = shortLinesEnd(text);
  if (cut == 0) return false;
  handOutBlock(owner, text.substr(0, cut));
  return true;
}

}  // namespace

bool searchFileByBlocks(FileSearch& search, SearchPool& pool, ByteSource source, InputNames names) {
  // Before the reader waits for its writer, everything found so far is written.
  std::function<void()> flushFirst = std::move(source.beforeWaiting);
  source.beforeWaiting = [&pool, &flushFirst] {
    writeHandedOut(pool);
    if (flushFirst) flushFirst();
  };
  startReading(search.reader, source, search.plan.encoding, search.plan.inputCodePage);
  BlockSearch owner{search,      pool, names, lineSkippingOf(search), streamDecoding(search.reader),
                    FileState{}, {}};
  abandoningOnFailure(pool, [&] {
    for (;;) {
      if (handOutBufferedLines(owner)) continue;
      // The next line is read here, after everything before it was written.
      writeHandedOut(pool);
      if (!searchNextLine(search, owner.skipping, names, owner.state)) break;
    }
    writeHandedOut(pool);
  });
  finishFile(search, owner.state, names);
  return owner.state.found;
}

}  // namespace vesk
