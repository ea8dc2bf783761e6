#!/usr/bin/env bash
# Runs every test: the normal build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the board build, then
# the Windows build of the library under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j "$jobs" --timeout 300)

bash scripts/build.sh build-asan -DVZ5_SANITIZE=ON -DVZ5_BENCH=OFF
# Leak checking is on by default; no ASAN_OPTIONS here, so that a test program
# may set its own defaults.
(cd build-asan && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs" --timeout 600)

if [ -f scripts/test-arm.sh ]; then
  bash scripts/test-arm.sh
fi

if [ -f scripts/test-windows.sh ]; then
  bash scripts/test-windows.sh
fi
