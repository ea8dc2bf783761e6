#!/usr/bin/env bash
# Board build: cross-compiles Corlan and Corwatch for the board's processor
# (32-bit ARM, hard float) into build-arm and runs the controller's and the
# monitor's tests under qemu user-mode emulation.
#
#   bash scripts/test-arm.sh          the controller's and the monitor's tests
#   bash scripts/test-arm.sh --all    the same plus the tests labelled "slow"
#
# Installs what it needs from Debian's packages (armhf multiarch), only when
# something is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

all=0
if [ "${1:-}" = "--all" ]; then all=1; fi

source scripts/packages.sh
packages=(g++-arm-linux-gnueabihf libstdc++6:armhf libiniparser-dev:armhf libgtest-dev:armhf libgmock-dev:armhf file)
mapfile -t missing < <(missing_packages "${packages[@]}")
if ! command -v qemu-arm >/dev/null && ! command -v qemu-arm-static >/dev/null; then
  missing+=(qemu-user)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "test-arm: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx armhf; then
    as_root dpkg --add-architecture armhf
  fi
  install_packages "${missing[@]}"
fi

dir=build-arm
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-armhf.cmake" -DVZ5_LIBRARY=OFF -DVZ5_BENCH=OFF
fi
cmake --build "$dir" -j "$(nproc)"
file "$dir/bin/Corwatch"
[ -f "$dir/bin/Corlan" ] && file "$dir/bin/Corlan"

filter=()
if [ $all -eq 0 ]; then filter=(-LE slow); fi
# Tests that start Corlan as a child process exec the board binary directly
# (and the start-up tests find instances by /proc/<pid>/exe, which under
# user-mode emulation names the emulator): they run in the native builds only.
filter+=(-E '^(StartupTest|HostCommandTest|PlcProgramTest|KeypadTest|ControllerLinkTest|StmtrFlow|IdleReportTest)\.')
(cd "$dir" && ctest --output-on-failure -j "$(nproc)" --timeout 900 "${filter[@]}")
