#include "process.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

char* GetBasename(char* path) {
    char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

const char* GetBasename(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

static bool IsPid(const char* s) {
    if (!*s || *s == '0') return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

int GetProcessID(const char* name, int* pids) {
    pids[0] = 0;
    const char* base = GetBasename(name);
    size_t L = strlen(base);
    DIR* dir = opendir("/proc");
    if (!dir) {
        printf("cannot open /proc");
        return -1;
    }
    int count = 0;
    while (dirent* e = readdir(dir)) {
        if (!IsPid(e->d_name)) continue;
        char link[300];
        char target[4096];
        snprintf(link, sizeof link, "/proc/%s/exe", e->d_name);
        ssize_t n = readlink(link, target, sizeof target - 1);
        if (n < 0) continue;
        target[n] = '\0';
        const char* slash = strrchr(target, '/');
        if (!slash) continue;
        const char* prog = slash + 1;
        // A replaced program file shows as "<name> (deleted)": the name ends at a space.
        if (strlen(prog) < L || strncmp(prog, base, L) != 0 || (prog[L] != ' ' && prog[L] != '\0')) continue;
        if (count < MAXPROCIDS) pids[count] = atoi(e->d_name);
        ++count;
    }
    pids[count < MAXPROCIDS ? count : MAXPROCIDS] = 0;
    closedir(dir);
    return count;
}

int KillProcess(const char* name, int keep) {
    int ids[MAXPROCIDS + 1] = {};
    int count = GetProcessID(name, ids);
    if (count > MAXPROCIDS) count = MAXPROCIDS;
    if (count < 2 && keep == 1) return 1;
    if (count < 1) return 0;
    int last = 0;
    int self = getpid();
    for (int i = 0; i < count - 1; ++i) {
        // The caller is never its own victim, wherever /proc lists it.
        if (ids[i] <= 0 || ids[i] == self) continue;
        kill(ids[i], SIGTERM);
        last = ids[i];
    }
    return last;
}
