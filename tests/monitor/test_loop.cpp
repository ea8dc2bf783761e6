// The real Corwatch program (through VZ5_TEST_EMULATOR on the board build) watching a temporary run
// directory, with the reboot replaced by its dry-run line.
//
// A shutdown request ends every process named "Corlan" or "mq5290" on the
// machine. So the scenario runs in a private process-id namespace with its
// own /proc wherever the system allows one (root, or unprivileged user
// namespaces): there the monitor can see only the processes this test
// started. Where no namespace can be made it runs on the host; the CTest
// resource lock "corlan_process" then keeps every other test that starts such
// a process from running at the same time.
#include "testutil.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>

#include <cstdio>
#include <iostream>

using namespace mt;

namespace {

// Filled by the scenario; lives in memory shared with the namespace's processes.
struct LoopReport {
    int finished;
    int setupFailed;
    int started;
    int corlanSignal; // signal that ended the process, 0 while it still ran
    int mqSignal;
    double stopSeconds; // from the request file to both processes ended
    int shutdownPrinted;
    int shutdownDeleted;
    int corlanxAlive;
    int subRebootKept;
    int rebootBeforeRequest;
    int rebootPrinted;
    int dryRunPrinted;
    int rebootDeleted;
    int monitorAlive;
    int corlanPid;
    int mqPid;
    char output[16384];
};

const int kNoNamespace = 90;

std::vector<std::string> MonitorCommand() {
    std::vector<std::string> cmd;
    std::string emulator = VZ5_TEST_EMULATOR;
    size_t start = 0;
    while (!emulator.empty() && start <= emulator.size()) {
        size_t bar = emulator.find('|', start);
        if (bar == std::string::npos) bar = emulator.size();
        cmd.push_back(emulator.substr(start, bar - start));
        start = bar + 1;
    }
    cmd.push_back(VZ5_BINARY_DIR "/bin/Corwatch");
    return cmd;
}

bool Contains(const std::string& file, const std::string& text) {
    return ReadFile(file).find(text) != std::string::npos;
}

int SignalOf(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!WaitUntil([&] { return !StillRunning(pid, &status); }, limit)) return 0;
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

int RunScenario(LoopReport* r, const std::string& tmp) {
    using namespace std::chrono_literals;
    const std::string run = tmp + "/run", bin = tmp + "/bin", out = tmp + "/corwatch.out";
    fs::create_directories(run + "/sub");
    fs::create_directories(bin);
    WriteFile(run + "/sub/reboot.txt", "");
    if (!MakeSleeper(bin + "/Corlan") || !MakeSleeper(bin + "/mq5290") || !MakeSleeper(bin + "/Corlanx")) {
        r->setupFailed = 1;
        return 0;
    }
    pid_t corlan = Spawn({bin + "/Corlan", "60"});
    pid_t mq = Spawn({bin + "/mq5290", "60"});
    pid_t corlanx = Spawn({bin + "/Corlanx", "60"});
    r->corlanPid = corlan;
    r->mqPid = mq;
    pid_t monitor = Spawn(MonitorCommand(), {"CORWATCH_RUNDIR=" + run, "CORWATCH_DRYRUN=1"}, out);

    // The first pass follows the banner at once; the request comes after it.
    std::string runEnv = "RunEnv: " + fs::canonical(run).string() + "\n\n";
    r->started = WaitUntil([&] { return Contains(out, runEnv); }, 20s);
    // Let the exec of the sleepers complete, so the monitor sees their names.
    std::this_thread::sleep_for(200ms);

    auto t0 = std::chrono::steady_clock::now();
    WriteFile(run + "/shutdown.txt", "");
    r->corlanSignal = SignalOf(corlan, 15s);
    r->mqSignal = SignalOf(mq, 15s);
    r->stopSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r->shutdownPrinted = WaitUntil([&] { return Contains(out, "Corwatch: shutdown!\n"); }, 10s);
    r->shutdownDeleted = !fs::exists(run + "/shutdown.txt");
    int status = 0;
    r->corlanxAlive = StillRunning(corlanx, &status);
    // The pass that served the shutdown looked for a reboot request first.
    r->subRebootKept = fs::exists(run + "/sub/reboot.txt");
    r->rebootBeforeRequest = Contains(out, "Reboot!");

    WriteFile(run + "/reboot.txt", "");
    r->dryRunPrinted = WaitUntil([&] { return Contains(out, "Corwatch: dry run"); }, 15s);
    r->rebootPrinted = Contains(out, "Corwatch: Reboot!\n");
    r->rebootDeleted = !fs::exists(run + "/reboot.txt");
    r->monitorAlive = StillRunning(monitor, &status);

    StopChild(monitor);
    StopChild(corlanx);
    StopChild(corlan);
    StopChild(mq);
    snprintf(r->output, sizeof r->output, "%s", ReadFile(out).c_str());
    r->finished = 1;
    return 0;
}

bool WriteProcFile(const char* path, const std::string& text) {
    int fd = open(path, O_WRONLY);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
    close(fd);
    return ok;
}

// Namespaces for pids and mounts; without privilege a user namespace first,
// mapping the caller's ids so the test files keep their owner.
bool EnterNamespaces() {
    if (unshare(CLONE_NEWPID | CLONE_NEWNS) == 0) return true;
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNS) != 0) return false;
    WriteProcFile("/proc/self/setgroups", "deny");
    return WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

// Runs the scenario as process 1 of a new pid namespace with its own /proc;
// kNoNamespace when the system refuses one. Every process left in the
// namespace ends with its process 1.
int RunIsolated(LoopReport* r, const std::string& tmp) {
    pid_t outer = fork();
    if (outer < 0) return kNoNamespace;
    if (outer == 0) {
        if (!EnterNamespaces()) _exit(kNoNamespace);
        // Private first, so that the new /proc stays inside this namespace.
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(kNoNamespace);
        pid_t init = fork();
        if (init < 0) _exit(kNoNamespace);
        if (init == 0) {
            if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
                _exit(kNoNamespace);
            _exit(RunScenario(r, tmp));
        }
        int status = 0;
        waitpid(init, &status, 0);
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 91);
    }
    int status = 0;
    waitpid(outer, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 92;
}

TEST(CorwatchLoop, ServesShutdownAndRebootRequestsAndKeepsPolling) {
    auto* r = static_cast<LoopReport*>(
        mmap(nullptr, sizeof(LoopReport), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(r, MAP_FAILED);
    memset(r, 0, sizeof *r);
    TempDir tmp;
    ASSERT_FALSE(tmp.path.empty());

    int rc = RunIsolated(r, tmp.path.string());
    if (rc == kNoNamespace) {
        std::cout << "no private pid namespace here: running on the host under the resource lock\n";
        memset(r, 0, sizeof *r);
        rc = RunScenario(r, tmp.path.string());
    }
    ASSERT_EQ(rc, 0);
    ASSERT_FALSE(r->setupFailed);
    ASSERT_TRUE(r->finished);
    std::string out = r->output;
    std::cout << "stop request served after " << r->stopSeconds << " s\n";

    ASSERT_TRUE(r->started) << out;
    EXPECT_EQ(out.rfind("Corwatch System Software Ver:0.2.1.1 \nSupport Max8 PLCs.\nRunEnv: ", 0), 0u) << out;

    // Shutdown: both station programs end by SIGTERM within one 3 s period
    // (plus slack for a loaded machine), the request is deleted.
    EXPECT_EQ(r->corlanSignal, SIGTERM) << out;
    EXPECT_EQ(r->mqSignal, SIGTERM) << out;
    EXPECT_LT(r->stopSeconds, 3.0 + 4.0);
    EXPECT_TRUE(r->shutdownPrinted) << out;
    EXPECT_NE(out.find("Kill Corlan " + std::to_string(r->corlanPid) + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Kill mq5290 " + std::to_string(r->mqPid) + "\n"), std::string::npos) << out;
    EXPECT_TRUE(r->shutdownDeleted);
    EXPECT_TRUE(r->corlanxAlive) << "a program named Corlanx is not the controller";

    // A reboot request in a subfolder is no request.
    EXPECT_TRUE(r->subRebootKept);
    EXPECT_FALSE(r->rebootBeforeRequest) << out;

    // Reboot: announced, deleted, and the dry run stands in for the restart.
    EXPECT_TRUE(r->rebootPrinted) << out;
    EXPECT_TRUE(r->dryRunPrinted) << out;
    EXPECT_TRUE(r->rebootDeleted);
    EXPECT_LT(out.find("Corwatch: Reboot!\n"), out.find("Corwatch: dry run"));
    EXPECT_TRUE(r->monitorAlive) << "the monitor keeps polling";
    munmap(r, sizeof *r);
}

} // namespace
