#include "platform/thread.h"

#include <limits.h>
#include <pthread.h>

#include <algorithm>
#include <utility>

namespace vesk::platform {

struct Thread::Running {
  pthread_t id{};
  std::function<void()> body;
};

namespace {

void* runBody(void* running) {
  static_cast<std::function<void()>*>(running)->operator()();
  return nullptr;
}

// A stack attribute released when it goes out of scope.
class StackAttribute {
 public:
  explicit StackAttribute(std::size_t bytes) {
    ok_ = ::pthread_attr_init(&attribute_) == 0;
    if (ok_)
      ::pthread_attr_setstacksize(&attribute_, std::max<std::size_t>(bytes, PTHREAD_STACK_MIN));
  }
  StackAttribute(const StackAttribute&) = delete;
  StackAttribute& operator=(const StackAttribute&) = delete;
  ~StackAttribute() {
    if (ok_) ::pthread_attr_destroy(&attribute_);
  }
  const pthread_attr_t* get() const { return ok_ ? &attribute_ : nullptr; }

 private:
  pthread_attr_t attribute_{};
  bool ok_ = false;
};

}  // namespace

Thread Thread::start(std::function<void()> body, std::size_t stackBytes) {
  auto running = std::make_unique<Running>();
  running->body = std::move(body);
  const StackAttribute stack(stackBytes);
  Thread thread;
  if (::pthread_create(&running->id, stack.get(), runBody, &running->body) == 0) {
    thread.running_.reset(running.release());
  }
  return thread;
}

void Thread::Join::operator()(Running* running) const {
  ::pthread_join(running->id, nullptr);
  delete running;
}

}  // namespace vesk::platform
