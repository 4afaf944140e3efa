// Decides, from what the search measures of itself, whether the owner thread
// searches the next stretch of work itself or hands it out to workers, and
// to how many. Handing out has costs that differ from machine to machine
// (waking threads, bytes crossing between caches, a consumer of the output
// that needs a processor too), so nothing here is tuned to one: each way is
// timed on the work at hand, and the faster one is kept.
//
// The owner starts alone. Once a window of work shows that the time goes to
// searching rather than to reading the input and writing the output, which
// stay with the owner whoever searches (where asked), it tries every worker,
// then halves their number while that is not slower; it keeps workers only
// where they are clearly faster than one thread. Now and then it tries the
// other way again, less often each time the trial changes nothing, since
// the work may change within an input.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vesk {

using FanOutClock = std::chrono::steady_clock;

struct FanOutSettings {
  unsigned workers = 0;  // the most that may help; 0: the owner alone
  bool fixed = false;    // always hand out to all of them (VESK_THREADS)
  // Try workers only while searching takes clearly longer than reading and
  // writing: work that runs at the speed of its reads or of the consumer of
  // its output gains nothing from them.
  bool onlyWhenSearchingDominates = true;
  // Start with every worker, and measure the owner alone as the trial: where
  // workers have paid on every machine measured (a walk's files).
  bool startShared = false;
  // The work the input holds, where it is known (a file's size); 0: unknown.
  // Workers are tried only while enough of it is left to pay for the trial.
  std::uint64_t expectedWork = 0;
  // For tests of what the switching does to the output: change between the
  // owner alone and every worker after this many reports, measuring nothing.
  unsigned switchEvery = 0;
};

class FanOut {
 public:
  FanOut(FanOutSettings settings, FanOutClock::time_point now);

  // How many workers the next stretch of work goes to; 0: the owner does it.
  unsigned workers() const { return current_; }

  // Fewer workers than asked could be started: the most there will be.
  void limitWorkers(unsigned available);

  // The owner did `work` units itself, `inputOutput` of its time reading and
  // writing; handed-out work whose results were written. Units are what the
  // caller counts (bytes, plus a weight for each file opened).
  void ownWork(std::uint64_t work, std::chrono::nanoseconds inputOutput,
               FanOutClock::time_point now);
  void sharedWork(std::uint64_t work, FanOutClock::time_point now);

  // A window closes once it holds this much work and time; shorter ones
  // would measure noise.
  static constexpr std::uint64_t kWindowWork = 1 << 20;
  static constexpr std::chrono::milliseconds kWindowTime{8};
  static constexpr std::size_t kParts = 4;
  // Workers are kept only where they are this much faster; more workers
  // over fewer likewise.
  static constexpr double kClearGain = 1.15;
  static constexpr double kChangeFactor = 1.25;
  // Searching must take this many times the time of reading and writing to
  // try workers.
  static constexpr double kSearchingOverInputOutput = 2.0;
  // Workers are tried only where the owner alone would take this long for
  // what is left: a trial that loses costs a window and the memory the
  // workers first touch, which must stay small next to the whole.
  static constexpr std::chrono::milliseconds kWorthTrying{300};
  // Windows at the level settled on before the other way is tried again;
  // four times as many each time the trial changes nothing.
  static constexpr std::uint64_t kFirstRetryWindows = 4;
  static constexpr std::uint64_t kMostRetryWindows = 256;

 private:
  void add(std::uint64_t work, std::chrono::nanoseconds inputOutput, FanOutClock::time_point now);
  void windowClosed(double rate, bool searchingDominates);
  bool noteSettledWindow(double rate);  // true when two windows were measured
  void tryTheOtherWay(double rate, bool searchingDominates);
  void trialEnded(double rate);
  void settle(unsigned level);
  void moveTo(unsigned level);
  bool worthTrying(double rate) const;

  FanOutSettings settings_;
  unsigned current_ = 0;
  unsigned reports_ = 0;    // since the last switch, with switchEvery
  std::uint64_t done_ = 0;  // work reported so far
  // The window being measured: it starts at the first report after a change
  // of level, whose work came partly before it, and is measured in parts.
  bool windowStarted_ = false;
  FanOutClock::time_point windowStart_{};
  std::chrono::nanoseconds windowInputOutput_{0};
  FanOutClock::time_point partStart_{};
  std::uint64_t partWork_ = 0;
  std::array<double, kParts> partRates_{};
  std::size_t parts_ = 0;
  bool warmingUp_ = false;  // the first part after more workers were taken on
  // The level settled on and its rate; while trying, the level tried.
  unsigned settled_ = 0;
  double settledRate_ = 0;
  double lastRate_ = 0;       // of the settled level's last window; 0: none yet
  double referenceRate_ = 0;  // the settled level's rate when it was settled on
  bool changedBefore_ = false;
  bool searchingDominatedBefore_ =
      false;  // in the last window  // the last window's rate was far from it
  bool trying_ = false;
  unsigned settledBeforeTrial_ = 0;
  std::uint64_t windowsUntilRetry_ = 0;
  std::uint64_t retryWindows_ = kFirstRetryWindows;
};

}  // namespace vesk
