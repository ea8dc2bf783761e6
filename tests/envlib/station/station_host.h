/* What the stand-in station program needs of its system, one source per
 * platform (station_posix.c, station_win32.c). */
#ifndef STATION_HOST_H
#define STATION_HOST_H

/* The library loaded at run time, a function of it, and its unload, which
 * waits (where the loader tells) until the library is really gone: a log
 * writer still busy keeps it loaded until its records are written. */
void* HostLoad(void);
void* HostFind(void* module, const char* name);
int HostUnload(void* module);

/* 0 when done. */
int HostMakeFolder(const char* path);
int HostRemoveFolder(const char* path);

#endif
