// Text, process and time calls of the platform layer.
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posixutil.h"

namespace plat {

char* CharUpper(char* text) {
    if (!text) return text;
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
        if (*p & 0x80) {
            // Lead byte of a double-byte character: its trail byte may be an
            // ASCII letter code and must stay as it is.
            if (p[1]) ++p;
            continue;
        }
        if (*p >= 'a' && *p <= 'z') *p = static_cast<unsigned char>(*p - 'a' + 'A');
    }
    return text;
}

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    std::string path(buf, static_cast<size_t>(n));
    // A program replaced on disk while running reads back with this suffix.
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

std::string ProcessName() {
    std::string path = ExecutablePath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

LocalTime LocalTimeOf(const struct timespec& ts) {
    struct tm tm {};
    localtime_r(&ts.tv_sec, &tm);
    return LocalTime{tm.tm_year + 1900,
                     tm.tm_mon + 1,
                     tm.tm_mday,
                     tm.tm_hour,
                     tm.tm_min,
                     tm.tm_sec,
                     static_cast<int>(ts.tv_nsec / 1000000),
                     tm.tm_wday};
}

LocalTime GetLocalTime() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return LocalTimeOf(ts);
}

bool GetFileWriteTime(const char* winPath, LocalTime& out) {
    struct stat st;
    bool exists;
    MapPathStat(winPath, st, exists);
    if (!exists) return false;
    out = LocalTimeOf(st.st_mtim);
    return true;
}

// The Windows release the POSIX layer stands in for: 6.1, build 7601.
uint32_t GetVersion() {
    return 6u | (1u << 8) | (7601u << 16);
}

// POSIX has no message boxes: the operator reads standard error.
void ShowMessage(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
}

// The debugger channel is standard error, and only when DORLIX_DEBUG_OUTPUT is set.
bool DebugOutputOpen() {
    static const bool on = [] {
        const char* v = std::getenv("DORLIX_DEBUG_OUTPUT");
        return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
    }();
    return on;
}

void OutputDebugString(const char* text) {
    if (!DebugOutputOpen() || !text) return;
    const size_t n = std::strlen(text);
    std::fwrite(text, 1, n, stderr);
    if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
}

// Executables and shared objects here carry no version resource.
bool ReadVersionResource(const char*, VersionStrings&) {
    return false;
}

void Sleep(uint32_t milliseconds) {
    struct timespec req {
        static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L
    };
    while (nanosleep(&req, &req) != 0 && errno == EINTR) {
    }
}

} // namespace plat
