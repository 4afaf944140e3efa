// The processor time of the calling thread, for budgets of work that must not
// depend on how busy the machine is or how many threads share it.
#pragma once

#include <chrono>

namespace vesk::platform {

// Processor time the calling thread has used so far; only differences mean
// anything. Its resolution may be coarse (Windows counts in clock ticks).
std::chrono::nanoseconds threadProcessorTime();

}  // namespace vesk::platform
