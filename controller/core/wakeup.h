// Wake-up of idle PLC tasks. A task with nothing to run waits here instead of
// looping, and whoever hands it work (a key, a queued command) wakes it.
#pragma once

// Current wake generation; take it at the start of a pass, before looking for
// work, so that a wake-up given while the pass runs is not missed by the wait.
unsigned PlcWakeMark();

// Wakes every PLC task waiting in PlcIdleWait.
void PlcWake();

// Waits until PlcWake was called after Mark was taken, or 1 ms has passed.
// The limit keeps alarm inputs, which change without any wake-up, seen within
// a millisecond.
void PlcIdleWait(unsigned Mark);
