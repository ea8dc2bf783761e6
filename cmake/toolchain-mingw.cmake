# Cross build of the station library for Windows with Debian's mingw-w64
# compilers (posix thread model). The form station programs load is 32-bit
# x86; -DVZ5_WIN_ARCH=x86_64 gives the 64-bit configuration.
#
# Programs and tests run under Wine through the wrapper scripts/wine-run.sh,
# which keeps every run inside a scratch WINEPREFIX (never ~/.wine).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT VZ5_WIN_ARCH)
  set(VZ5_WIN_ARCH i686)
endif()
set(VZ5_WIN_ARCH ${VZ5_WIN_ARCH} CACHE STRING "Windows target processor: i686 or x86_64")
set(CMAKE_SYSTEM_PROCESSOR ${VZ5_WIN_ARCH})
set(triple ${VZ5_WIN_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-ar)
set(CMAKE_RANLIB ${triple}-ranlib)
set(CMAKE_DLLTOOL ${triple}-dlltool)
set(CMAKE_OBJDUMP ${triple}-objdump)
set(CMAKE_NM ${triple}-nm)

# Headers and libraries of the target only (zlib from libz-mingw-w64-dev);
# host programs stay usable.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs and library: the C and C++ runtimes and winpthreads
# are linked in, so nothing beyond the DLLs of Windows itself is needed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# zlib goes into the library itself, not as zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)

# ctest and gtest_discover_tests start every program through this.
get_filename_component(vz5_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${vz5_root}/scripts/wine-run.sh)
