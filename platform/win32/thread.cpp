#include "platform/thread.h"

#include <process.h>
#include <windows.h>

#include <utility>

namespace vesk::platform {

struct Thread::Running {
  HANDLE handle = nullptr;
  std::function<void()> body;
};

namespace {

unsigned __stdcall runBody(void* body) {
  static_cast<std::function<void()>*>(body)->operator()();
  return 0;
}

}  // namespace

// The size is what the stack may grow to (a reservation), not what it takes
// at once: only the pages used are committed.
Thread Thread::start(std::function<void()> body, std::size_t stackBytes) {
  auto running = std::make_unique<Running>();
  running->body = std::move(body);
  const std::uintptr_t handle =
      _beginthreadex(nullptr, static_cast<unsigned>(stackBytes), runBody, &running->body,
                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  Thread thread;
  if (handle != 0) {
    running->handle = reinterpret_cast<HANDLE>(handle);
    thread.running_ = std::move(running);
  }
  return thread;
}

void Thread::join() {
  if (running_) {
    WaitForSingleObject(running_->handle, INFINITE);
    CloseHandle(running_->handle);
  }
  running_.reset();
}

Thread::Thread(Thread&& other) noexcept : running_(std::move(other.running_)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    join();
    running_ = std::move(other.running_);
  }
  return *this;
}

Thread::~Thread() {
  join();
}

}  // namespace vesk::platform
