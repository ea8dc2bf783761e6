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
#include "corlanrun.h"

namespace {

using vz5test::CorlanRun;

constexpr int OutL = 37; // I/O lines 0-7 of the card
constexpr int Busy = 24; // busy register

class StmtrFlow : public ::testing::Test {
  protected:
    StmtrFlow() : Run("[board]\nkind = 0xA3\ntasks = 1\n[slots]\n2 = 0x81\n", {}) {}
    void Program(const std::string& name, const std::string& text) {
        std::ofstream(Run.Dir + "/plc1/" + name) << text;
    }
    std::map<std::string, std::string> Env() const { return Run.Env(); }
    int Reg(int reg) const { return Run.Reg(2, reg); }
    bool Until(int reg, int value, int ms) const {
        return CorlanRun::Until([&] { return Reg(reg) == value; }, ms);
    }

    CorlanRun Run;
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
    vz5test::HostPeer pc;
    pc.Send(Run.Port, "hello");
    std::string report = pc.Receive("{CMD_HARD:", "Type=Vekt_STMTR;", 10000);
    ASSERT_FALSE(report.empty()) << "no status report of the stepper card";
    EXPECT_NE(report.find("SlotID=2;IOL8=16;"), std::string::npos) << report;
    EXPECT_NE(report.find(";CNT1=600;"), std::string::npos) << report;
    EXPECT_NE(report.find(";OCNT1=1200;"), std::string::npos) << report;
    EXPECT_TRUE(corlan.Running());
    corlan.Stop();
}

} // namespace
