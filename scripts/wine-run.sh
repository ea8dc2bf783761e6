#!/usr/bin/env bash
# wine-run.sh <program.exe> [args...]: runs a Windows program of the build
# under Wine, in the scratch prefix of the test run, never in ~/.wine.
# wine-run.sh --start: makes the prefix and starts its server for good (until
# "wineserver -k"), with Wine's own services, so that every program after
# that starts in tens of milliseconds and no service holds on to a test
# program's output.
#
#   VZ5_WINEPREFIX   the prefix (default: wineprefix beside this script's
#                    build, made on first use)
# The prefix gets a drive D: of its own (a folder inside it), the station's
# data drive, and the Chinese code page 936 of the station PCs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=${VZ5_WINEPREFIX:-$here/build-win/wineprefix}
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# A Chinese station: the ANSI code page is 936 (GBK).
export LC_ALL=zh_CN.UTF-8
# Nothing in a test run may wait for a click.
export DORLIX_NO_MESSAGE_BOX=1
# 32-bit programs run through qemu where the kernel cannot run them itself;
# qemu then must leave Wine the address space it expects.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xc0000000}

# The loader by the program's machine type: 32-bit x86 or x86-64.
wine=/usr/lib/wine/wine64
if [ -f "${1:-}" ]; then
  pe=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  case "$(od -An -j "$pe" -N 6 -t x1 "$1" | tr -d ' \n')" in
    504500004c01) wine=/usr/lib/wine/wine ;; # PE machine 0x14c: i386
  esac
fi

# A 64-bit prefix: it runs the programs of both kinds.
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
    fi
  ) 9>"$prefix.lock"
fi
if [ ! -e "$prefix/dosdevices/d:" ]; then
  mkdir -p "$prefix/drive_d"
  ln -sfn ../drive_d "$prefix/dosdevices/d:"
fi
if [ "${1:-}" = "--start" ]; then
  wineserver -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
  exit 0
fi
exec "$wine" "$@"
