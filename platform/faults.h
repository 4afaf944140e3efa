// Failures made on purpose, in a build for testing how the program meets
// them (the fault-injection build); every other build fails nothing here.
//
// In that build the environment says what fails, and VESK_FAULT_LOG names a
// file that gets one line for each failure made:
//   VESK_FAULT_ALLOC=N       the N-th allocation fails, and every later one
//   VESK_FAULT_ALLOC=N:once  only the N-th allocation fails
//   VESK_FAULT_READ=K        the K-th read of an input file fails as a disk
//                            error does
#pragma once

#include <cstddef>

namespace vesk::platform {

// True when the read about to be made of an input file is to fail.
bool readFailsOnPurpose(int descriptor);

// Memory for libraries that take allocation functions (the regular
// expression engine), counted with the program's own allocations in the
// fault-injection build; malloc and free in every other.
void* allocateForLibrary(std::size_t bytes, void* unused);
void releaseForLibrary(void* memory, void* unused);

}  // namespace vesk::platform
