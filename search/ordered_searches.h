// Searches done by worker threads and written in the order they were handed
// out, so that what Vesk writes never depends on how many threads did the
// work.
//
// One thread, the owner, hands out tasks in order and writes their results
// in the same order; the workers do the tasks in between, each into an output
// that captures what it would write. A task whose output grows large passes
// it on in chunks; a task whose turn to be written has not come then waits,
// so results that are ready early take bounded memory. The number of tasks
// in flight is bounded too.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include "io/line_reader.h"
#include "output/console_output.h"
#include "regex/pattern.h"

namespace vesk {

// What one worker thread owns and reuses from task to task.
struct Worker {
  LineReader reader;
  regex::MatchWorkspace workspace;
  // Set when the owner abandons the tasks: a task stops at its next line.
  const std::atomic<bool>* abandoned = nullptr;
};

// Done by a worker; writes into the capturing output it is given.
using SearchTask = std::function<void(Worker& worker, ConsoleOutput& captured)>;
// Run by the owner right after the task's output was written.
using TaskWritten = std::function<void()>;

struct SearchPool;
struct SearchPoolStop {
  void operator()(SearchPool* pool) const;  // lets the workers finish and joins them
};
using SearchPoolHandle = std::unique_ptr<SearchPool, SearchPoolStop>;

// Writes what a task captured, in its turn, on the owner's thread.
using CapturedWriter = std::function<void(const ConsoleOutput& captured)>;

// A pool of up to `workers` threads; none starts until setWorkers asks for
// them. Tasks capture what they write as the console given would take it;
// writeCaptured writes it.
SearchPoolHandle startSearchPool(const ConsoleState& console, CapturedWriter writeCaptured,
                                 unsigned workers);

// Lets `count` workers take tasks at once from now on, starting threads as
// needed; returns how many there are for that, which is fewer when threads
// could not start.
unsigned setWorkers(SearchPool& pool, unsigned count);

// Lets at least this many tasks be in flight, whatever the number of
// workers (by default twice as many as there are workers, and two).
void keepInFlight(SearchPool& pool, std::size_t tasks);

// Hands out a task (none: nothing to do, only `written` to run in its turn),
// to be done once setWorkers has let a worker take tasks. Waits, writing
// finished results meanwhile, while too many are in flight.
void handOut(SearchPool& pool, SearchTask task, TaskWritten written);

// Writes the results of everything handed out, waiting for what is not done.
// A task that failed with an exception fails here, on the owner thread.
void writeHandedOut(SearchPool& pool);

// Drops what is handed out and not written, stops the tasks that run and
// waits until none does: the owner calls it before it leaves what the tasks
// refer to, on its way out with an exception.
void abandonHandedOut(SearchPool& pool);

// Runs work that hands out tasks; if it leaves with an exception, the tasks
// are abandoned first.
template <typename Work>
auto abandoningOnFailure(SearchPool& pool, Work&& work) {
  try {
    return work();
  } catch (...) {
    abandonHandedOut(pool);
    throw;
  }
}

}  // namespace vesk
