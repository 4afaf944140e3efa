#include "platform/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/faults.h"
#include "platform/posix/paths.h"

namespace vesk::platform {

std::optional<InputFile> InputFile::open(std::u16string_view path) {
  // Non-blocking open, so that naming a FIFO cannot hang before we look at it.
  const posix::PathAt at = posix::reachPath(posix::nativePath(path));
  if (at.folder == -1) return std::nullopt;
  const int fd = ::openat(at.folder, at.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  InputFile file(FileHandle{fd, std::nullopt});
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
  // Reads of a regular file never block; anything else is read as it comes.
  if (S_ISREG(info.st_mode)) {
    file.handle_.sizeAtOpen = static_cast<std::uint64_t>(info.st_size);
  } else {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  }
  return file;
}

void InputFile::close() {
  if (handle_.value >= 0) ::close(static_cast<int>(handle_.value));
  handle_ = FileHandle{};
}

FileHandle standardInput() {
  return FileHandle{STDIN_FILENO, std::nullopt};
}

// Whoever writes a pipe may have made it non-blocking (some shells and
// language runtimes do): no data yet is then no error, but a wait for it.
ReadResult readFile(FileHandle file, char* buffer, std::size_t size) {
  const int fd = static_cast<int>(file.value);
  if (readFailsOnPurpose(fd)) return ReadResult{0, true};
  for (;;) {
    const ssize_t count = ::read(fd, buffer, size);
    if (count >= 0) return ReadResult{static_cast<std::size_t>(count), false};
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return ReadResult{0, true};
    } else if (errno != EINTR) {
      return ReadResult{0, true};
    }
  }
}

bool readMayWait(FileHandle file) {
  const int fd = static_cast<int>(file.value);
  struct stat info {};
  if (fd < 0 || (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))) return false;
  pollfd ready{fd, POLLIN, 0};
  return ::poll(&ready, 1, 0) == 0;
}

namespace {

std::optional<FileIdentity> identityOfDescriptor(int fd) {
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino), 0};
}

}  // namespace

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.file == b.file;
}

std::optional<FileIdentity> fileIdentity(FileHandle file) {
  return identityOfDescriptor(static_cast<int>(file.value));
}

std::optional<FileIdentity> standardOutputFile() {
  return identityOfDescriptor(STDOUT_FILENO);
}

}  // namespace vesk::platform
