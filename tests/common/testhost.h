// What the library tests need of the machine they run on, on POSIX and on
// Windows (under Wine): private folders, environment variables, the built
// programs and library, child processes. One source per platform
// (testhost_posix.cpp, testhost_win32.cpp) implements it.
#pragma once
#include <string>
#include <vector>

#ifndef VZ5_TEST_WINDOWS
#define VZ5_TEST_WINDOWS 0
#endif

namespace vz5test {

// True in the Windows build of the tests.
constexpr bool kWindows = VZ5_TEST_WINDOWS != 0;

// Marks a test that checks what one platform alone has: on the other it is
// skipped, with the reason in the test log.
#define VZ5_POSIX_ONLY(why) \
    if (::vz5test::kWindows) GTEST_SKIP() << "POSIX only: " << why
#define VZ5_WINDOWS_ONLY(why) \
    if (!::vz5test::kWindows) GTEST_SKIP() << "Windows only: " << why

// ---- Files and folders (native paths) ----
// A new, empty private folder; its name starts with stem.
std::string MakeTempFolder(const std::string& stem);
// Removes a folder and everything below it, read-only and hidden entries too.
void RemoveTree(const std::string& path);
// Lets the test overwrite a file the library keeps read-only (and hidden).
void MakeWritable(const std::string& path);
void MakeReadOnly(const std::string& path);
bool IsReadOnly(const std::string& path);
// Native path joined from a folder and a relative path with "/" separators.
std::string Join(const std::string& folder, const std::string& rel);

// ---- Environment ----
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// ---- Programs ----
// A program of the build, by the stem of its name ("dorlix", "test_envlib_env_host").
std::string BuiltProgram(const std::string& stem);
// The built station library (libdorlix.so, Dorlix.dll).
std::string LibraryFile();
// The file name of the running test program, as the process list shows it.
std::string ThisProgramName();
// The folder of the running test program.
std::string ThisProgramFolder();

struct ProgramRun {
    int exitCode = -1;
    std::string out; // standard output
};
// Runs program with args, in the test's environment, and waits for it. The
// output's line ends are "\n" on every platform. With an input file (native
// path), the program reads it as its standard input.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& inputFile = {});

// POSIX only: reads the pipe fd to its end into *out, closes it, and waits for
// the child process pid: its exit code, or -1 when it did not exit normally.
int CollectChild(int fd, long long pid, std::string* out);

// A program the test starts and lets run: ended at destruction if still running.
class Child {
  public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    // Starts program with args in the test's environment, output not captured.
    bool Start(const std::string& program, const std::vector<std::string>& args);
    // Waits up to ms milliseconds for the end: true, with its exit code, once ended.
    bool Wait(int ms, int* exitCode = nullptr);
    // Ends the child if it still runs (never another process).
    void Kill();

  private:
    long long id_ = 0;     // process id (POSIX)
    void* handle_ = nullptr; // process handle (Windows)
    bool ended_ = true;
};

// Whether the library's file calls find read-only files refused for writing.
// Under Wine running as root they are not: Wine keeps read-only as the Unix
// write permission, which root does not need.
bool ReadOnlyFilesRefuseWrites();

// ---- The library loaded as a host loads it ----
class Library {
  public:
    Library() = default;
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool Load(const std::string& path);
    void* Symbol(const char* name) const;
    void Unload();
    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }
    template <class F> F Function(const char* name) const { return reinterpret_cast<F>(Symbol(name)); }

  private:
    void* handle_ = nullptr;
    std::string error_;
};

// A string of the version resource of a file ("FileDescription", ...), in
// the local code page; empty where there is none (always on POSIX).
std::string VersionResourceString(const std::string& path, const std::string& name);
// Sets the last-write time of a file to noon, local time, of a day.
void SetFileDay(const std::string& path, int year, int month, int day);
// Sets the last-write time of a file to a moment given in milliseconds since
// 1970 (UTC), milliseconds included.
void SetFileWriteTime(const std::string& path, long long unixMilliseconds);

// ---- The station's fixed places ----
// What the library's GetSystemDirectory and GetWindowsDirectory answer.
std::string SystemDirectory();
std::string WindowsDirectory();
// Where the file system keeps the Windows path winPath of a station whose
// root is root (POSIX: root/<drive letter>/..., Windows: winPath itself).
std::string StationNative(const std::string& root, const std::string& winPath);
// Prepares the station's fixed places for a test. POSIX: points the library
// at root. Windows: the places are those of the test prefix (system folders,
// drive D:, new folders of drive C:); everything tests leave there is cleared.
void ClaimStation(const std::string& root);
void ReleaseStation(const std::string& root);
// Native paths of what tests made on the station (for "nothing was created").
std::vector<std::string> StationEntries(const std::string& root);

} // namespace vz5test
