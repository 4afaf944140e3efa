// File-system redirection of 32-bit processes under WOW64.
#pragma once

namespace vesk::platform {

struct RedirectionState {
  void* previous = nullptr;
  bool disabled = false;
};

// Switches the redirection off for this thread when it applies.
RedirectionState disableFileSystemRedirection();
void restoreFileSystemRedirection(const RedirectionState& state);

}  // namespace vesk::platform
