#include "platform/faults.h"

#include <cstdlib>

namespace vesk::platform {

bool readFailsOnPurpose(int) {
  return false;
}

void* allocateForLibrary(std::size_t bytes, void*) {
  return std::malloc(bytes);
}

void releaseForLibrary(void* memory, void*) {
  std::free(memory);
}

}  // namespace vesk::platform
