#include "platform/redirection.h"

namespace vesk::platform {

// There is no file-system redirection to switch on POSIX.
RedirectionOff::RedirectionOff() = default;
RedirectionOff::~RedirectionOff() = default;

}  // namespace vesk::platform
