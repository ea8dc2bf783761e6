// Paths, ports and names of the board, each overridable from the environment
// so that tests and developer machines never touch the board's system paths.
#pragma once

const char* RunDir();    // CORLAN_RUNDIR, default "/mnt/mmc"
const char* PidFile();   // CORLAN_PIDFILE, default "/daemon_corlan.pid"
int LocalPort();         // CORLAN_PORT, default 2017
const char* IfaceName(); // CORLAN_IFACE, default "eth0"
const char* HomeDir();   // CORLAN_HOMEDIR, default "/home/root"
const char* BusSpec();   // CORLAN_BUS, default "" (the board's bus devices)
int SimPort();           // CORLAN_SIM_PORT, 0 when unset
