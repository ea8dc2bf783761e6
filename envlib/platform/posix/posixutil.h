// Small helpers shared by the POSIX platform sources.
#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <string>

#include "platform/platform.h"

namespace plat {
inline int AsciiLower(int c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}
// Name order without regard to ASCII case, as NTFS lists a folder.
inline bool LessNoCase(const std::string& a, const std::string& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int x = AsciiLower(static_cast<unsigned char>(a[i])),
                  y = AsciiLower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}
// Read-only as Windows sees it: the owner may not write.
inline bool ModeReadOnly(mode_t mode) {
    return (mode & S_IWUSR) == 0;
}
// MapPath, also giving the file's status (exists false when it has none):
// a path spelled as it exists costs a single stat.
std::string MapPathStat(const char* winPath, struct stat& st, bool& exists);
// Native path of the running program, "" when it cannot be read.
std::string ExecutablePath();
// The first line of a small text file (a /proc or /sys attribute), "" when
// it cannot be read.
inline std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}
// Milliseconds of the monotonic clock.
inline int64_t MonotonicMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
// A moment (a clock reading or a file time stamp) in local time.
LocalTime LocalTimeOf(const struct timespec& ts);
} // namespace plat
