// The fault-injection build's failures (see platform/faults.h). Allocations
// are counted in replacements of the global operator new; nothing here may
// allocate, as it runs inside them.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/faults.h"

namespace vesk::platform {
namespace {

struct Plan {
  std::uint64_t failAllocation = 0;  // 0: none
  bool allocationOnce = false;
  std::uint64_t failRead = 0;  // 0: none
  int log = -1;
};

std::uint64_t numberAt(const char* text, const char** end) {
  std::uint64_t value = 0;
  while (*text >= '0' && *text <= '9')
    value = value * 10 + static_cast<std::uint64_t>(*text++ - '0');
  *end = text;
  return value;
}

Plan readPlan() {
  Plan plan;
  if (const char* alloc = std::getenv("VESK_FAULT_ALLOC")) {
    const char* end = alloc;
    plan.failAllocation = numberAt(alloc, &end);
    plan.allocationOnce = std::strcmp(end, ":once") == 0;
  }
  if (const char* read = std::getenv("VESK_FAULT_READ")) {
    const char* end = read;
    plan.failRead = numberAt(read, &end);
  }
  if (const char* log = std::getenv("VESK_FAULT_LOG")) {
    plan.log = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }
  return plan;
}

// Read once, the first time something asks: before main, operator new
// already runs.
const Plan& plan() {
  static const Plan thePlan = readPlan();
  return thePlan;
}

void logLine(const char* text) {
  if (plan().log >= 0) (void)!::write(plan().log, text, std::strlen(text));
}

std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> reads{0};

bool allocationFails() {
  const std::uint64_t failAt = plan().failAllocation;
  if (failAt == 0) return false;
  const std::uint64_t count = ++allocations;
  if (count < failAt || (plan().allocationOnce && count != failAt)) return false;
  if (count == failAt) {
    char line[64];
    std::snprintf(line, sizeof line, "allocation %llu failed\n",
                  static_cast<unsigned long long>(count));
    logLine(line);
  }
  return true;
}

// At exit, how many allocations were made, so that a sweep knows how far
// to go.
struct CountAtExit {
  ~CountAtExit() {
    if (plan().failAllocation == 0) return;
    char line[64];
    std::snprintf(line, sizeof line, "allocations %llu\n",
                  static_cast<unsigned long long>(allocations.load()));
    logLine(line);
  }
} countAtExit;

void* allocate(std::size_t size) {
  if (allocationFails()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

bool readFailsOnPurpose(int descriptor) {
  const std::uint64_t failAt = plan().failRead;
  if (failAt == 0 || ++reads != failAt) return false;
  // Where the input ends for the reader: the file, and the offset of the
  // read that fails.
  char link[64];
  char path[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  const ssize_t length = ::readlink(link, path, sizeof path - 1);
  path[length > 0 ? length : 0] = '\0';
  char line[4200];
  std::snprintf(line, sizeof line, "read %llu failed at %lld of %s\n",
                static_cast<unsigned long long>(failAt),
                static_cast<long long>(::lseek(descriptor, 0, SEEK_CUR)), path);
  logLine(line);
  return true;
}

void* allocateForLibrary(std::size_t bytes, void*) {
  return allocate(bytes);
}

void releaseForLibrary(void* memory, void*) {
  std::free(memory);
}

}  // namespace vesk::platform

// The global allocation functions, counted.
void* operator new(std::size_t size) {
  if (void* memory = vesk::platform::allocate(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return vesk::platform::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return vesk::platform::allocate(size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}
