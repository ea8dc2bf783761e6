// The Corlan program as a child process of a test, with its output collected
// from a pipe. The child runs with the given environment (the bus and simulator
// variables of the test's own shell are dropped first) and is killed when the
// object goes.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace vz5test {

class CorlanChild {
  public:
    explicit CorlanChild(const std::map<std::string, std::string>& env,
                         const std::vector<std::string>& args = {}) {
        int fds[2];
        if (pipe(fds) != 0) return;
        Pid = fork();
        if (Pid == 0) {
            dup2(fds[1], 1);
            dup2(fds[1], 2);
            close(fds[0]);
            close(fds[1]);
            for (const char* v : {"CORLAN_BUS", "CORLAN_SIM_PORT"})
                unsetenv(v);
            for (const auto& [k, v] : env)
                setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> argv;
            std::string prog = VZ5_BINARY_DIR "/bin/Corlan";
            argv.push_back(prog.data());
            std::vector<std::string> copy = args;
            for (auto& a : copy)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(prog.c_str(), argv.data());
            _exit(127);
        }
        close(fds[1]);
        Fd = fds[0];
        fcntl(Fd, F_SETFL, O_NONBLOCK);
    }
    ~CorlanChild() {
        if (Pid > 0 && !Done) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (Fd >= 0) close(Fd);
    }
    // Collects output until text appears or the time is up.
    bool WaitFor(const std::string& text, int ms = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (Out.find(text) == std::string::npos) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{Fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            ssize_t n = read(Fd, buf, sizeof buf);
            if (n > 0)
                Out.append(buf, static_cast<size_t>(n));
            else if (n == 0)
                return Out.find(text) != std::string::npos;
        }
        return true;
    }
    // Waits for the end of the process; returns its wait status or -1.
    int WaitExit(int ms = 10000) {
        for (int i = 0; i < ms / 10; ++i) {
            int st = 0;
            if (waitpid(Pid, &st, WNOHANG) == Pid) {
                Done = true;
                return st;
            }
            usleep(10000);
        }
        return -1;
    }
    bool Running() { return !Done && waitpid(Pid, nullptr, WNOHANG) == 0; }
    void Stop() {
        kill(Pid, SIGTERM);
        WaitExit();
    }

    pid_t Pid = -1;
    int Fd = -1;
    bool Done = false;
    std::string Out;
};

} // namespace vz5test
