// Opening and reading input files as raw bytes; the program's own reader
// applies the text-mode rules on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vesk::platform {

// An open file as reads take it; it does not own what it names.
struct FileHandle {
  std::intptr_t value = -1;  // file descriptor or HANDLE; -1 when none
  // A regular file's size when it was opened: a read that comes back short
  // once that much was read is its end, and no further read need say so.
  std::optional<std::uint64_t> sizeAtOpen = {};
};

// A file opened for reading, closed when its owner goes.
class InputFile {
 public:
  // Opens a regular file for reading with sharing that lets others read and
  // write it; nullopt for folders, missing or unreadable files.
  static std::optional<InputFile> open(std::u16string_view path);

  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  FileHandle handle() const { return handle_; }

 private:
  explicit InputFile(FileHandle handle) : handle_(handle) {}
  void close();
  FileHandle handle_;
};

// The process's standard input, as it stands (never closed by the program).
FileHandle standardInput();

// What a read brought: bytes (0 at the end), or a failure.
struct ReadResult {
  std::size_t bytes = 0;
  bool failed = false;
};

// Reads up to size bytes.
ReadResult readFile(FileHandle file, char* buffer, std::size_t size);

// True when a read from the file may have to wait for whoever writes it (a
// pipe with nothing in it yet, a terminal, a console): the caller then writes
// out what it has found so far before it reads. Never for regular files.
bool readMayWait(FileHandle file);

// What tells one file from every other: the device and inode on POSIX, the
// volume serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;  // 0 on Windows: the system did not say (see sameFile)
  std::uint64_t file = 0;
  std::uint64_t fileHigh = 0;  // file indexes of 128 bits (ReFS)
};

// True when both name the same file.
bool sameFile(const FileIdentity& a, const FileIdentity& b);

// The identity of an open regular file; nullopt for anything else.
std::optional<FileIdentity> fileIdentity(FileHandle file);

// The regular file standard output is written to; nullopt when it goes to
// a console, a pipe or a device, which reading can never meet again.
std::optional<FileIdentity> standardOutputFile();

}  // namespace vesk::platform
