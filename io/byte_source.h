// Where a reader's bytes come from: an open file, or bytes in memory. Tests
// and fuzz targets read from memory, and in reads of a chosen size, so that
// every block boundary is reached; the program reads files in whole blocks.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "platform/file_system.h"
#include "platform/files.h"

namespace vesk {

struct ByteSource {
  platform::FileHandle file = {};  // read when fromMemory is false
  bool fromMemory = false;
  std::string_view memory = {};
  std::size_t maxRead = 0;  // the largest read; 0: as much as the buffer takes
  // Called before a read of the file that may have to wait for its writer,
  // so that what was found so far is written first (a line typed at a
  // console is answered before the next one is read).
  std::function<void()> beforeWaiting = {};
};

inline ByteSource fileSource(platform::FileHandle file, std::size_t maxRead = 0) {
  return ByteSource{.file = file, .maxRead = maxRead};
}

inline ByteSource memorySource(std::string_view bytes, std::size_t maxRead = 0) {
  return ByteSource{.fromMemory = true, .memory = bytes, .maxRead = maxRead};
}

// Where an opened input's bytes come from: its file, or its memory.
inline ByteSource sourceOf(const platform::OpenedInput& input) {
  return input.disk ? fileSource(input.disk->handle()) : memorySource(input.memory);
}

}  // namespace vesk
