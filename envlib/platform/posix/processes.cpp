// The machine's processes on POSIX, from /proc.
#include "platform/process.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "platform/cmdline.h"
#include "platform/platform.h"
#include "platform/posix/posixutil.h"

extern char** environ;

namespace plat {

namespace {
// The executable's path from a /proc/<id> folder; empty when hidden.
std::string ExecutablePath(const std::string& dir) {
    char target[4096];
    const ssize_t n = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (n <= 0) return std::string();
    std::string path(target, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

// The executable's file name, as Windows lists a process; a process whose
// executable the caller may not see gives its command name instead.
std::string ImageName(const std::string& dir) {
    const std::string path = ExecutablePath(dir);
    if (!path.empty()) return path.substr(path.rfind('/') + 1);
    return ReadFirstLine(dir + "/comm");
}

bool IsStationPath(const std::string& name) {
    return name.find('\\') != std::string::npos ||
           (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':');
}
} // namespace

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> list;
    DIR* proc = opendir("/proc");
    if (!proc) return list;
    while (const dirent* e = readdir(proc)) {
        const char* p = e->d_name;
        if (!std::isdigit(static_cast<unsigned char>(*p))) continue;
        uint32_t id = 0;
        for (; std::isdigit(static_cast<unsigned char>(*p)); ++p)
            id = id * 10 + static_cast<uint32_t>(*p - '0');
        if (*p) continue;
        std::string name = ImageName(std::string("/proc/") + e->d_name);
        if (!name.empty()) list.push_back({id, name});
    }
    closedir(proc);
    return list;
}

uint32_t CurrentProcessId() {
    return static_cast<uint32_t>(getpid());
}

std::string ProcessImagePath(uint32_t id) {
    return ExecutablePath("/proc/" + std::to_string(id));
}

bool RunAndWait(const std::string& commandLine, int) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) return false;
    if (IsStationPath(args[0])) args[0] = MapPath(args[0].c_str());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

// A POSIX process cannot be given an exit code from outside: it ends by SIGKILL.
bool EndProcess(uint32_t id, uint32_t) {
    return id != 0 && kill(static_cast<pid_t>(id), SIGKILL) == 0;
}

void EnableDebugPrivilege() {}

bool EmptyWorkingSet(uint32_t) {
    return false;
}

} // namespace plat
