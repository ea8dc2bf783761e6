// The machine's processes on POSIX, from /proc.
#include "platform/process.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>

#include "platform/posix/posixutil.h"

namespace plat {

namespace {
// The executable's file name, as Windows lists a process; a process whose
// executable the caller may not see gives its command name instead.
std::string ImageName(const std::string& dir) {
    char target[4096];
    const ssize_t n = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (n > 0) {
        std::string path(target, static_cast<size_t>(n));
        const std::string deleted = " (deleted)";
        if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
            path.resize(path.size() - deleted.size());
        return path.substr(path.rfind('/') + 1);
    }
    return ReadFirstLine(dir + "/comm");
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

// A POSIX process cannot be given an exit code from outside: it ends by SIGKILL.
bool EndProcess(uint32_t id, uint32_t) {
    return id != 0 && kill(static_cast<pid_t>(id), SIGKILL) == 0;
}

void EnableDebugPrivilege() {}

bool EmptyWorkingSet(uint32_t) {
    return false;
}

} // namespace plat
