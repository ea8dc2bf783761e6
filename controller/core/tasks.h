// Bodies of the controller's threads (task numbers: 0 keypad, 1..8 PLC,
// 9 network receive, 10 network send).
#pragma once
#include "public.h"

extern volatile HKEY GlobeHKey[MAXTASKNUM + 1]; // one key slot per task number 0..8

void TaskKey(int TaskNo);
void TaskPLC(int TaskNo);
void TaskUdp(int TaskNo);
void TaskUdpSnd(int TaskNo);
