// File-system redirection of 32-bit processes under WOW64: switched off
// for the calling thread while an owner lives, so that the folders a walk
// sees are the real ones; switched back when it goes.
#pragma once

namespace vesk::platform {

class RedirectionOff {
 public:
  RedirectionOff();  // off for this thread where it applies
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  ~RedirectionOff();

 private:
  [[maybe_unused]] void* previous_ = nullptr;  // what Windows needs to switch back
  [[maybe_unused]] bool disabled_ = false;
};

}  // namespace vesk::platform
