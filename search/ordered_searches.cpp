#include "search/ordered_searches.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/redirection.h"
#include "platform/thread.h"

namespace vesk {
namespace {

// A task's output is passed on in chunks of about this size.
constexpr std::size_t kChunkBytes = 256 * 1024;
// A task waits while this many of its chunks are not written yet.
constexpr std::size_t kUnwrittenChunks = 2;
// A worker's stack. The engine keeps its backtracking frames and its JIT
// stack on the heap; what goes deepest is the automaton deciding assertions
// nested as deep as a pattern may nest them, which took between 160 and
// 192 KiB in the optimised x86-64 build (measured; the limits cases hold one).
// Twice that and more leaves room for other compilers; builds with a
// sanitizer, whose frames are several times larger, set their own.
constexpr std::size_t kWorkerStack = std::size_t{VESK_WORKER_STACK_KIB} * 1024;

struct Slot {
  SearchTask task;
  TaskWritten written;
  std::uint64_t sequence = 0;
  std::deque<ConsoleOutput> chunks;  // captured output not written yet, in order
  bool finished = false;
  std::exception_ptr failure;
};

}  // namespace

struct SearchPool {
  SearchPool(const ConsoleState& state, CapturedWriter writer, unsigned workers)
      : console(state), writeCaptured(std::move(writer)), maxWorkers(workers) {}

  const ConsoleState console;  // what the tasks capture for
  const CapturedWriter writeCaptured;
  std::size_t inFlightAtLeast = 0;
  std::mutex mutex;
  std::condition_variable workAvailable;    // workers wait here for tasks
  std::condition_variable progress;         // the owner and waiting tasks wait here
  std::deque<std::unique_ptr<Slot>> slots;  // in flight, the next to write first
  std::uint64_t headSequence = 0;           // of slots.front()
  std::uint64_t nextSequence = 0;           // of the next slot handed out
  std::uint64_t nextToStart = 0;
  std::size_t running = 0;  // tasks started and not finished
  std::size_t active = 0;   // tasks that may run at once
  bool stopping = false;
  std::atomic<bool> abandoned{false};
  const unsigned maxWorkers;
  std::vector<platform::Thread> threads;
};

namespace {

ConsoleOutput takeCaptured(ConsoleOutput& captured) {
  ConsoleOutput chunk = capturingOutput(captured.console);
  chunk.pendingStdout.swap(captured.pendingStdout);
  chunk.pendingConsole.swap(captured.pendingConsole);
  chunk.diagnostics.swap(captured.diagnostics);
  return chunk;
}

// A task's output has grown large: it goes to the owner, and the task waits
// unless its turn has come and the owner keeps up.
void passOn(SearchPool& pool, Slot& slot, ConsoleOutput& captured) {
  ConsoleOutput chunk = takeCaptured(captured);
  std::unique_lock lock(pool.mutex);
  slot.chunks.push_back(std::move(chunk));
  pool.progress.notify_all();
  pool.progress.wait(lock, [&] {
    return pool.stopping || pool.abandoned ||
           (slot.sequence == pool.headSequence && slot.chunks.size() < kUnwrittenChunks);
  });
  // The task stops where it stands; nobody will write its slot.
  if (pool.stopping || pool.abandoned) throw RunStopped{RunStopped::Why::Abandoned};
}

// The next slot to start, or null when the pool stops. Slots without a task
// are finished already and passed over.
Slot* nextTask(SearchPool& pool, std::unique_lock<std::mutex>& lock) {
  for (;;) {
    pool.workAvailable.wait(lock, [&] {
      return pool.stopping || (pool.nextToStart < pool.nextSequence && pool.running < pool.active);
    });
    if (pool.stopping) return nullptr;
    // Slots without a task may have been written and dropped already.
    if (pool.nextToStart < pool.headSequence) pool.nextToStart = pool.headSequence;
    if (pool.nextToStart == pool.nextSequence) continue;
    Slot& slot = *pool.slots[pool.nextToStart - pool.headSequence];
    ++pool.nextToStart;
    if (slot.finished) continue;
    ++pool.running;
    return &slot;
  }
}

void runTask(SearchPool& pool, Worker& worker, Slot& slot) {
  ConsoleOutput captured = capturingOutput(pool.console);
  captured.spillAt = kChunkBytes;
  captured.spill = [&](ConsoleOutput& full) { passOn(pool, slot, full); };
  try {
    slot.task(worker, captured);
  } catch (...) {
    slot.failure = std::current_exception();
  }
  ConsoleOutput rest = takeCaptured(captured);
  const std::lock_guard lock(pool.mutex);
  slot.chunks.push_back(std::move(rest));
  slot.finished = true;
  --pool.running;
  pool.progress.notify_all();
}

void workerLoop(SearchPool& pool) {
  // The redirection of 32-bit processes under WOW64 is switched per thread;
  // workers open files, so they see the real folders too.
  const platform::RedirectionOff redirectionOff;
  // A worker that cannot set itself up (no memory left) still takes tasks:
  // each fails with that cause, which reaches the owner in its turn.
  std::optional<Worker> worker;
  std::exception_ptr setUpFailure;
  try {
    worker.emplace(Worker{LineReader{}, regex::createMatchWorkspace(), &pool.abandoned});
  } catch (...) {
    setUpFailure = std::current_exception();
  }
  std::unique_lock lock(pool.mutex);
  while (Slot* slot = nextTask(pool, lock)) {
    if (setUpFailure) {
      slot->failure = setUpFailure;
      slot->finished = true;
      --pool.running;
      pool.progress.notify_all();
      continue;
    }
    lock.unlock();
    runTask(pool, *worker, *slot);
    lock.lock();
  }
}

// Writes what the head slot has passed on; once it is finished, runs its
// `written` and lets the next slot be the head.
void writeHead(SearchPool& pool, std::unique_lock<std::mutex>& lock) {
  Slot& head = *pool.slots.front();
  pool.progress.wait(lock, [&] { return !head.chunks.empty() || head.finished; });
  std::deque<ConsoleOutput> chunks;
  chunks.swap(head.chunks);
  const bool finished = head.finished;  // no chunk comes after that
  lock.unlock();
  for (const ConsoleOutput& chunk : chunks) pool.writeCaptured(chunk);
  if (finished && !head.failure && head.written) head.written();
  lock.lock();
  if (!finished) {
    pool.progress.notify_all();  // the head task may go on
    return;
  }
  const std::unique_ptr<Slot> done = std::move(pool.slots.front());
  pool.slots.pop_front();
  ++pool.headSequence;
  pool.progress.notify_all();
  if (done->failure) std::rethrow_exception(done->failure);
}

}  // namespace

void SearchPoolStop::operator()(SearchPool* pool) const {
  {
    const std::lock_guard lock(pool->mutex);
    pool->stopping = true;
  }
  pool->workAvailable.notify_all();
  pool->progress.notify_all();
  pool->threads.clear();  // each waits for its thread to end
  delete pool;
}

SearchPoolHandle startSearchPool(const ConsoleState& console, CapturedWriter writeCaptured,
                                 unsigned workers) {
  SearchPoolHandle pool(new SearchPool(console, std::move(writeCaptured), workers));
  // No allocation may fail once a thread runs that would then never be told to stop.
  pool->threads.reserve(workers);
  return pool;
}

void keepInFlight(SearchPool& pool, std::size_t tasks) {
  const std::lock_guard lock(pool.mutex);
  pool.inFlightAtLeast = tasks;
}

unsigned setWorkers(SearchPool& pool, unsigned count) {
  count = std::min(count, pool.maxWorkers);
  while (pool.threads.size() < count) {
    platform::Thread thread = platform::Thread::start([&pool] { workerLoop(pool); }, kWorkerStack);
    if (!thread) break;  // the system has no thread to spare: the run goes on with those it has
    pool.threads.push_back(std::move(thread));
  }
  const unsigned available = std::min<unsigned>(count, static_cast<unsigned>(pool.threads.size()));
  const std::lock_guard lock(pool.mutex);
  pool.active = available;
  pool.workAvailable.notify_all();
  return available;
}

void handOut(SearchPool& pool, SearchTask task, TaskWritten written) {
  std::unique_lock lock(pool.mutex);
  // Enough in flight that no worker waits for work; few enough that memory
  // stays small: a task holds its input's bytes and a few chunks of output.
  const std::size_t inFlight = std::max(2 * pool.active + 2, pool.inFlightAtLeast);
  while (pool.slots.size() >= inFlight) writeHead(pool, lock);
  auto slot = std::make_unique<Slot>();
  slot->finished = !task;
  slot->task = std::move(task);
  slot->written = std::move(written);
  slot->sequence = pool.nextSequence++;
  const bool work = !slot->finished;
  pool.slots.push_back(std::move(slot));
  // Waking a worker is a system call on most machines: none for nothing to do.
  if (work) pool.workAvailable.notify_one();
}

void writeHandedOut(SearchPool& pool) {
  std::unique_lock lock(pool.mutex);
  while (!pool.slots.empty()) writeHead(pool, lock);
}

void abandonHandedOut(SearchPool& pool) {
  std::unique_lock lock(pool.mutex);
  pool.abandoned = true;
  pool.nextToStart = pool.nextSequence;  // nothing more starts
  pool.progress.notify_all();
  pool.progress.wait(lock, [&] { return pool.running == 0; });
  pool.headSequence += pool.slots.size();
  pool.slots.clear();
  pool.abandoned = false;
}

}  // namespace vesk
