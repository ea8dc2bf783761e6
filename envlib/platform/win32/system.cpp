// Text, process, time and operating-system calls of the platform layer.
#include "platform/win32/winapi.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat {

char* CharUpper(char* text) {
    if (!text) return text;
    ::CharUpperA(text);
    return text;
}

std::string ProcessName() {
    // The name the process was started under, as the process list shows it.
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof entry;
        const DWORD self = ::GetCurrentProcessId();
        std::string name;
        for (BOOL more = ::Process32First(snap, &entry); more; more = ::Process32Next(snap, &entry)) {
            if (entry.th32ProcessID == self) {
                name = entry.szExeFile;
                break;
            }
        }
        ::CloseHandle(snap);
        if (!name.empty()) return name;
    }
    std::string path = ProcessPath();
    size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

namespace {
LocalTime FromSystemTime(const SYSTEMTIME& t) {
    return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek};
}
} // namespace

LocalTime GetLocalTime() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return FromSystemTime(t);
}

void Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

bool LocalTimeOf(const FILETIME& stamp, LocalTime& out) {
    FILETIME local;
    SYSTEMTIME t;
    if (!::FileTimeToLocalFileTime(&stamp, &local) || !::FileTimeToSystemTime(&local, &t)) return false;
    out = FromSystemTime(t);
    return true;
}

bool GetFileWriteTime(const char* winPath, LocalTime& out) {
    if (!winPath || !*winPath) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(winPath, GetFileExInfoStandard, &data)) return false;
    return LocalTimeOf(data.ftLastWriteTime, out);
}

uint32_t GetVersion() {
    return ::GetVersion();
}

namespace {
// A box only where someone can click it: the process has a visible window
// station and the operator has not asked for messages on standard error.
bool CanShowBox() {
    const char* off = std::getenv("DORLIX_NO_MESSAGE_BOX");
    if (off && *off) return false;
    HWINSTA station = ::GetProcessWindowStation();
    USEROBJECTFLAGS flags;
    DWORD needed = 0;
    if (!station || !::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed))
        return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
} // namespace

void ShowMessage(const char* caption, const char* text) {
    if (!caption) caption = "";
    if (!text) text = "";
    if (CanShowBox()) {
        ::MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

void OutputDebugString(const char* text) {
    if (text) ::OutputDebugStringA(text);
}

// Debuggers and listeners such as DebugView come and go: always open.
bool DebugOutputOpen() {
    return true;
}

bool ReadVersionResource(const char* winPath, VersionStrings& out) {
    std::string path = winPath ? std::string(winPath) : ProcessPath();
    if (path.empty()) return false;
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return false;
    struct Translation {
        WORD language, codePage;
    };
    Translation* tr = nullptr;
    UINT len = 0;
    if (!::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) ||
        !tr || len < sizeof *tr)
        return false;
    auto query = [&](const char* name) -> std::optional<std::string> {
        char key[96];
        std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", tr->language, tr->codePage, name);
        char* value = nullptr;
        UINT chars = 0;
        if (!::VerQueryValueA(data.data(), key, reinterpret_cast<void**>(&value), &chars) || !value)
            return std::nullopt;
        return std::string(value, strnlen(value, chars));
    };
    out.fileVersion = query("FileVersion");
    out.productName = query("ProductName");
    out.comments = query("Comments");
    out.specialBuild = query("SpecialBuild");
    return true;
}

} // namespace plat
