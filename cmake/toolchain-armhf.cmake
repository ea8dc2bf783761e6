# Cross build for the controller board: 32-bit ARM, hard float, with Debian's
# arm-linux-gnueabihf compiler and the armhf (multiarch) packages of the
# libraries. Programs and tests run through qemu user-mode emulation.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
# Multiarch: headers in /usr/include, libraries and CMake packages in
# /usr/lib/arm-linux-gnueabihf.
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

# 64-bit file offsets and inode numbers: without them the 32-bit readdir and
# stat fail with EOVERFLOW on large files and on file systems with 64-bit
# inode numbers or directory cookies (USB sticks, and any 64-bit host that
# runs the tests under emulation).
set(CMAKE_C_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")

# Look for libraries and packages of the target only; host tools stay usable.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# ctest and gtest_discover_tests start every target program through this.
# With the armhf C library installed (multiarch) its own loader is used: the
# cross compiler's copy under /usr/arm-linux-gnueabihf is another build of the
# C library, and mixing that loader with the multiarch libc crashes every
# forked child.
find_program(VZ5_QEMU_ARM NAMES qemu-arm qemu-arm-static)
if(VZ5_QEMU_ARM)
  if(EXISTS /lib/ld-linux-armhf.so.3)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VZ5_QEMU_ARM})
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VZ5_QEMU_ARM} -L /usr/arm-linux-gnueabihf)
  endif()
endif()
