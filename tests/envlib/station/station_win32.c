/* The stand-in station program's system on Windows. */
#include <direct.h>
#include <windows.h>

#include "station_host.h"

#define LIBRARY_NAME "Dorlix.dll"

void* HostLoad(void) {
    return (void*)LoadLibraryA(LIBRARY_NAME);
}

void* HostFind(void* module, const char* name) {
    return (void*)GetProcAddress((HMODULE)module, name);
}

int HostUnload(void* module) {
    int i;
    FreeLibrary((HMODULE)module);
    for (i = 0; i < 1000 && GetModuleHandleA(LIBRARY_NAME); ++i)
        Sleep(10);
    return GetModuleHandleA(LIBRARY_NAME) == NULL;
}

int HostMakeFolder(const char* path) {
    return _mkdir(path);
}

int HostRemoveFolder(const char* path) {
    return _rmdir(path);
}
