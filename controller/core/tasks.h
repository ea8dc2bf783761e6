// Bodies of the controller's threads (task numbers: 0 keypad, 1..8 PLC,
// 9 network receive, 10 network send).
#pragma once
#include <atomic>

#include "public.h"

// One key slot per task number 0..8: the keypad task writes every slot, PLC
// task n takes (reads and clears) slot n.
extern std::atomic<HKEY> GlobeHKey[MAXTASKNUM + 1];

void TaskKey(int TaskNo);
// Runs "plc<n>/RESET.PLC", then the flow, for ever; returns only when the
// reset program cannot be opened at start (see taskplc.h for the stop request).
void TaskPLC(int TaskNo);
void TaskUdp(int TaskNo);
// Sends every card's status report to all peers, one cycle every 2.5 s.
void TaskUdpSnd(int TaskNo);
