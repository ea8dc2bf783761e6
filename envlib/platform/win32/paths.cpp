// Paths on Windows are the caller's Windows paths as they stand.
#include "platform/win32/winapi.h"

namespace plat {

std::string MapPath(const char* winPath) {
    return winPath ? std::string(winPath) : std::string();
}

std::string RootDir() {
    return std::string();
}

uint32_t GetSystemDirectory(char* out, uint32_t size) {
    return ::GetSystemDirectoryA(out, size);
}

uint32_t GetWindowsDirectory(char* out, uint32_t size) {
    return ::GetWindowsDirectoryA(out, size);
}

std::string ProcessPath() {
    char path[MAX_PATH + 1];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return std::string();
    return std::string(path, n);
}

} // namespace plat
