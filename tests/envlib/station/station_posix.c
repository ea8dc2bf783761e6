/* The stand-in station program's system on POSIX. glibc keeps a library
 * whose log writer was busy at dlclose mapped until the process ends, so the
 * unload does not wait. */
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "station_host.h"

void* HostLoad(void) {
    return dlopen(STATION_LIBRARY, RTLD_NOW | RTLD_LOCAL);
}

void* HostFind(void* module, const char* name) {
    return dlsym(module, name);
}

int HostUnload(void* module) {
    return dlclose(module) == 0;
}

int HostMakeFolder(const char* path) {
    return mkdir(path, 0777);
}

int HostRemoveFolder(const char* path) {
    return rmdir(path);
}
