// A subject's share of processor time per pattern: the searches of one
// subject look at it between calls of the engine (never during one), so that
// no subject costs much more than its share whatever the pattern.
#pragma once

#include <chrono>

namespace vesk::regex {

class SubjectBudget {
 public:
  // Starts afresh with this much time, counted from the first look.
  void restart(std::chrono::nanoseconds allowed);

  // Called before each call of the engine on a long subject; false once
  // the subject has used its time, and from then on. The clock is read at
  // every look while calls are slow, less often while they are quick.
  bool hasTimeLeft();

 private:
  void startClock();

  std::chrono::nanoseconds allowed_{};
  std::chrono::nanoseconds startedAt_{};
  std::chrono::nanoseconds lastRead_{};
  unsigned calls_ = 0;  // since the last reading
  unsigned callsPerRead_ = 1;
  bool started_ = false;
  bool spent_ = false;
};

}  // namespace vesk::regex
