#include "regex/time_budget.h"

#include <algorithm>

#include "platform/clock.h"

namespace vesk::regex {
namespace {

using namespace std::chrono_literals;

// The clock is read at every look while calls of the engine are slow and
// down to every this many while they are quick; few, since the calls may
// turn slow at any time.
constexpr unsigned kCallsPerClockReadAtMost = 16;

}  // namespace

void SubjectBudget::restart(std::chrono::nanoseconds allowed) {
  *this = SubjectBudget{};
  allowed_ = allowed;
}

void SubjectBudget::startClock() {
  started_ = true;
  startedAt_ = lastRead_ = platform::threadProcessorTime();
  calls_ = 0;
}

bool SubjectBudget::hasTimeLeft() {
  if (spent_) return false;
  if (!started_) {
    startClock();
    return true;
  }
  if (++calls_ < callsPerRead_) return true;
  calls_ = 0;
  const std::chrono::nanoseconds now = platform::threadProcessorTime();
  const std::chrono::nanoseconds since = now - lastRead_;
  lastRead_ = now;
  if (since < 100us) {
    callsPerRead_ = std::min(callsPerRead_ * 2, kCallsPerClockReadAtMost);
  } else if (since > 2ms) {
    callsPerRead_ = std::max(callsPerRead_ / 2, 1u);
  }
  spent_ = now - startedAt_ > allowed_;
  return !spent_;
}

}  // namespace vesk::regex
