#include "platform/files.h"

#include <utility>

namespace vesk::platform {

// Moving and ending an owner are the same on every system; closing is not.
InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, FileHandle{})) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, FileHandle{});
  }
  return *this;
}

InputFile::~InputFile() {
  close();
}

}  // namespace vesk::platform
