// A Corlan process whose PLC task has finished its program: hosts still get a
// report cycle every few seconds, and the idle process leaves the processor free.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "corlanchild.h"
#include "corlanrun.h"

namespace {

using Clock = std::chrono::steady_clock;

class IdleReportTest : public ::testing::Test {
  protected:
    IdleReportTest()
        : Run("[board]\nkind = 0xA3\ntasks = 1\n[slots]\n2 = 0x83\n",
              {{"plc1/RESET.PLC", "OUT:2,0,1\nEXIT\n"}}) {}

    vz5test::CorlanRun Run;
};

// Processor time (user + system) of a process in seconds, from /proc.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

TEST_F(IdleReportTest, ReportsKeepComingWhileTheTasksIdle) {
    vz5test::CorlanChild corlan(Run.Env());
    ASSERT_TRUE(corlan.WaitFor("PLC1: RESET.PLC End!\n")) << corlan.Out;

    // Become a peer: any datagram from this socket registers it.
    vz5test::HostPeer pc;
    pc.Send(Run.Port, "hello");

    // The first report frame of each cycle comes from the same card: count the
    // cycles by it. With the period counted in processor time an idle board
    // would hardly ever report.
    std::string first;
    int cycles = 0;
    double cpuStart = -1;
    auto start = Clock::now(), end = start + std::chrono::seconds(25);
    while (cycles < 3 && Clock::now() < end) {
        std::string frame = pc.Receive("{CMD_HARD:", "", 1000);
        if (frame.empty()) continue;
        std::string type = frame.substr(0, frame.find(';'));
        if (first.empty()) first = type;
        if (type != first) continue;
        if (++cycles == 1) {
            cpuStart = CpuSeconds(corlan.Pid);
            start = Clock::now();
        }
    }
    ASSERT_EQ(cycles, 3) << "report cycles seen: " << cycles << "\n" << corlan.Out;

    // Two cycles of wall time (at least 5 s) with an idle PLC task: a task that
    // spun would have used about as much processor time as wall time.
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    double cpu = CpuSeconds(corlan.Pid) - cpuStart;
    EXPECT_GE(wall, 4.9);
    EXPECT_LT(cpu, wall / 2) << "processor seconds " << cpu << " in " << wall << " s";
}

} // namespace
