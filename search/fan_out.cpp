#include "search/fan_out.h"

#include <algorithm>
#include <utility>

namespace vesk {

FanOut::FanOut(FanOutSettings settings, FanOutClock::time_point now) : settings_(settings) {
  if (settings_.fixed || settings_.startShared) current_ = settled_ = settings_.workers;
  settledBeforeTrial_ = settled_;
  windowStart_ = partStart_ = now;
}

void FanOut::limitWorkers(unsigned available) {
  settings_.workers = std::min(settings_.workers, available);
  if (current_ <= available) return;
  settled_ = std::min(settled_, available);
  trying_ = false;
  moveTo(available);
}

void FanOut::ownWork(std::uint64_t work, std::chrono::nanoseconds inputOutput,
                     FanOutClock::time_point now) {
  add(work, inputOutput, now);
}

void FanOut::sharedWork(std::uint64_t work, FanOutClock::time_point now) {
  // Results of work handed out before the owner went back to working alone
  // are written while it does; they say nothing about working alone.
  if (current_ == 0) return;
  add(work, std::chrono::nanoseconds{0}, now);
}

void FanOut::add(std::uint64_t work, std::chrono::nanoseconds inputOutput,
                 FanOutClock::time_point now) {
  if (settings_.fixed) return;
  done_ += work;
  if (settings_.switchEvery != 0) {
    if (++reports_ < settings_.switchEvery) return;
    reports_ = 0;
    moveTo(current_ == 0 ? settings_.workers : 0);
    return;
  }
  if (!windowStarted_) {
    windowStarted_ = true;
    windowStart_ = partStart_ = now;
    return;
  }
  partWork_ += work;
  windowInputOutput_ += inputOutput;
  const auto part = std::chrono::duration_cast<std::chrono::nanoseconds>(now - partStart_);
  if (partWork_ * kParts < kWindowWork || part * kParts < kWindowTime) return;
  partRates_[parts_++] = static_cast<double>(partWork_) / static_cast<double>(part.count());
  partStart_ = now;
  partWork_ = 0;
  // Workers first touch their memory (stacks, buffers, output) in their
  // first part, which some machines make costly: it does not count.
  if (warmingUp_) {
    warmingUp_ = false;
    parts_ = 0;
    windowStart_ = now;
    windowInputOutput_ = {};
    return;
  }
  // A trial clearly slower in each of half its parts ends there: trials of
  // levels that lose are what the fan-out costs.
  const bool clearlyLosing =
      trying_ && 2 * parts_ >= kParts &&
      std::all_of(partRates_.begin(), partRates_.begin() + parts_,
                  [&](double rate) { return kClearGain * rate < settledRate_; });
  if (parts_ < kParts && !clearlyLosing) return;
  // Another program may have put off a part: the window's rate is the mean
  // of its middle parts, which one part put off does not move.
  std::sort(partRates_.begin(), partRates_.begin() + parts_);
  const double rate = (partRates_[(parts_ - 1) / 2] + partRates_[parts_ / 2]) / 2;
  const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - windowStart_);
  const bool searchingDominates =
      static_cast<double>((elapsed - windowInputOutput_).count()) >=
      kSearchingOverInputOutput * static_cast<double>(windowInputOutput_.count());
  windowStart_ = now;
  windowInputOutput_ = {};
  parts_ = 0;
  windowClosed(rate, searchingDominates);
}

void FanOut::windowClosed(double rate, bool searchingDominates) {
  // Two windows in a row must find searching the larger part: one alone
  // may only have waited less for its output.
  const bool searchingDominatedBefore =
      std::exchange(searchingDominatedBefore_, searchingDominates);
  if (trying_) {
    trialEnded(rate);
    return;
  }
  const bool twoWindows = noteSettledWindow(rate);
  if (windowsUntilRetry_ > 0) {
    --windowsUntilRetry_;
    return;
  }
  if (twoWindows) tryTheOtherWay(rate, searchingDominates && searchingDominatedBefore);
}

bool FanOut::noteSettledWindow(double rate) {
  // Another program may have put off this window: of two windows in a row,
  // the faster one tells what the level can do.
  const bool twoWindows = lastRate_ > 0;
  settledRate_ = std::max(rate, lastRate_);
  lastRate_ = rate;
  // Work that goes far faster or slower than when the level was settled on,
  // two windows in a row, has changed: what paid then may not pay now. One
  // window alone may only have been put off by others.
  const bool changed =
      rate * kChangeFactor < referenceRate_ || rate > kChangeFactor * referenceRate_;
  if (changed && changedBefore_) windowsUntilRetry_ = 0;
  changedBefore_ = changed;
  return twoWindows;
}

void FanOut::tryTheOtherWay(double rate, bool searchingDominates) {
  settledBeforeTrial_ = settled_;
  if (settled_ != 0) {
    trying_ = true;
    moveTo(0);
  } else if (settings_.workers > 0 && worthTrying(rate) &&
             (searchingDominates || !settings_.onlyWhenSearchingDominates)) {
    trying_ = true;
    moveTo(settings_.workers);
  }
}

// More workers win only where they are clearly faster; where the level
// tried won, fewer workers than it may do as well.
void FanOut::trialEnded(double rate) {
  const unsigned tried = current_;
  const bool triedMore = tried > settled_;
  const double moreRate = triedMore ? rate : settledRate_;
  const double fewerRate = triedMore ? settledRate_ : rate;
  const bool moreWins = moreRate >= kClearGain * fewerRate;
  if (moreWins != triedMore) {
    settle(settled_);
    return;
  }
  settled_ = tried;
  settledRate_ = rate;
  if (tried > 1) {
    moveTo(tried / 2);
    return;
  }
  settle(tried);
}

bool FanOut::worthTrying(double rate) const {
  if (settings_.expectedWork == 0) return true;
  const std::uint64_t left = settings_.expectedWork - std::min(done_, settings_.expectedWork);
  const double nanoseconds = static_cast<double>(left) / rate;
  return nanoseconds >= static_cast<double>(std::chrono::nanoseconds(kWorthTrying).count());
}

void FanOut::settle(unsigned level) {
  const bool changed = level != settledBeforeTrial_;
  trying_ = false;
  settled_ = level;
  referenceRate_ = settledRate_;
  lastRate_ = settledRate_;
  changedBefore_ = false;
  retryWindows_ = changed ? kFirstRetryWindows : std::min(4 * retryWindows_, kMostRetryWindows);
  windowsUntilRetry_ = retryWindows_;
  if (current_ != level) moveTo(level);
}

void FanOut::moveTo(unsigned level) {
  warmingUp_ = level > current_;
  current_ = level;
  windowStarted_ = false;
  partWork_ = 0;
  parts_ = 0;
  windowInputOutput_ = {};
}

}  // namespace vesk
