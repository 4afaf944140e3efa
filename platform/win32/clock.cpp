#include "platform/clock.h"

#include <windows.h>

#include <cstdint>

namespace vesk::platform {

namespace {

std::uint64_t hundredNanoseconds(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

// Kernel and user time together: both are work done for the thread.
std::chrono::nanoseconds threadProcessorTime() {
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return {};
  return std::chrono::nanoseconds((hundredNanoseconds(kernel) + hundredNanoseconds(user)) * 100);
}

}  // namespace vesk::platform
