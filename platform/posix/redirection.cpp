#include "platform/redirection.h"

namespace vesk::platform {

// There is no file-system redirection to switch on POSIX.
RedirectionState disableFileSystemRedirection() {
  return {};
}
void restoreFileSystemRedirection(const RedirectionState&) {}

}  // namespace vesk::platform
