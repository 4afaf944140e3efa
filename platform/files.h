// Opening and reading input files as raw bytes; the program's own reader
// applies the text-mode rules on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vesk::platform {

struct InputFile {
  std::intptr_t handle = -1;  // file descriptor or HANDLE; -1 when closed
  bool owned = false;         // standard input is not closed by us
};

// Opens a regular file for reading with sharing that lets others read and
// write it. Returns false for folders, missing or unreadable files.
bool openInputFile(std::u16string_view path, InputFile& file);

// The process's standard input, as it stands.
InputFile standardInput();

// Reads up to size bytes; returns the count, 0 at the end, -1 on an error.
std::ptrdiff_t readInputFile(InputFile& file, char* buffer, std::size_t size);

// True when a read from the file may have to wait for whoever writes it (a
// pipe with nothing in it yet, a terminal, a console): the caller then writes
// out what it has found so far before it reads. Never for regular files.
bool readMayWait(const InputFile& file);

void closeInputFile(InputFile& file);

// A regular file's bytes mapped into memory privately: they may be rewritten
// in place, and the writes never reach the file. Bytes the file loses while
// it is mapped (another program cuts it short) read as NULs, and `cut` tells.
struct MappedFile {
  char* bytes = nullptr;
  std::size_t size = 0;
  std::size_t slot = 0;  // where the mapping is registered
};

// Maps a regular file opened by openInputFile, where mapping is cheaper than
// reading: a large file on a 64-bit POSIX build. False when the file is to be
// read instead (other builds, small files, other kinds of file, no room).
bool mapInputFile(const InputFile& file, MappedFile& mapped);

// True when part of the mapping was lost to the file being cut short.
bool mappingWasCut(const MappedFile& mapped);

// Gives back the memory of the mapping's bytes [from, to) in whole pages:
// everything before `to` is never looked at again, so that a long search
// does not hold the whole file.
void releaseMappedBytes(const MappedFile& mapped, std::size_t from, std::size_t to);

void unmapInputFile(MappedFile& mapped);

}  // namespace vesk::platform
