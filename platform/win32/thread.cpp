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
    thread.running_.reset(running.release());
  }
  return thread;
}

void Thread::Join::operator()(Running* running) const {
  WaitForSingleObject(running->handle, INFINITE);
  CloseHandle(running->handle);
  delete running;
}

}  // namespace vesk::platform
