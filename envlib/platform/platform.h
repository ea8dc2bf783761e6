// The operating-system calls of the library. The portable core calls only
// these; on Windows they are the real Win32 calls, on POSIX
// envlib/platform/posix emulates them with Windows semantics.
#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace plat {

// ---- Profile (INI) files, as GetPrivateProfile*A / WritePrivateProfileStringA ----
// Paths are Windows paths (see MapPath). Section and key names compare without
// regard to case; values are trimmed and one pair of surrounding quotes removed.
// section or key null: the NUL-separated list of section names or of the keys
// of the section, ending in two NULs (a cut list in one, and then the result
// is size - 2; the keys of an empty or absent section are the default text).
// Result: characters copied without the final NUL; size - 1 for a cut text.
// The exact rules are in posix/profile.cpp.
uint32_t GetPrivateProfileString(const char* section, const char* key, const char* def, char* out,
                                 uint32_t size, const char* file);
// The number the value starts with (decimal, or after 0x, 0o, 0b), else def.
uint32_t GetPrivateProfileInt(const char* section, const char* key, int def, const char* file);
// All "key=value" lines of a section (comments left out), NUL-separated,
// ending in two NULs.
uint32_t GetPrivateProfileSection(const char* section, char* out, uint32_t size, const char* file);
// Sets key (null key: removes the section; null value: removes the key),
// creating the file and section when absent; the rest of the file and its
// comments stay. Returns nonzero on success.
int WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file);

// ---- Paths ----
// Native path of a Windows path: "X:\a\b" becomes $DORLIX_ROOT/x/a/b, each existing
// component looked up without regard to case; backslashes become slashes.
// Relative paths stay relative to the current directory.
std::string MapPath(const char* winPath);
// The folder under which drive letters map (DORLIX_ROOT or the documented default).
std::string RootDir();
// "C:\WINDOWS\system32" and "C:\WINDOWS" inside the root; results as the Win32 calls.
uint32_t GetSystemDirectory(char* out, uint32_t size);
uint32_t GetWindowsDirectory(char* out, uint32_t size);

// ---- Files ----
constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
uint32_t GetFileAttributes(const char* winPath);
int SetFileAttributes(const char* winPath, uint32_t attributes);
int CopyFile(const char* from, const char* to, int failIfExists);
int DeleteFile(const char* winPath);
int CreateDirectory(const char* winPath);
bool FileExists(const char* winPath);
bool DirectoryExists(const char* winPath);
// Positions in an open std::FILE of 64 bits, also where long has 32 bits
// (the Windows C library's fseek and ftell). SeekFile moves to byte pos from
// the start; SeekFileEnd moves to the end and gives that position, the size.
// false when the stream cannot be positioned there.
bool SeekFile(std::FILE* f, uint64_t pos);
bool SeekFileEnd(std::FILE* f, uint64_t& size);

// ---- Text and process ----
// Upper-cases the ASCII letters of a GB2312 text in place; double-byte characters untouched.
char* CharUpper(char* text);
// Executable name of the calling process ("name.exe" style base name, as on Windows).
std::string ProcessName();
// Full path of the calling program, as a Windows-style path where possible.
std::string ProcessPath();
// Current local time, as GetLocalTime.
struct LocalTime {
    int year, month, day, hour, minute, second, millisecond, weekday;
};
LocalTime GetLocalTime();
void Sleep(uint32_t milliseconds);
// Last-write time of a file in local time; false when the file cannot be opened.
bool GetFileWriteTime(const char* winPath, LocalTime& out);

// ---- Operating system ----
// GetVersion: low byte major version, next byte minor version, high word build.
uint32_t GetVersion();
// A message for the operator (MessageBoxA with an OK button). Where no one can
// answer a box (DORLIX_NO_MESSAGE_BOX set, or no desktop), the text goes to
// standard error instead, so that nothing ever waits for a click.
void ShowMessage(const char* caption, const char* text);
// One text to the debugger output channel (OutputDebugStringA).
void OutputDebugString(const char* text);
// Whether that channel takes texts at all (always on Windows), so that
// callers need not format what nobody receives.
bool DebugOutputOpen();

// ---- Version resources ----
// Each string is absent when the resource does not have it.
struct VersionStrings {
    std::optional<std::string> fileVersion, productName, comments, specialBuild;
};
// Reads the version resource of the file at winPath (the calling program when
// null): the strings of its first translation. false when it has none readable.
bool ReadVersionResource(const char* winPath, VersionStrings& out);

// ---- Faults ----
// Runs fn(arg). On Windows a hardware fault inside it (an access violation
// through a bad pointer from the caller, ...) ends fn there: the library's
// critical sections taken inside are released and the result is false. On
// POSIX such a fault ends the program, as in any other library call; the
// result is always true.
bool RunGuarded(void (*fn)(void*), void* arg);
// Stops catching faults (at unload of the library).
void EndFaultGuard();

// ---- Locks and threads ----
// A process-wide recursive lock, a critical section on Windows. Usable with
// std::lock_guard and std::unique_lock.
class CriticalSection {
  public:
    CriticalSection();
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void lock();
    void unlock();
    bool try_lock();

  private:
    alignas(16) unsigned char state_[64];
};
// Starts fn(arg) on a thread of its own that keeps the library loaded while
// it runs: unloading the library meanwhile (FreeLibrary, dlclose) takes effect
// only once fn has returned, and then nothing of the library runs on that
// thread any more. false when no thread could be started.
bool StartLibraryThread(void (*fn)(void*), void* arg);

} // namespace plat
