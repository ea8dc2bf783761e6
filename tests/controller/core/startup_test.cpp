// The Corlan program as a child process: start-up on the simulated rack, the
// single-instance rule, the no-hardware path and the task count rule.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "corlanchild.h"
#include "loopback.h"

namespace {

using vz5test::FreeUdpPort;
using vz5test::UdpAsk;

using Child = vz5test::CorlanChild;

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-start.XXXXXX";
        Dir = mkdtemp(tmpl);
        mkdir((Dir + "/home").c_str(), 0755);
        mkdir((Dir + "/plc1").c_str(), 0755);
        mkdir((Dir + "/plc2").c_str(), 0755);
        std::ofstream(Dir + "/plc1/RESET.PLC") << "; reset\nEXIT\n";
        std::ofstream(Dir + "/plc2/RESET.PLC") << "; reset\nEXIT\n";
        std::ofstream(Dir + "/rack.ini") << "[board]\nkind = 0xA3\ntasks = 2\n[slots]\n2 = 0x83\n";
        Env = {{"CORLAN_RUNDIR", Dir},
               {"CORLAN_PIDFILE", Dir + "/pid"},
               {"CORLAN_PORT", std::to_string(FreeUdpPort())},
               {"CORLAN_IFACE", "lo"},
               {"CORLAN_HOMEDIR", Dir + "/home"}};
    }
    void TearDown() override { (void)system(("rm -rf '" + Dir + "'").c_str()); }
    std::map<std::string, std::string> SimEnv() {
        auto env = Env;
        env["CORLAN_BUS"] = "sim:" + Dir + "/rack.ini";
        SimPort = FreeUdpPort();
        env["CORLAN_SIM_PORT"] = std::to_string(SimPort);
        return env;
    }
    std::string Dir;
    std::map<std::string, std::string> Env;
    int SimPort = 0;
};

size_t Pos(const std::string& out, const std::string& text) {
    size_t p = out.find(text);
    EXPECT_NE(p, std::string::npos) << "missing: " << text << "\n" << out;
    return p;
}

TEST_F(StartupTest, StartsOnTheSimulatedRackWithTheBoardsTaskCount) {
    Child c(SimEnv());
    const char* loads[] = {"Debug: Load TaskKey.\n", "Debug: Load TaskNet.\n", "Debug: Load TaskNetSnd.\n",
                           "PLC1: Load TaskPLC1.\n", "PLC2: Load TaskPLC2.\n", "GlobeHKey Task Load\n"};
    // The threads print in whatever order the scheduler runs them: wait for every one.
    for (const char* load : loads)
        ASSERT_TRUE(c.WaitFor(load)) << load << c.Out;
    ASSERT_TRUE(c.WaitFor("UDP Port=" + Env["CORLAN_PORT"] + "\n")) << c.Out;
    const std::string& o = c.Out;
    size_t banner = Pos(o, "Corlan System Software Ver:0.8.0.1 \nSupport Max8 PLCs.\n");
    size_t check = Pos(o, "Check: Not Runnning\n");
    Pos(o, "PID: " + std::to_string(c.Pid) + "\n");
    Pos(o, "MAC: 00:00:00:00:00:00\nIP: 127.0.0.1\n");
    Pos(o, "RunEnv: " + Dir + "\n\n");
    size_t scan = Pos(o, "Scan Hardware Device Card...\nHardware Installed [Plov]!\n");
    Pos(o, "CardID: 0xa4 SlotID: 0 Type: Vekt_CPU\nCardID: 0x83 SlotID: 2 Type: Vekt_IOS\n\n");
    size_t allow = Pos(o, "Allow PLC[1]: 2\n");
    EXPECT_LT(banner, check);
    EXPECT_LT(check, scan);
    EXPECT_LT(scan, allow);
    for (const char* load : loads)
        EXPECT_GT(Pos(o, load), allow) << load;
    EXPECT_EQ(o.find("Load TaskPLC3"), std::string::npos);
    EXPECT_EQ(o.find("lost Task quit"), std::string::npos);

    // The pid file holds this instance.
    std::ifstream pid(Dir + "/pid");
    std::string line;
    std::getline(pid, line);
    EXPECT_EQ(line, std::to_string(c.Pid));

    // The simulator answers, and the keypad task reads the key it presents.
    EXPECT_EQ(UdpAsk(SimPort, "get 0 1"), "163");
    EXPECT_EQ(UdpAsk(SimPort, "key 0x66"), "ok");
    // The second number is task 1's slot, which the task may already have taken.
    EXPECT_TRUE(c.WaitFor("Debug: TaskKey: KeyPad=15 ", 5000)) << c.Out;

    // A datagram to the controller makes its sender a peer.
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(std::stoi(Env["CORLAN_PORT"])));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(s, "hello", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    sockaddr_in me{};
    socklen_t len = sizeof me;
    getsockname(s, reinterpret_cast<sockaddr*>(&me), &len);
    EXPECT_TRUE(
        c.WaitFor("Add [127.0.0.1 " + std::to_string(ntohs(me.sin_port)) + "] to System ! Total=0 !\n", 5000))
        << c.Out;
    close(s);
    EXPECT_TRUE(c.Running());
    c.Stop();
}

TEST_F(StartupTest, SecondStartEndsTheFirstAndRunsWithoutHardware) {
    if (access("/dev/em_isa", F_OK) == 0 || access("/dev/em335x_isa", F_OK) == 0)
        GTEST_SKIP() << "bus device present";
    Child first(SimEnv());
    ASSERT_TRUE(first.WaitFor("Allow PLC[1]: 2\n")) << first.Out;

    // Without a bus setting and without a device; task 2 has no reset program.
    unlink((Dir + "/plc1/RESET.PLC").c_str());
    auto env = Env;
    env["CORLAN_PORT"] = std::to_string(FreeUdpPort());
    Child second(env);
    ASSERT_TRUE(second.WaitFor("Allow PLC[1]: 1\n")) << second.Out;
    int st = first.WaitExit();
    EXPECT_TRUE(st != -1 && WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st;

    ASSERT_TRUE(second.WaitFor("PLC1: Leave TaskPLC1.\n")) << second.Out;
    const std::string& o = second.Out;
    Pos(o, "Corlan Load Driver Failed![-1] \n\n");
    size_t running = Pos(o, "Check: Runnning\n");
    EXPECT_EQ(o.find("Not Runnning"), std::string::npos);
    EXPECT_GT(Pos(o, "No Hardware Installed!\n"), running);
    Pos(o, "PLC1: RESET.PLC lost Task quit!\n");
    EXPECT_EQ(o.find("CardID:"), std::string::npos);
    usleep(300000);
    EXPECT_TRUE(second.Running()) << second.Out;
    second.Stop();
}

TEST_F(StartupTest, ArgumentSetsTheTaskCount) {
    struct {
        const char* arg;
        const char* allow;
        const char* lastTask; // the highest PLC task that loads
        const char* absent;   // the next one, which must not
    } cases[] = {{"3", "Allow PLC[2]: 3\n", "PLC3: Load TaskPLC3.\n", "Load TaskPLC4"},
                 {"0", "Allow PLC[2]: 1\n", "PLC1: Load TaskPLC1.\n", "Load TaskPLC2"},
                 {"9", "Allow PLC[2]: 1\n", "PLC1: Load TaskPLC1.\n", "Load TaskPLC2"},
                 {"abc", "Allow PLC[2]: 1\n", "PLC1: Load TaskPLC1.\n", "Load TaskPLC2"}};
    for (const auto& c : cases) {
        auto env = SimEnv();
        env["CORLAN_BUS"] = "dev:" + Dir + "/missing";
        Child child(env, {c.arg});
        EXPECT_TRUE(child.WaitFor(c.lastTask)) << c.arg << "\n" << child.Out;
        EXPECT_NE(child.Out.find(c.allow), std::string::npos) << c.arg << "\n" << child.Out;
        child.WaitFor("Load TaskNetSnd", 2000);
        EXPECT_EQ(child.Out.find(c.absent), std::string::npos) << child.Out;
        child.Stop();
    }
}

TEST_F(StartupTest, BusyPortLeavesTheTasksRunning) {
    int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len);
    auto env = SimEnv();
    env["CORLAN_PORT"] = std::to_string(ntohs(a.sin_port));
    Child c(env);
    EXPECT_TRUE(c.WaitFor("bind error")) << c.Out;
    EXPECT_TRUE(c.WaitFor("PLC2: Load TaskPLC2.\n")) << c.Out;
    usleep(200000);
    EXPECT_TRUE(c.Running());
    c.Stop();
    close(holder);
}

} // namespace
