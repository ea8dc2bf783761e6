// The test host on POSIX: folders under /tmp, fork and exec, dlopen, and a
// station that is a private DORLIX_ROOT.
#include "testhost.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <ctime>
#include <filesystem>

#ifndef VZ5_BINARY_DIR
#error "VZ5_BINARY_DIR names the build folder"
#endif

namespace vz5test {
namespace fs = std::filesystem;

std::string MakeTempFolder(const std::string& stem) {
    std::string tmpl = "/tmp/" + stem + "-XXXXXX";
    const char* made = mkdtemp(tmpl.data());
    return made ? std::string(made) : std::string();
}

void RemoveTree(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    // Folders the library made read-only would keep their entries.
    for (auto& e : fs::recursive_directory_iterator(path, ec)) {
        if (e.is_directory(ec)) chmod(e.path().c_str(), 0755);
    }
    fs::remove_all(path, ec);
}

void MakeWritable(const std::string& path) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
}

void MakeReadOnly(const std::string& path) {
    chmod(path.c_str(), 0444);
}

bool IsReadOnly(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

std::string Join(const std::string& folder, const std::string& rel) {
    return rel.empty() ? folder : folder + "/" + rel;
}

void SetEnv(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) {
    unsetenv(name.c_str());
}

std::string BuiltProgram(const std::string& stem) {
    return std::string(VZ5_BINARY_DIR) + "/bin/" + stem;
}

std::string LibraryFile() {
    return std::string(VZ5_BINARY_DIR) + "/lib/libdorlix.so";
}

std::string ThisProgramName() {
    return fs::read_symlink("/proc/self/exe").filename().string();
}

std::string ThisProgramFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path().string();
}

namespace {

// The child's side of a start: runs program with args, never returns.
[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

} // namespace

int CollectChild(int fd, long long pid, std::string* out) {
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        out->append(buf, static_cast<size_t>(n));
    close(fd);
    int status = 0;
    waitpid(static_cast<pid_t>(pid), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& inputFile) {
    int pipeFd[2];
    if (pipe(pipeFd) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        if (!inputFile.empty()) {
            const int in = open(inputFile.c_str(), O_RDONLY);
            if (in < 0) _exit(127);
            dup2(in, 0);
            close(in);
        }
        dup2(pipeFd[1], 1);
        close(pipeFd[0]);
        close(pipeFd[1]);
        Exec(program, args);
    }
    close(pipeFd[1]);
    ProgramRun r;
    r.exitCode = CollectChild(pipeFd[0], pid, &r.out);
    return r;
}

Child::~Child() {
    Kill();
}

bool Child::Start(const std::string& program, const std::vector<std::string>& args) {
    Kill();
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) Exec(program, args);
    id_ = pid;
    ended_ = false;
    return true;
}

bool Child::Wait(int ms, int* exitCode) {
    if (ended_) return true;
    for (int waited = 0;; waited += 10) {
        int status = 0;
        if (waitpid(static_cast<pid_t>(id_), &status, WNOHANG) == static_cast<pid_t>(id_)) {
            ended_ = true;
            if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (waited >= ms) return false;
        usleep(10000);
    }
}

void Child::Kill() {
    if (ended_) return;
    kill(static_cast<pid_t>(id_), SIGKILL);
    waitpid(static_cast<pid_t>(id_), nullptr, 0);
    ended_ = true;
}

// The POSIX layer refuses to write a read-only file by itself, whoever runs it.
bool ReadOnlyFilesRefuseWrites() {
    return true;
}

Library::~Library() {
    Unload();
}

bool Library::Load(const std::string& path) {
    Unload();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* e = dlerror();
        error_ = e ? e : "dlopen failed";
    }
    return handle_ != nullptr;
}

void* Library::Symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

void Library::Unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

std::string VersionResourceString(const std::string&, const std::string&) {
    return std::string();
}

void SetFileDay(const std::string& path, int year, int month, int day) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = mktime(&t);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void SetFileWriteTime(const std::string& path, long long unixMilliseconds) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(unixMilliseconds / 1000);
    times[0].tv_nsec = times[1].tv_nsec = static_cast<long>(unixMilliseconds % 1000) * 1000000L;
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// The POSIX layer's folders, created on first use inside the root.
std::string SystemDirectory() {
    return "C:\\WINDOWS\\system32";
}

std::string WindowsDirectory() {
    return "C:\\WINDOWS";
}

std::string StationNative(const std::string& root, const std::string& winPath) {
    std::string p = winPath;
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(p[0])));
        std::string rest = p.substr(2);
        if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
        return root + "/" + drive + (rest.empty() ? "" : "/" + rest);
    }
    return p;
}

namespace {
// Stations may nest (one per test program and one per test): each release
// gives the library back the root it had before.
std::vector<std::string>& EarlierRoots() {
    static std::vector<std::string> roots;
    return roots;
}
} // namespace

void ClaimStation(const std::string& root) {
    const char* old = getenv("DORLIX_ROOT");
    EarlierRoots().push_back(old ? old : "");
    SetEnv("DORLIX_ROOT", root);
}

void ReleaseStation(const std::string&) {
    std::string old;
    if (!EarlierRoots().empty()) {
        old = EarlierRoots().back();
        EarlierRoots().pop_back();
    }
    if (old.empty())
        UnsetEnv("DORLIX_ROOT");
    else
        SetEnv("DORLIX_ROOT", old);
}

std::vector<std::string> StationEntries(const std::string& root) {
    std::vector<std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
         it.increment(ec))
        entries.push_back(it->path().string());
    return entries;
}

} // namespace vz5test
