#include "platform/clock.h"

#include <time.h>

namespace vesk::platform {

std::chrono::nanoseconds threadProcessorTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace vesk::platform
