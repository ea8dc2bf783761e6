// Console output of every thread, serialised by DispLock.
#pragma once
#include <pthread.h>

extern pthread_mutex_t DispLock;
extern volatile int GlobePutDebugInfo; // 0: Wprintf prints nothing

// Task-tagged debug print: "PLCKey: " (0), "PLCNet: " (9, 10), "PLC%d: " otherwise.
// Returns 0 while debug output is off, -1 otherwise.
int Wprintf(int TaskNo, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Unconditional print with the prefix "Debug: ". Returns -1.
int Pprintf(int WarnLevel, const char* format, ...) __attribute__((format(printf, 2, 3)));
