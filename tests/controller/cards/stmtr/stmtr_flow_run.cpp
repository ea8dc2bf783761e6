// The stepper card inside a running controller: a flow program starts a move, waits
// for its end, checks the counter and then sets an output; the status report shows
// the counted steps.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "corlanchild.h"
#include "loopback.h"

namespace {

using vz5test::FreeUdpPort;
using vz5test::UdpAsk;

constexpr int OutL = 37; // I/O lines 0-7 of the card
constexpr int Busy = 24; // busy register

class StmtrFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-stmtr.XXXXXX";
        Dir = mkdtemp(tmpl);
        mkdir((Dir + "/home").c_str(), 0755);
        mkdir((Dir + "/plc1").c_str(), 0755);
        std::ofstream(Dir + "/rack.ini") << "[board]\nkind = 0xA3\ntasks = 1\n[slots]\n2 = 0x81\n";
        Port = FreeUdpPort();
        SimPort = FreeUdpPort();
    }
    void TearDown() override { (void)system(("rm -rf '" + Dir + "'").c_str()); }
    void Program(const std::string& name, const std::string& text) {
        std::ofstream(Dir + "/plc1/" + name) << text;
    }
    std::map<std::string, std::string> Env() const {
        return {{"CORLAN_RUNDIR", Dir},
                {"CORLAN_PIDFILE", Dir + "/pid"},
                {"CORLAN_PORT", std::to_string(Port)},
                {"CORLAN_IFACE", "lo"},
                {"CORLAN_HOMEDIR", Dir + "/home"},
                {"CORLAN_BUS", "sim:" + Dir + "/rack.ini"},
                {"CORLAN_SIM_PORT", std::to_string(SimPort)}};
    }
    int Reg(int reg) const {
        std::string r = UdpAsk(SimPort, "get 2 " + std::to_string(reg));
        return r.empty() || r[0] < '0' || r[0] > '9' ? -1 : std::stoi(r);
    }
    bool Until(int reg, int value, int ms) const {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (Reg(reg) != value) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    std::string Dir;
    int Port = 0, SimPort = 0;
};

TEST_F(StmtrFlow, MoveWaitCountThenOutput) {
    Program("RESET.PLC", "G_AR:1\nEXIT\n");
    // 600 steps at 200 per second: the rack keeps the motor busy for 3 s.
    Program("FLOW.PLC", "ROCLR:2,1,0\n"
                        "MOT:2,1,600&200&0 ; forward\n"
                        "LMOT:2,1\n"
                        "ROW:2,1,600\n"
                        "OUT:2,4,1 ; in position\n"
                        "EXIT\n");
    vz5test::CorlanChild corlan(Env());
    ASSERT_TRUE(corlan.WaitFor("Task_MOT OK[1]:SlotIDx:2, ChIdx:1 600&200&0")) << corlan.Out;
    EXPECT_NE(corlan.Out.find("Debug: STMTR: MOT ChIdx:1, Step:600, Dir:0, EnStop:0, EnExtSTop:0, "
                              "StopSensorDir:0, StepFreq:200, StartStep:0, CompensateStep:0, EnCntStop:0, "
                              "StepStop:0\n"),
              std::string::npos)
        << corlan.Out;

    // While the motor runs, the flow waits at LMOT.
    EXPECT_EQ(Reg(Busy) & 0x02, 0x02);
    EXPECT_EQ(Reg(OutL) & 0x10, 0);

    ASSERT_TRUE(Until(OutL, 0x10, 10000)) << corlan.Out;
    EXPECT_EQ(Reg(Busy) & 0x02, 0);
    EXPECT_TRUE(corlan.WaitFor("SYN_ROW: SlotIdx:2 ChIdx:1 600\n", 2000)) << corlan.Out;

    // Become a peer and read the card's status report.
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    timeval tv{1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(Port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(s, "hello", 5, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::string report;
    for (int i = 0; i < 10 && report.empty(); ++i) {
        char buf[4096];
        ssize_t n = recv(s, buf, sizeof buf - 1, 0);
        if (n <= 0) continue;
        std::string frame(buf, static_cast<size_t>(n));
        if (frame.find("Type=Vekt_STMTR;") != std::string::npos) report = frame;
    }
    close(s);
    ASSERT_FALSE(report.empty()) << "no status report of the stepper card";
    EXPECT_NE(report.find("SlotID=2;IOL8=16;"), std::string::npos) << report;
    EXPECT_NE(report.find(";CNT1=600;"), std::string::npos) << report;
    EXPECT_NE(report.find(";OCNT1=1200;"), std::string::npos) << report;
    EXPECT_TRUE(corlan.Running());
    corlan.Stop();
}

} // namespace
