// Finding and ending programs by name, on copies of a harmless program under a
// name no other process on the machine carries.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "process.h"

namespace {

TEST(Process, Basename) {
    char p1[] = "/usr/bin/Corlan", p2[] = "Corlan", p3[] = "dir/", p4[] = "";
    EXPECT_STREQ(GetBasename(p1), "Corlan");
    EXPECT_STREQ(GetBasename(p2), "Corlan");
    EXPECT_STREQ(GetBasename(p3), "");
    EXPECT_STREQ(GetBasename(p4), "");
}

class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-proc.XXXXXX";
        Dir = mkdtemp(tmpl);
        Name = "sleeper" + std::to_string(getpid());
        Prog = Dir + "/" + Name;
        std::ifstream src("/bin/sleep", std::ios::binary);
        std::ofstream(Prog, std::ios::binary) << src.rdbuf();
        chmod(Prog.c_str(), 0755);
    }
    void TearDown() override {
        for (pid_t p : Children) {
            kill(p, SIGKILL);
            waitpid(p, nullptr, 0);
        }
        (void)system(("rm -rf '" + Dir + "'").c_str());
    }
    pid_t Start() {
        pid_t p = fork();
        if (p == 0) {
            execl(Prog.c_str(), Name.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        Children.push_back(p);
        // Wait until the child runs the copied program.
        for (int i = 0; i < 200; ++i) {
            int ids[MAXPROCIDS + 1];
            int n = GetProcessID(Prog.c_str(), ids);
            for (int k = 0; k < n && k < MAXPROCIDS; ++k)
                if (ids[k] == p) return p;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return p;
    }
    std::string Dir, Name, Prog;
    std::vector<pid_t> Children;
};

TEST_F(ProcessTest, FindsInstancesByProgramName) {
    int ids[MAXPROCIDS + 1];
    EXPECT_EQ(GetProcessID(Name.c_str(), ids), 0);
    EXPECT_EQ(ids[0], 0);
    pid_t a = Start();
    pid_t b = Start();
    ASSERT_EQ(GetProcessID(("/any/dir/" + Name).c_str(), ids), 2);
    EXPECT_EQ(ids[2], 0);
    EXPECT_TRUE((ids[0] == a && ids[1] == b) || (ids[0] == b && ids[1] == a));
    // A prefix of the name or a longer name is another program.
    EXPECT_EQ(GetProcessID(Name.substr(0, Name.size() - 1).c_str(), ids), 0);
    EXPECT_EQ(GetProcessID((Name + "x").c_str(), ids), 0);
}

TEST_F(ProcessTest, KillEndsAllButTheLastListed) {
    EXPECT_EQ(KillProcess(Name.c_str(), 0), 0); // none runs
    Start();
    EXPECT_EQ(KillProcess(Name.c_str(), 1), 1); // only one: kept
    EXPECT_EQ(KillProcess(Name.c_str(), 0), 0); // single entry: nothing signalled
    Start();
    int ids[MAXPROCIDS + 1];
    ASSERT_EQ(GetProcessID(Name.c_str(), ids), 2);
    EXPECT_EQ(KillProcess(Name.c_str(), 1), ids[0]);
    int status = 0;
    ASSERT_EQ(waitpid(ids[0], &status, 0), ids[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(waitpid(ids[1], &status, WNOHANG), 0); // the newest still runs
}

} // namespace
