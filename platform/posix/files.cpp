#include "platform/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/faults.h"
#include "platform/posix/paths.h"

namespace vesk::platform {

bool openInputFile(std::u16string_view path, InputFile& file) {
  // Non-blocking open, so that naming a FIFO cannot hang before we look at it.
  const posix::PathAt at = posix::reachPath(posix::nativePath(path));
  if (at.folder == -1) return false;
  const int fd = ::openat(at.folder, at.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return false;
  }
  // Reads of a regular file never block; anything else is read as it comes.
  const bool regular = S_ISREG(info.st_mode);
  if (!regular) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  file = InputFile{fd, true, std::nullopt};
  if (regular) file.sizeAtOpen = static_cast<std::uint64_t>(info.st_size);
  return true;
}

InputFile standardInput() {
  return InputFile{STDIN_FILENO, false};
}

// Whoever writes a pipe may have made it non-blocking (some shells and
// language runtimes do): no data yet is then no error, but a wait for it.
std::ptrdiff_t readInputFile(InputFile& file, char* buffer, std::size_t size) {
  const int fd = static_cast<int>(file.handle);
  if (readFailsOnPurpose(fd)) {
    errno = EIO;
    return -1;
  }
  for (;;) {
    const ssize_t count = ::read(fd, buffer, size);
    if (count >= 0) return count;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return -1;
    } else if (errno != EINTR) {
      return -1;
    }
  }
}

bool readMayWait(const InputFile& file) {
  const int fd = static_cast<int>(file.handle);
  struct stat info {};
  if (fd < 0 || (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))) return false;
  pollfd ready{fd, POLLIN, 0};
  return ::poll(&ready, 1, 0) == 0;
}

void closeInputFile(InputFile& file) {
  if (file.owned && file.handle >= 0) ::close(static_cast<int>(file.handle));
  file = InputFile{};
}

namespace {

std::optional<FileIdentity> identityOfDescriptor(int fd) {
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino), 0};
}

}  // namespace

std::optional<std::uint64_t> fileSize(const InputFile& file) {
  struct stat info {};
  const int fd = static_cast<int>(file.handle);
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.file == b.file;
}

std::optional<FileIdentity> fileIdentity(const InputFile& file) {
  return identityOfDescriptor(static_cast<int>(file.handle));
}

std::optional<FileIdentity> standardOutputFile() {
  return identityOfDescriptor(STDOUT_FILENO);
}

}  // namespace vesk::platform
