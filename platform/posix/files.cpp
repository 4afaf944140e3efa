#include "platform/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>

#include "platform/posix/paths.h"

namespace vesk::platform {
namespace {

// Files at least this large are mapped rather than read: below it the cost
// of setting up a mapping outweighs the copy a read makes.
constexpr std::size_t kMinMappedBytes = 4 * 1024 * 1024;

// The mappings in use, for the handler of SIGBUS: a program that cuts a
// mapped file short makes the lost pages fault. A fixed table, because the
// handler may take no locks and allocate nothing.
struct LiveMapping {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> cut{false};
};
constexpr std::size_t kLiveMappings = 64;
LiveMapping liveMappings[kLiveMappings];
std::uintptr_t pageBytes = 4096;

// A page the file no longer has is replaced by a page of zeros, so the
// search goes on and the reader sees NULs; the cut is reported afterwards.
// A fault anywhere else takes the default action.
void onBusError(int number, siginfo_t* info, void*) {
  const int savedErrno = errno;
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (LiveMapping& mapping : liveMappings) {
    if (address < mapping.begin.load() || address >= mapping.end.load()) continue;
    void* page = reinterpret_cast<void*>(address & ~(pageBytes - 1));
    if (::mmap(page, pageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
               0) != MAP_FAILED) {
      mapping.cut.store(true);
      errno = savedErrno;
      return;
    }
  }
  ::signal(number, SIG_DFL);  // the faulting access runs again and ends the process
}

bool handleBusErrors() {
  static const bool installed = [] {
    pageBytes = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, nullptr) == 0;
  }();
  return installed;
}

bool registerMapping(MappedFile& mapped) {
  for (std::size_t slot = 0; slot < kLiveMappings; ++slot) {
    std::uintptr_t free = 0;
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped.bytes);
    if (!liveMappings[slot].begin.compare_exchange_strong(free, begin)) continue;
    liveMappings[slot].cut.store(false);
    liveMappings[slot].end.store(begin + mapped.size);
    mapped.slot = slot;
    return true;
  }
  return false;
}

}  // namespace

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
  if (!S_ISREG(info.st_mode)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  file = InputFile{fd, true};
  return true;
}

InputFile standardInput() {
  return InputFile{STDIN_FILENO, false};
}

std::ptrdiff_t readInputFile(InputFile& file, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t count = ::read(static_cast<int>(file.handle), buffer, size);
    if (count >= 0 || errno != EINTR) return count;
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

bool mapInputFile(const InputFile& file, MappedFile& mapped) {
  if constexpr (sizeof(void*) < 8) return false;  // address space is too scarce
  const int fd = static_cast<int>(file.handle);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // Only a file read from its start: standard input may have been read from.
  if (::lseek(fd, 0, SEEK_CUR) != 0) return false;
  if (info.st_size < static_cast<off_t>(kMinMappedBytes)) return false;
  if (!handleBusErrors()) return false;
  const auto size = static_cast<std::size_t>(info.st_size);
  void* bytes = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
  if (bytes == MAP_FAILED) return false;
  mapped = MappedFile{static_cast<char*>(bytes), size, 0};
  if (!registerMapping(mapped)) {
    ::munmap(bytes, size);
    mapped = MappedFile{};
    return false;
  }
  ::madvise(bytes, size, MADV_SEQUENTIAL);
  ::lseek(fd, 0, SEEK_END);  // where reading it all would leave standard input
  return true;
}

bool mappingWasCut(const MappedFile& mapped) {
  return mapped.bytes != nullptr && liveMappings[mapped.slot].cut.load();
}

void releaseMappedBytes(const MappedFile& mapped, std::size_t from, std::size_t to) {
  const std::size_t first = from / pageBytes * pageBytes;
  const std::size_t end = to / pageBytes * pageBytes;
  if (end > first) ::madvise(mapped.bytes + first, end - first, MADV_DONTNEED);
}

void unmapInputFile(MappedFile& mapped) {
  if (mapped.bytes == nullptr) return;
  LiveMapping& live = liveMappings[mapped.slot];
  live.end.store(0);
  ::munmap(mapped.bytes, mapped.size);
  live.begin.store(0);
  mapped = MappedFile{};
}

}  // namespace vesk::platform
