// Threads of the program's own, each with a stack of a chosen size. The
// system's default stack (8 MiB on Linux, the executable's on Windows) is
// reserved for every thread, which in the 32-bit product's 2 GiB of address
// space adds up, while a worker needs a fraction of it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace vesk::platform {

class Thread {
 public:
  // Runs body on a new thread with a stack of stackBytes (at least what the
  // system requires). An empty Thread when the system has no thread to
  // spare (no memory for its stack, a limit on processes): that is no
  // error, the caller goes on with the threads it has.
  static Thread start(std::function<void()> body, std::size_t stackBytes);

  // Ending a Thread, or moving another into it, waits for the body it runs
  // to return. Move-only: its owner is the one who waits.
  Thread() = default;

  explicit operator bool() const { return running_ != nullptr; }

 private:
  struct Running;
  struct Join {
    void operator()(Running* running) const;  // the platform's join, then frees it
  };
  std::unique_ptr<Running, Join> running_;
};

}  // namespace vesk::platform
