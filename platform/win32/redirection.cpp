#include "platform/redirection.h"

#include <windows.h>

namespace vesk::platform {

// A 32-bit process under WOW64 would see SysWOW64 where the user named
// System32; the walk must see the real folders.
RedirectionOff::RedirectionOff() {
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    disabled_ = Wow64DisableWow64FsRedirection(&previous_) != FALSE;
  }
}

RedirectionOff::~RedirectionOff() {
  if (disabled_) Wow64RevertWow64FsRedirection(previous_);
}

}  // namespace vesk::platform
