// Finding and ending programs by name through /proc. Plain libc, shared with the
// board monitor.
#pragma once

#define MAXPROCIDS 100

// The part after the last '/', or the whole text.
char* GetBasename(char* path);
const char* GetBasename(const char* path);
// Ids of running programs whose file name is name's base name, in /proc order.
// pids must hold MAXPROCIDS + 1 entries: at most MAXPROCIDS ids, then 0.
// Returns the number of matches, -1 when /proc cannot be read.
int GetProcessID(const char* name, int* pids);
// Sends SIGTERM to every listed instance but the newest (the last listed).
// Returns the last id signalled, 0 when none, 1 when keep is 1 and at most one runs.
int KillProcess(const char* name, int keep);
