# Cross-compiling for 64-bit ARM Linux (Debian: g++-aarch64-linux-gnu).
# The programs are linked statically, so that qemu-user runs them without
# the target's loader and libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs are run through qemu-user when ctest runs them.
find_program(VANTREL_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(VANTREL_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTREL_QEMU})
endif()
