// The test host on Windows (the tests run under Wine): folders under %TEMP%,
// CreateProcess, LoadLibrary. The station is the prefix's own: its system
// folders, drive D: (a folder of the prefix) and new folders of drive C:.
// Tests that use it run one at a time (CTest resource lock "station").
#include "testhost.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>

#ifndef VZ5_BINARY_DIR
#error "VZ5_BINARY_DIR names the build folder"
#endif

namespace vz5test {
namespace fs = std::filesystem;

namespace {
std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string ModulePath() {
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n < sizeof path ? n : 0);
}

// Folders of drive C: that belong to the prefix itself.
const std::set<std::string>& PrefixFolders() {
    static const std::set<std::string> names = {"windows", "users", "programdata", "program files",
                                                "program files (x86)"};
    return names;
}

void ClearStation() {
    std::error_code ec;
    for (const char* name : {"lwpsenvX.sys", "lwpenv.ini", "winsenvX.pnf", "winsenvX.sys"}) {
        for (const std::string& dir : {SystemDirectory(), WindowsDirectory() + "\\inf"}) {
            const std::string file = dir + "\\" + name;
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
    }
    for (auto& e : fs::directory_iterator("D:\\", ec))
        RemoveTree(e.path().string());
    for (auto& e : fs::directory_iterator("C:\\", ec)) {
        if (!PrefixFolders().count(Lower(e.path().filename().string()))) RemoveTree(e.path().string());
    }
}
} // namespace

std::string MakeTempFolder(const std::string& stem) {
    char base[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH) return std::string();
    std::string dir(base, n);
    if (dir.back() == '\\') dir.pop_back();
    for (unsigned i = 0; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "-%lu-%u", static_cast<unsigned long>(GetCurrentProcessId()), i);
        std::string path = dir + "\\" + stem + name;
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
    }
    return std::string();
}

void RemoveTree(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(path, ec))
        SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(path, ec);
}

void MakeWritable(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), a & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

void MakeReadOnly(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path.c_str(), a | FILE_ATTRIBUTE_READONLY);
}

bool IsReadOnly(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

std::string Join(const std::string& folder, const std::string& rel) {
    std::string r = rel;
    for (char& c : r) {
        if (c == '/') c = '\\';
    }
    return r.empty() ? folder : folder + "\\" + r;
}

void SetEnv(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

void UnsetEnv(const std::string& name) {
    _putenv_s(name.c_str(), "");
}

std::string BuiltProgram(const std::string& stem) {
    return std::string(VZ5_BINARY_DIR) + "/bin/" + stem + ".exe";
}

std::string LibraryFile() {
    return std::string(VZ5_BINARY_DIR) + "/bin/Dorlix.dll";
}

std::string ThisProgramName() {
    return fs::path(ModulePath()).filename().string();
}

std::string ThisProgramFolder() {
    return fs::path(ModulePath()).parent_path().string();
}

namespace {
std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

// One argument as the C runtime of the child splits the command line.
std::wstring Quoted(const std::string& utf8) {
    const std::wstring arg = Wide(utf8);
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, L'\\');
    q += L'"';
    return q;
}
} // namespace

// Arguments go over as UTF-16 (the tests write them in UTF-8); the output
// comes back with its Windows line ends as "\n".
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& inputFile) {
    ProgramRun r;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE input = INVALID_HANDLE_VALUE;
    if (!inputFile.empty()) {
        input = CreateFileW(Wide(inputFile).c_str(), GENERIC_READ, FILE_SHARE_READ, &sa, OPEN_EXISTING, 0, nullptr);
        if (input == INVALID_HANDLE_VALUE) return r;
    }
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) {
        if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
        return r;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring cmd = Quoted(program);
    for (const std::string& a : args)
        cmd += L" " + Quoted(a);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input != INVALID_HANDLE_VALUE ? input : GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    std::string raw;
    if (started) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0)
            raw.append(buf, n);
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        r.exitCode = static_cast<int>(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        r.out += raw[i];
    }
    return r;
}

Child::~Child() {
    Kill();
}

bool Child::Start(const std::string& program, const std::vector<std::string>& args) {
    Kill();
    std::wstring cmd = Quoted(program);
    for (const std::string& a : args)
        cmd += L" " + Quoted(a);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    handle_ = pi.hProcess;
    id_ = pi.dwProcessId;
    ended_ = false;
    return true;
}

bool Child::Wait(int ms, int* exitCode) {
    if (ended_) return true;
    if (WaitForSingleObject(handle_, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(handle_, &code);
    if (exitCode) *exitCode = static_cast<int>(code);
    CloseHandle(handle_);
    handle_ = nullptr;
    ended_ = true;
    return true;
}

void Child::Kill() {
    if (ended_) return;
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
    ended_ = true;
}

bool ReadOnlyFilesRefuseWrites() {
    // Wine keeps read-only as the file's write permission, which a process
    // running as root does not need: there a read-only file can be written.
    static const bool refused = [] {
        const std::string dir = MakeTempFolder("vz5-readonly");
        const std::string file = dir + "\\probe";
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
        h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const bool opened = h != INVALID_HANDLE_VALUE;
        if (opened) CloseHandle(h);
        RemoveTree(dir);
        return !opened;
    }();
    return refused;
}

Library::~Library() {
    Unload();
}

bool Library::Load(const std::string& path) {
    Unload();
    handle_ = LoadLibraryA(path.c_str());
    if (!handle_) error_ = "LoadLibraryA failed with error " + std::to_string(GetLastError());
    return handle_ != nullptr;
}

void* Library::Symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)) : nullptr;
}

void Library::Unload() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

std::string VersionResourceString(const std::string& path, const std::string& name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::string();
    std::string data(size, '\0');
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return std::string();
    struct Translation {
        WORD language, codePage;
    }* tr = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) || !tr)
        return std::string();
    char key[128];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", tr->language, tr->codePage, name.c_str());
    char* value = nullptr;
    if (!VerQueryValueA(data.data(), key, reinterpret_cast<void**>(&value), &len) || !value) return std::string();
    return std::string(value);
}

void SetFileDay(const std::string& path, int year, int month, int day) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = 12;
    SYSTEMTIME utc;
    FILETIME ft;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

void SetFileWriteTime(const std::string& path, long long unixMilliseconds) {
    // FILETIME counts 100 ns from 1601.
    const unsigned long long ticks =
        static_cast<unsigned long long>(unixMilliseconds) * 10000ULL + 116444736000000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

std::string SystemDirectory() {
    char dir[MAX_PATH + 1];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir, n < sizeof dir ? n : 0);
}

std::string WindowsDirectory() {
    char dir[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir, n < sizeof dir ? n : 0);
}

std::string StationNative(const std::string&, const std::string& winPath) {
    return winPath;
}

void ClaimStation(const std::string&) {
    ClearStation();
}

void ReleaseStation(const std::string&) {
    ClearStation();
}

std::vector<std::string> StationEntries(const std::string& root) {
    std::vector<std::string> entries;
    std::error_code ec;
    auto walk = [&](const std::string& top) {
        for (auto it = fs::recursive_directory_iterator(top, ec); it != fs::recursive_directory_iterator();
             it.increment(ec))
            entries.push_back(it->path().string());
    };
    walk(root);
    walk("D:\\");
    for (auto& e : fs::directory_iterator("C:\\", ec)) {
        if (PrefixFolders().count(Lower(e.path().filename().string()))) continue;
        entries.push_back(e.path().string());
        walk(e.path().string());
    }
    return entries;
}

} // namespace vz5test
