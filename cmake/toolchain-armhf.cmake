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

# Look for libraries and packages of the target only; host tools stay usable.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# ctest and gtest_discover_tests start every target program through this.
find_program(VZ5_QEMU_ARM NAMES qemu-arm qemu-arm-static)
if(VZ5_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VZ5_QEMU_ARM} -L /usr/arm-linux-gnueabihf)
endif()
