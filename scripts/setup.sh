#!/usr/bin/env bash
# Installs the Debian packages the build and its tests need, when any is
# missing (unicode-data: the Unihan readings the pinyin table is checked against;
# zip, unzip, pugixml and the libjpeg-turbo programs: the peers of the archive,
# XML and JPEG tests and benchmarks).
set -euo pipefail
source "$(dirname "$0")/packages.sh"
packages=(build-essential cmake ninja-build pkg-config libiniparser-dev zlib1g-dev libminizip-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev iproute2 unicode-data python3 zip unzip libpugixml-dev libjpeg-turbo-progs
          ${VZ5_EXTRA_PACKAGES:-})
mapfile -t missing < <(missing_packages "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  install_packages "${missing[@]}"
fi
