#!/usr/bin/env bash
# Windows build of the station library with mingw-w64, tested under Wine:
#
#   build-win/    Dorlix.dll for 32-bit x86, the form station programs load,
#                 with its import libraries, the dorlix tool and the stand-in
#                 station programs: the tables of the DLL are checked, and the
#                 station programs run under Wine
#   build-win64/  the same sources for 64-bit x86, with the whole library test
#                 suite, run under Wine through CTest
#
# Every Wine run of the script happens in one scratch prefix made for it (in
# /tmp, removed at the end), never in ~/.wine. Installs what it needs from
# Debian's packages when missing: mingw-w64, zlib for mingw, Wine for 32- and
# 64-bit programs (the i386 architecture), the Chinese locales (the station
# PCs' code page 936). Where the kernel cannot run 32-bit programs itself,
# they run through qemu's user-mode emulation: much slower, so the 32-bit
# form runs the station programs, and the 64-bit form the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

source scripts/packages.sh

# ---- Packages ----
packages=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64 wine32:i386
          locales-all qemu-user socat zip unzip libjpeg-turbo-progs)
mapfile -t missing < <(missing_packages "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  echo "test-windows: installing ${missing[*]}"
  # wine32 must be the i386 package: with the board's armhf architecture
  # enabled, a bare "wine32" would be the ARM one.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  install_packages "${missing[@]}"
fi

# ---- 32-bit programs ----
# Where the kernel refuses 32-bit programs, qemu runs them: a binfmt entry of
# our own for the run, removed again at the end.
binfmt=/proc/sys/fs/binfmt_misc
entry=vz5-i386
registered=0
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if ! runs_32bit; then
  if [ ! -e "$binfmt/register" ]; then
    as_root mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  fi
  if [ -e "$binfmt/register" ] && [ ! -e "$binfmt/$entry" ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    if echo ":$entry:M::$magic:$mask:$(command -v qemu-i386):F" | as_root tee "$binfmt/register" >/dev/null; then
      registered=1
    fi
  fi
fi
if runs_32bit; then
  can32=1
  if [ $registered -eq 1 ] || grep -qs 'interpreter .*qemu-i386' "$binfmt"/*; then
    export VZ5_EMULATED_32BIT=1
  fi
else
  can32=0
  echo "test-windows: this machine cannot run 32-bit programs; the 32-bit DLL is only built and checked"
fi

# ---- The scratch prefix and its server ----
scratch=$(mktemp -d /tmp/vz5-wine.XXXXXX)
export VZ5_WINEPREFIX=$scratch/prefix
serial_pids=()
cleanup() {
  for pid in "${serial_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  WINEPREFIX=$VZ5_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
  if [ $registered -eq 1 ]; then
    echo -1 | as_root tee "$binfmt/$entry" >/dev/null || true
  fi
}
trap cleanup EXIT
started=$(date +%s)
echo "test-windows: making the Wine prefix $VZ5_WINEPREFIX"
scripts/wine-run.sh --start
echo "test-windows: prefix ready after $(( $(date +%s) - started )) s"

configure() { # <dir> <arch>
  if [ ! -f "$1/build.ninja" ]; then
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DVZ5_WIN_ARCH="$2" -DVZ5_BENCH=OFF
  fi
}
jobs=$(nproc)

# ---- Serial lines for the serial-port tests ----
# Three pairs of linked ptys, COM5-COM6, COM7-COM8 and COM9-COM10 of the
# prefix: the tests open the odd one through the library and drive the even
# one themselves. Stopped at the end (cleanup).
for n in 5 7 9; do
  socat "PTY,link=$VZ5_WINEPREFIX/dosdevices/com$n,raw,echo=0" \
        "PTY,link=$VZ5_WINEPREFIX/dosdevices/com$((n + 1)),raw,echo=0" </dev/null >/dev/null 2>&1 &
  serial_pids+=($!)
done
for _ in $(seq 50); do
  [ -e "$VZ5_WINEPREFIX/dosdevices/com10" ] && [ -e "$VZ5_WINEPREFIX/dosdevices/com6" ] &&
    [ -e "$VZ5_WINEPREFIX/dosdevices/com8" ] && break
  sleep 0.1
done

# ---- 64-bit: the whole library suite under Wine ----
configure build-win64 x86_64
cmake --build build-win64 -j "$jobs"
(cd build-win64 && ctest --output-on-failure -j "$jobs" --timeout 300)

# ---- 32-bit: the DLL's tables, and the station programs under Wine ----
configure build-win i686
cmake --build build-win -j "$jobs" --target dorlix dorlix_tool station_linked station_dynamic station_mslib
file build-win/bin/Dorlix.dll
select=(-R '^DllTables\.')
if [ $can32 -eq 1 ]; then select=(-R '^(DllTables|StationSmoke)\.'); fi
(cd build-win && ctest -V --timeout 1800 "${select[@]}")
