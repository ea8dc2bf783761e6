// The machine's processes on Windows, from the system process-information query.
#include "platform/win32/winapi.h"

#include <winternl.h>

#include "platform/process.h"

namespace plat {

namespace {
using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

std::string Narrow(const UNICODE_STRING& s) {
    const int chars = static_cast<int>(s.Length / sizeof(WCHAR));
    if (!s.Buffer || chars == 0) return std::string();
    const int n = ::WideCharToMultiByte(CP_ACP, 0, s.Buffer, chars, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, s.Buffer, chars, out.data(), n, nullptr, nullptr);
    return out;
}
} // namespace

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> list;
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "ZwQuerySystemInformation")));
    if (!query) return list;
    // Start at 32 KiB and double while the system says it is too small.
    std::vector<unsigned char> buffer;
    LONG status = kInfoLengthMismatch;
    for (ULONG size = 32 * 1024; status == kInfoLengthMismatch && size <= (256u << 20); size *= 2) {
        buffer.assign(size, 0);
        status = query(kSystemProcessInformation, buffer.data(), size, nullptr);
    }
    if (status < 0) return list;
    for (size_t at = 0;;) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
        list.push_back({static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId)), Narrow(p->ImageName)});
        if (p->NextEntryOffset == 0 || at + p->NextEntryOffset >= buffer.size()) break;
        at += p->NextEntryOffset;
    }
    return list;
}

uint32_t CurrentProcessId() {
    return ::GetCurrentProcessId();
}

std::string ProcessImagePath(uint32_t id) {
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!h) return std::string();
    char path[MAX_PATH * 4];
    DWORD size = sizeof path;
    const BOOL got = ::QueryFullProcessImageNameA(h, 0, path, &size);
    ::CloseHandle(h);
    return got ? std::string(path, size) : std::string();
}

bool RunAndWait(const std::string& commandLine, int show) {
    std::string line = commandLine; // CreateProcessA may write into it
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                          &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    ::CloseHandle(pi.hProcess);
    return true;
}

bool EndProcess(uint32_t id, uint32_t exitCode) {
    HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, id);
    if (!h) return false;
    const BOOL ended = ::TerminateProcess(h, exitCode);
    ::CloseHandle(h);
    return ended != FALSE;
}

void EnableDebugPrivilege() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    TOKEN_PRIVILEGES tp{};
    if (::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &tp.Privileges[0].Luid)) {
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        ::AdjustTokenPrivileges(token, FALSE, &tp, sizeof tp, nullptr, nullptr);
    }
    ::CloseHandle(token);
}

bool EmptyWorkingSet(uint32_t id) {
    HANDLE h = ::OpenProcess(PROCESS_SET_QUOTA | PROCESS_QUERY_INFORMATION, FALSE, id);
    if (!h) return false;
    const BOOL done = ::SetProcessWorkingSetSize(h, static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    ::CloseHandle(h);
    return done != FALSE;
}

} // namespace plat
