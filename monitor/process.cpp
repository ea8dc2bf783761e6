#include "corwatch.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// A /proc entry names a process when it is a non-zero decimal number.
static bool IsProcessId(const char* name) {
    if (!*name) return false;
    bool nonzero = false;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        if (*p != '0') nonzero = true;
    }
    return nonzero;
}

// The program name must be followed by the end of the link text or a blank:
// the kernel shows a replaced executable as "<path> (deleted)", and such a
// controller still has to be found, while "Corlanx" is another program.
static bool NameMatches(const char* target, const char* name) {
    const char* slash = strrchr(target, '/');
    const char* base = slash ? slash + 1 : target;
    size_t len = strlen(name);
    if (strncmp(base, name, len) != 0) return false;
    return base[len] == '\0' || base[len] == ' ';
}

int GetProcessIDIn(const char* procRoot, const char* ProcName, int* foundpid, int capacity) {
    if (capacity > 0) foundpid[0] = 0;
    DIR* dir = opendir(procRoot);
    if (!dir) {
        printf("cannot open /proc");
        return -1;
    }
    int count = 0;
    while (dirent* ent = readdir(dir)) {
        if (!IsProcessId(ent->d_name)) continue;
        // One slot stays free for the terminating 0.
        if (count >= capacity - 1) break;
        char link[512];
        snprintf(link, sizeof link, "%s/%s/exe", procRoot, ent->d_name);
        char target[4097];
        ssize_t n = readlink(link, target, sizeof target - 1);
        if (n < 0) continue;
        target[n] = '\0';
        if (!NameMatches(target, ProcName)) continue;
        foundpid[count++] = atoi(ent->d_name);
    }
    closedir(dir);
    if (capacity > 0) foundpid[count] = 0;
    return count;
}

int GetProcessID(char* ProcName, int* foundpid) {
    return GetProcessIDIn("/proc", ProcName, foundpid, CORWATCH_MAXPID);
}

int KillProcess(char* ProcessName) {
    int ids[CORWATCH_MAXPID] = {0};
    int n = GetProcessID(ProcessName, ids);
    printf("--%d---\n", n);
    int last = 0;
    for (int i = 0; i < n && i < CORWATCH_MAXPID; ++i) {
        if (ids[i] <= 0) continue;
        printf("Kill %s %d\n", ProcessName, ids[i]);
        kill(ids[i], SIGTERM);
        last = ids[i];
    }
    return last;
}
