// The fan-out against modelled machines: each gives every number of workers
// a speed (and the owner alone a share of its time spent reading), and the
// input goes through the fan-out as the block search feeds it. Whatever the
// machine, the run must never be much slower than on one thread, and must
// gain where workers are clearly faster.
#include "search/fan_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace vesk {
namespace {

using std::chrono::nanoseconds;

// Bytes a nanosecond with each number of workers (index 0: the owner alone)
// over a stretch of the input.
struct Phase {
  std::vector<double> rates;
  double readingShare = 0.1;  // of the owner's time alone
  std::uint64_t bytes = 0;
};

struct Outcome {
  double seconds = 0;
  double bestSeconds = 0;  // at the best number of workers of each phase, without noise
  unsigned lastWorkers = 0;
};

// Feeds the phases through a fan-out of `workers` as the block search does:
// the owner alone reports stretches of 256 KiB, workers report written
// blocks of 192 KiB.
// Timings are noisy: each step takes up to a third more or less than the
// model says, and now and then the thread is put off for a few milliseconds.
// With knownSize, the fan-out is told how much work there is, as for a file.
Outcome run(const std::vector<Phase>& phases, unsigned workers, std::uint64_t noiseSeed = 1,
            bool knownSize = false) {
  constexpr std::uint64_t kStretch = 256 * 1024;
  constexpr std::uint64_t kBlock = 192 * 1024;
  std::mt19937_64 noise(noiseSeed);
  std::uniform_real_distribution<double> jitter(0.67, 1.33);
  const auto putOff = [&] {
    return noise() % 400 == 0 ? std::chrono::milliseconds(1 + noise() % 6) : nanoseconds(0);
  };
  FanOutClock::time_point now{};
  std::uint64_t total = 0;
  for (const Phase& phase : phases) total += phase.bytes;
  FanOut fanOut(FanOutSettings{.workers = workers, .expectedWork = knownSize ? total : 0}, now);
  Outcome outcome;
  for (const Phase& phase : phases) {
    const double best = *std::max_element(phase.rates.begin(), phase.rates.end());
    outcome.bestSeconds += static_cast<double>(phase.bytes) / best / 1e9;
    for (std::uint64_t done = 0; done < phase.bytes;) {
      const unsigned level = fanOut.workers();
      EXPECT_LE(level, workers);
      const std::uint64_t step = std::min(level == 0 ? kStretch : kBlock, phase.bytes - done);
      const auto took = nanoseconds(static_cast<std::int64_t>(
                            jitter(noise) * static_cast<double>(step) / phase.rates[level])) +
                        putOff();
      now += took;
      done += step;
      if (level == 0) {
        const auto reading = nanoseconds(
            static_cast<std::int64_t>(static_cast<double>(took.count()) * phase.readingShare));
        fanOut.ownWork(step, reading, now);
      } else {
        fanOut.sharedWork(step, now);
      }
    }
  }
  outcome.seconds = static_cast<double>(now.time_since_epoch().count()) / 1e9;
  outcome.lastWorkers = fanOut.workers();
  return outcome;
}

// A machine with room for `workers` and speeds from the generator. The owner
// keeps part of the work (reading, writing the output) whatever the workers
// do; handing work out loses some of their speed (threads waking, bytes
// crossing between caches); workers beyond the processors free for them
// (others may be busy, with the consumer of the output among them) only
// add to the hand-offs. Workers may so be far faster than one thread, about
// as fast, or slower.
Phase randomPhase(std::mt19937_64& random, unsigned workers, std::uint64_t bytes) {
  const auto between = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  const double owners = between(0.02, 0.9);   // share of the work the owner keeps
  const double handing = between(0.35, 1.1);  // speed kept when handing out
  const unsigned free = 1 + static_cast<unsigned>(random() % workers);
  Phase phase;
  phase.rates.push_back(between(0.1, 1.0));  // processor-bound work: up to 1 GB/s
  for (unsigned level = 1; level <= workers; ++level) {
    const double spread = owners + (1 - owners) / std::min(level, free);
    const double crowding = 1 - 0.05 * (level - std::min(level, free));
    phase.rates.push_back(phase.rates[0] * handing * crowding / spread);
  }
  phase.readingShare = between(0.02, 0.3);
  phase.bytes = bytes;
  return phase;
}

TEST(FanOut, NeverMuchSlowerThanOneThreadAndGainsWhereWorkersAreClearlyFaster) {
  std::mt19937_64 random(20261208);
  int gained = 0;
  for (int machine = 0; machine < 400; ++machine) {
    const unsigned workers = 1 + static_cast<unsigned>(random() % 8);
    const std::uint64_t bytes = (100 + random() % 400) << 20;
    const Phase phase = randomPhase(random, workers, bytes);
    const std::uint64_t noise = random();
    const bool file = machine % 2 == 0;  // a file's size is known, standard input's not
    const Outcome outcome = run({phase}, workers, noise, file);
    const double soloSeconds = run({phase}, 0, noise).seconds;  // the same on one thread
    const double bestGain =
        static_cast<double>(phase.bytes) / phase.rates[0] / 1e9 / outcome.bestSeconds;
    SCOPED_TRACE("machine " + std::to_string(machine));
    // Trials of slower levels cost a few windows each, fewer as they fail;
    // halving the workers finds a good number of them, not always the best.
    EXPECT_LE(outcome.seconds, soloSeconds / 0.95);
    // A file too small to pay for a trial is searched alone.
    if (bestGain >= 1.5 && (!file || soloSeconds >= 0.6)) {
      EXPECT_LE(outcome.seconds, soloSeconds / 1.2) << "best gain " << bestGain;
      ++gained;
    }
  }
  EXPECT_GT(gained, 40);  // the models must often make workers worth having
}

// Work that goes at the speed of its reads never reaches the workers, even
// on a machine where they would be faster: trying them costs more than the
// little they could save.
TEST(FanOut, WorkBoundByReadingStaysWithTheOwner) {
  Phase phase{{1.0, 3.0, 3.0}, 0.5, 400 << 20};
  FanOutClock::time_point now{};
  FanOut fanOut(FanOutSettings{.workers = 2}, now);
  for (std::uint64_t done = 0; done < phase.bytes; done += 256 * 1024) {
    ASSERT_EQ(fanOut.workers(), 0u) << "after " << done << " bytes";
    now += nanoseconds(256 * 1024);
    fanOut.ownWork(256 * 1024, nanoseconds(128 * 1024), now);
  }
  // A walk asks for workers whatever the reading costs, and finds them faster.
  phase.bytes = 64 << 20;
  const Outcome walk = [&] {
    FanOutClock::time_point start{};
    FanOut walkFanOut(FanOutSettings{.workers = 2, .onlyWhenSearchingDominates = false}, start);
    for (std::uint64_t done = 0; done < phase.bytes; done += 64 * 1024) {
      const unsigned level = walkFanOut.workers();
      start += nanoseconds(static_cast<std::int64_t>(64 * 1024 / phase.rates[level]));
      if (level == 0)
        walkFanOut.ownWork(64 * 1024, nanoseconds(32 * 1024), start);
      else
        walkFanOut.sharedWork(64 * 1024, start);
    }
    return Outcome{.lastWorkers = walkFanOut.workers()};
  }();
  EXPECT_GT(walk.lastWorkers, 0u);
}

// When the work changes within an input, the fan-out follows it: workers
// taken on for a hard stretch are given up where they stop paying, and
// taken on again when it pays once more.
TEST(FanOut, FollowsWorkThatChangesWithinTheInput) {
  const Phase hard{{0.5, 0.9, 1.6}, 0.05, 200 << 20};
  const Phase easy{{3.0, 2.0, 1.2}, 0.05, 400 << 20};
  const Outcome outcome = run({hard, easy, hard}, 2);
  EXPECT_EQ(outcome.lastWorkers, 2u);
  EXPECT_LE(outcome.seconds, outcome.bestSeconds * 1.3);
  EXPECT_LE(run({hard, easy}, 2).lastWorkers, 0u);
}

// Where the two cores are shared with the consumer of the output, fewer
// workers may be as fast: the fan-out keeps the fewest that are.
TEST(FanOut, KeepsTheFewestWorkersThatAreAsFast) {
  EXPECT_EQ(run({Phase{{1.0, 1.9, 2.0}, 0.05, 200 << 20}}, 2).lastWorkers, 1u);
  EXPECT_EQ(run({Phase{{1.0, 1.2, 2.0}, 0.05, 200 << 20}}, 2).lastWorkers, 2u);
  EXPECT_EQ(run({Phase{{1.0, 1.05, 1.1}, 0.05, 200 << 20}}, 2).lastWorkers, 0u);
}

TEST(FanOut, FixedCountsAndWorkersThatCouldNotStart) {
  FanOutClock::time_point now{};
  FanOut fixed(FanOutSettings{.workers = 3, .fixed = true}, now);
  EXPECT_EQ(fixed.workers(), 3u);
  fixed.ownWork(100 << 20, nanoseconds(0), now + std::chrono::seconds(1));
  EXPECT_EQ(fixed.workers(), 3u);
  fixed.limitWorkers(1);
  EXPECT_EQ(fixed.workers(), 1u);
  fixed.limitWorkers(0);
  EXPECT_EQ(fixed.workers(), 0u);

  // An adaptive fan-out never asks for more than could start.
  FanOut adaptive(FanOutSettings{.workers = 8}, now);
  adaptive.limitWorkers(2);
  for (int window = 0; window < 50; ++window) {
    now += std::chrono::milliseconds(20);
    const unsigned level = adaptive.workers();
    if (level == 0)
      adaptive.ownWork(4 << 20, nanoseconds(0), now);
    else
      adaptive.sharedWork(std::uint64_t{6 << 20} * level, now);
    ASSERT_LE(adaptive.workers(), 2u);
  }
  EXPECT_EQ(adaptive.workers(), 2u);
}

}  // namespace
}  // namespace vesk
