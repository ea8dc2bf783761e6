#!/usr/bin/env bash
# station-smoke.sh <bin folder>: the stand-in station programs and the dorlix
# tool of a Windows build, each run as a host program under Wine would be,
# one process after the other: save in one form, read back in the others,
# log and unload while the writer is busy, exit with records held back.
#
# VZ5_EMULATED_32BIT set: the programs run under qemu's user-mode emulation,
# where a program whose threads raise exceptions while another thread runs
# crashes in the emulator (every log record goes to OutputDebugStringA, which
# raises one, while the writer thread writes). The log steps are left out
# there; the 64-bit run has them.
set -euo pipefail
bin=$1
run=$(cd "$(dirname "$0")/../../../scripts" && pwd)/wine-run.sh
work=$(mktemp -d /tmp/vz5-station.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

step() { # <wanted output> <program> [args...]
  local want=$1 started=$SECONDS got
  shift
  got=$("$run" "$bin/$@" | tr -d '\r') || { echo "FAIL: $* exited with $?"; exit 1; }
  if [ "$got" != "$want" ]; then
    echo "FAIL: $* printed '$got', not '$want'"
    exit 1
  fi
  echo "ok   $* ($((SECONDS - started)) s)"
}
records() { # <count>: the station's records in the day file, each of them there;
  # a process exit may write the group of up to 64 records it was writing twice
  local all n=0 distinct=0
  all=$(cat Log/*.log 2>/dev/null | grep -o ')->(Station)->(0): record [0-9]*' || true)
  if [ -n "$all" ]; then
    n=$(printf '%s\n' "$all" | wc -l)
    distinct=$(printf '%s\n' "$all" | sort -u | wc -l)
  fi
  if [ "$distinct" -ne "$1" ] || [ "$n" -gt $(($1 + 64)) ]; then
    echo "FAIL: $distinct different records in $n lines of the log, not $1 (in at most $(($1 + 64)))"
    exit 1
  fi
  echo "ok   $1 records in the log ($n lines)"
  rm -rf Log
}

step ok station_linked.exe write "Lane 7"
step "Lane 7" station_dynamic.exe read
step "Lane 7" station_mslib.exe read
step "Lane 7" dorlix.exe env get 1
if [ -n "${VZ5_EMULATED_32BIT:-}" ]; then
  echo "skip the log steps: threads raising exceptions crash under qemu's emulation"
  exit 0
fi
step ok station_dynamic.exe log 500 unload
records 500
step ok station_linked.exe log 500 held
records 500
