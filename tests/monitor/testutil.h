// Small file and process helpers shared by the monitor tests.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace mt {

namespace fs = std::filesystem;

// A fresh folder under /tmp, removed with everything in it at the end.
struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/corwatch-test.XXXXXX";
        const char* p = mkdtemp(tmpl);
        path = p ? p : "";
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A harmless program under a chosen name: processes are matched by the name
// of their executable file, so a copy is needed, not a link.
inline bool MakeSleeper(const std::string& path) {
    std::error_code ec;
    fs::copy_file("/bin/sleep", path, fs::copy_options::overwrite_existing, ec);
    return !ec && chmod(path.c_str(), 0755) == 0;
}

// Starts argv[0] with the extra environment entries; stdout and stderr go to
// outFile when one is given.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                   const std::string& outFile = "") {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const auto& e : env)
        putenv(strdup(e.c_str()));
    if (!outFile.empty()) {
        int fd = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
    }
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

// True while the child runs; once it has ended it is reaped and its wait
// status stored.
inline bool StillRunning(pid_t pid, int* status) {
    return waitpid(pid, status, WNOHANG) == 0;
}

// Polls cond every 20 ms for at most limit; true when it came true.
template <class Cond> bool WaitUntil(Cond cond, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return cond();
}

inline void StopChild(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace mt
