#include "search/block_search.h"

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "search/byte_scan.h"

namespace vesk {
namespace {

// Blocks are about this large: big enough that handing one out costs little
// next to searching it, small enough to keep every core busy to the end.
constexpr std::size_t kBlockBytes = 192 * 1024;
static_assert(kBlockBytes <= kReadBlockBytes, "a read must fit behind a short block");

// The memory of a mapped input is given back in steps of this size, once
// every block in it is written.
constexpr std::size_t kReleaseStepBytes = 8 * 1024 * 1024;

struct Block {
  std::vector<char> bytes;  // the storage of lines that were read; empty when mapped
  char* lines = nullptr;    // whole lines, each one piece, lines[0, size)
  std::size_t size = 0;
  std::uint64_t firstLine = 0;
  std::uint64_t hitCount = 0;
  bool found = false;
  bool endsInput = false;  // a Ctrl-Z in it ends code-page input
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
  const platform::MappedFile* mapped;      // the input's mapping, if it is mapped
  std::size_t released = 0;                // bytes of the mapping given back
  // Lines handed over from a mapping were not looked at for Ctrl-Z: in a
  // code page, the worker does that and the input ends in its block.
  bool blocksFindCtrlZ = false;
  bool inputEnded = false;
};

// What comes before `end` in the mapping is done with.
void releaseBefore(BlockSearch& owner, std::size_t end) {
  if (end < owner.released + kReleaseStepBytes) return;
  platform::releaseMappedBytes(*owner.mapped, owner.released, end);
  owner.released = end;
}

// A block is written: everything before its end is.
void releaseWritten(BlockSearch& owner, const Block& block) {
  if (owner.mapped == nullptr) return;
  releaseBefore(owner, static_cast<std::size_t>(block.lines + block.size - owner.mapped->bytes));
}

// The owner has read a line of its own, after every block before it was
// written.
void releaseRead(BlockSearch& owner) {
  const LineReader& reader = owner.search.reader;
  if (owner.mapped == nullptr || reader.data != owner.mapped->bytes) return;
  releaseBefore(owner, reader.begin);
}

void searchBlock(const BlockSearch& owner, Block& block, Worker& worker, ConsoleOutput& captured) {
  if (owner.blocksFindCtrlZ) {
    const std::size_t end = endOfCodePageInput(std::string_view(block.lines, block.size));
    block.endsInput = end != block.size;
    block.size = end;
  }
  startReadingBlock(worker.reader, block.lines, block.size, owner.decoding);
  struct GiveBack {
    Worker& worker;
    ~GiveBack() { returnBlock(worker.reader); }
  } giveBack{worker};
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
  block->lines = handOverLines(owner.search.reader, lines.size(), block->bytes);
  handOut(
      owner.pool,
      [&owner, block](Worker& worker, ConsoleOutput& captured) {
        searchBlock(owner, *block, worker, captured);
      },
      [&owner, block] {
        owner.state.hitCount += block->hitCount;
        owner.state.found = owner.state.found || block->found;
        releaseWritten(owner, *block);
        if (block->endsInput) {
          owner.inputEnded = true;
          discardFollowing(owner.pool);
        }
        if (!block->bytes.empty()) owner.buffers.push_back(std::move(block->bytes));
      });
}

// Hands out the whole short lines at the front of what the reader holds,
// reading more first when it holds little; false when there are none.
bool handOutBufferedLines(BlockSearch& owner) {
  LineReader& reader = owner.search.reader;
  if (!atByteLineStart(reader)) return false;
  if (!sourceEnded(reader) && bytesToHandOver(reader).size() < kBlockBytes) readAhead(reader);
  const std::string_view text = bytesToHandOver(reader);
  const std::size_t cut = shortLinesEnd(text);
  if (cut == 0) return false;
  handOutBlock(owner, text.substr(0, cut));
  return true;
}

// A large file is searched where it is mapped, without copying it; the
// mapping outlives every block that points into it.
struct Mapping {
  platform::MappedFile file;
  Mapping() = default;
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  ~Mapping() { platform::unmapInputFile(file); }
};

}  // namespace

bool searchFileByBlocks(FileSearch& search, SearchPool& pool, ByteSource source, InputNames names) {
  Mapping mapping;
  if (!source.fromMemory && platform::mapInputFile(source.file, mapping.file)) {
    source = inPlaceSource({mapping.file.bytes, mapping.file.size});
  }
  // Before the reader waits for its writer, everything found so far is written.
  std::function<void()> flushFirst = std::move(source.beforeWaiting);
  source.beforeWaiting = [&pool, &flushFirst] {
    writeHandedOut(pool);
    if (flushFirst) flushFirst();
  };
  startReading(search.reader, source, search.plan.encoding, search.plan.inputCodePage);
  BlockSearch owner{search,
                    pool,
                    names,
                    lineSkippingOf(search),
                    streamDecoding(search.reader),
                    FileState{},
                    {},
                    mapping.file.bytes != nullptr ? &mapping.file : nullptr};
  owner.blocksFindCtrlZ = owner.mapped != nullptr && owner.decoding.decoding == Decoding::CodePage;
  abandoningOnFailure(pool, [&] {
    // A block that ends the input has the blocks after it dropped.
    struct EndDiscarding {
      SearchPool& pool;
      ~EndDiscarding() { endDiscarding(pool); }
    } endDiscardingAfter{pool};
    while (!owner.inputEnded) {
      if (handOutBufferedLines(owner)) continue;
      // The next line is read here, after everything before it was written.
      writeHandedOut(pool);
      if (owner.inputEnded || !searchNextLine(search, owner.skipping, names, owner.state)) break;
      releaseRead(owner);
    }
    writeHandedOut(pool);
  });
  // Bytes the file lost while it was searched read as NULs: it was not read
  // to its end.
  if (platform::mappingWasCut(mapping.file)) search.reader.readFailed = true;
  finishFile(search, owner.state, names);
  return owner.state.found;
}

}  // namespace vesk
