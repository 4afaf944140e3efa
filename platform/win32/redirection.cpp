#include "platform/redirection.h"

#include <windows.h>

namespace vesk::platform {

// A 32-bit process under WOW64 would see SysWOW64 where the user named
// System32; the walk must see the real folders.
RedirectionState disableFileSystemRedirection() {
  RedirectionState state;
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    state.disabled = Wow64DisableWow64FsRedirection(&state.previous) != FALSE;
  }
  return state;
}

void restoreFileSystemRedirection(const RedirectionState& state) {
  if (state.disabled) Wow64RevertWow64FsRedirection(state.previous);
}

}  // namespace vesk::platform
