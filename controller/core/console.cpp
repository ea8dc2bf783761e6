#include "console.h"

#include <cstdarg>
#include <cstdio>

pthread_mutex_t DispLock = PTHREAD_MUTEX_INITIALIZER;
volatile int GlobePutDebugInfo = 1;

static const char* TaskPrefix(int TaskNo, char* buf, size_t size) {
    if (TaskNo == 0) return "PLCKey: ";
    if (TaskNo == 9 || TaskNo == 10) return "PLCNet: ";
    snprintf(buf, size, "PLC%d: ", TaskNo);
    return buf;
}

int Wprintf(int TaskNo, const char* format, ...) {
    if (GlobePutDebugInfo == 0) return 0;
    char prefix[32];
    va_list ap;
    va_start(ap, format);
    pthread_mutex_lock(&DispLock);
    fputs(TaskPrefix(TaskNo, prefix, sizeof prefix), stdout);
    vprintf(format, ap);
    fflush(stdout);
    pthread_mutex_unlock(&DispLock);
    va_end(ap);
    return -1;
}

int Pprintf(int, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    pthread_mutex_lock(&DispLock);
    fputs("Debug: ", stdout);
    vprintf(format, ap);
    fflush(stdout);
    pthread_mutex_unlock(&DispLock);
    va_end(ap);
    return -1;
}
