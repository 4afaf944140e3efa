// Opening and reading input files as raw bytes; the program's own reader
// applies the text-mode rules on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vesk::platform {

struct InputFile {
  std::intptr_t handle = -1;  // file descriptor or HANDLE; -1 when closed
  bool owned = false;         // standard input is not closed by us
  // A regular file's size when it was opened: a read that comes back short
  // once that much was read is its end, and no further read need say so.
  std::optional<std::uint64_t> sizeAtOpen = {};
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

// What tells one file from every other: the device and inode on POSIX, the
// volume serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;  // 0 on Windows: the system did not say (see sameFile)
  std::uint64_t file = 0;
  std::uint64_t fileHigh = 0;  // file indexes of 128 bits (ReFS)
};

// True when both name the same file.
bool sameFile(const FileIdentity& a, const FileIdentity& b);

// The size of an open regular file; nullopt for anything else.
std::optional<std::uint64_t> fileSize(const InputFile& file);

// The identity of an open regular file; nullopt for anything else.
std::optional<FileIdentity> fileIdentity(const InputFile& file);

// The regular file standard output is written to; nullopt when it goes to
// a console, a pipe or a device, which reading can never meet again.
std::optional<FileIdentity> standardOutputFile();

}  // namespace vesk::platform
