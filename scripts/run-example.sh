#!/usr/bin/env bash
# Runs Corlan on the simulated rack with the example programs, in a fresh
# temporary run directory. Stop it with Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
example=${1:-examples/basic}
run=$(mktemp -d /tmp/corlan-run.XXXXXX)
cp -r "$example"/. "$run"/
echo "run directory: $run"
export CORLAN_RUNDIR=$run
export CORLAN_PIDFILE=$run/daemon_corlan.pid
export CORLAN_HOMEDIR=$run/home
export CORLAN_PORT=${CORLAN_PORT:-2017}
export CORLAN_IFACE=${CORLAN_IFACE:-lo}
export CORLAN_BUS=sim:$run/rack.ini
export CORLAN_SIM_PORT=${CORLAN_SIM_PORT:-2018}
mkdir -p "$CORLAN_HOMEDIR"
echo "simulator control channel: udp 127.0.0.1:$CORLAN_SIM_PORT (try: echo 'get 0 1' | nc -u -w1 127.0.0.1 $CORLAN_SIM_PORT)"
exec build/bin/Corlan "${@:2}"
