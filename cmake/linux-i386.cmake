# The Linux tree built as 32-bit x86 code, run under user-mode emulation, so
# that the 32-bit code paths (PCRE2's x86-32 JIT, 32-bit sizes and limits)
# run in tests on a 64-bit machine. 64-bit file offsets and times: without
# them readdir fails with EOVERFLOW on file systems with 64-bit inode numbers.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE2 as in the 32-bit product (cmake/mingw-i686.cmake), so that the same
# code paths run here.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
find_program(VESK_QEMU_I386 qemu-i386-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_QEMU_I386})
