#!/usr/bin/env bash
# build.sh <build dir> [cmake options...]: configure (once) and build with Ninja.
set -euo pipefail
dir=$1; shift
cd "$(dirname "$0")/.."
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$dir" -j "$(nproc)"
