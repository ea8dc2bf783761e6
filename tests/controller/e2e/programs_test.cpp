// PLC programs of a Corlan process on the simulated rack: a wait on an input, an
// alarm point stopping every task, and the operator's keys from the keypad.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "corlanchild.h"
#include "corlanrun.h"

namespace {

using vz5test::CorlanChild;
using vz5test::CorlanRun;

constexpr int IosOutL = 5, IosOutH = 6, IosInL = 8; // I/O card registers
constexpr int CpuFault = 2;                         // CPU board fault output (written)

std::string Rack(int tasks) {
    return "[board]\nkind = 0xA3\ntasks = " + std::to_string(tasks) + "\n[slots]\n2 = 0x83\n";
}

// Writes by the controller to one register among the traced accesses.
int Writes(const std::string& trace, int slot, int reg) {
    std::istringstream in(trace);
    std::string line, prefix = "W " + std::to_string(slot) + " " + std::to_string(reg) + " ";
    int n = 0;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) ++n;
    return n;
}

TEST(PlcProgramTest, LdWaitsForTheInputSetThroughTheRack) {
    CorlanRun run(Rack(1), {{"plc1/RESET.PLC", "G_AR:1\nEXIT\n"},
                            {"plc1/FLOW.PLC", "LD:2,3,1 ; wait for the part\nOUT:2,7,1\nEXIT\n"}});
    CorlanChild corlan(run.Env());
    ASSERT_TRUE(corlan.WaitFor("SYN_LD: SlotIdx:2  ChIdx:3 1")) << corlan.Out;
    usleep(200000);
    EXPECT_EQ(run.Reg(2, IosOutL), 0) << "the line after LD ran before the input came";

    EXPECT_EQ(run.Sim("set 2 8 8"), "ok"); // input 3
    EXPECT_TRUE(CorlanRun::Until([&] { return run.Reg(2, IosOutL) == 0x80; })) << corlan.Out;
}

TEST(PlcProgramTest, AlarmPointStopsEveryTaskAndRaisesTheFaultOutput) {
    // Both tasks toggle an output for ever; task 1 watches input 0 as alarm point.
    const char* loop1 = "G_AL:2,0,1\n#LE:1\nOUT:2,4,1\nDLY:20\nOUT:2,4,0\nDLY:20\nGO:1\n";
    const char* loop2 = "#LE:1\nOUT:2,9,1\nDLY:20\nOUT:2,9,0\nDLY:20\nGO:1\n";
    CorlanRun run(Rack(2), {{"plc1/RESET.PLC", loop1}, {"plc2/RESET.PLC", loop2}});
    CorlanChild corlan(run.Env());
    ASSERT_TRUE(corlan.WaitFor("SYN_G_AL: SlotID=2 CH=0 Alarm add!")) << corlan.Out;

    auto traced = [&](int ms) {
        run.Sim("trace on");
        usleep(ms * 1000);
        std::string t = run.Sim("trace");
        run.Sim("trace off");
        return t;
    };
    std::string before = traced(300);
    EXPECT_GT(Writes(before, 2, IosOutL), 0);
    EXPECT_GT(Writes(before, 2, IosOutH), 0);

    ASSERT_EQ(run.Sim("set 2 8 1"), "ok"); // alarm input 0 on
    ASSERT_TRUE(CorlanRun::Until([&] { return run.Sim("last 0 2") == "1"; })) << "fault output not raised";
    usleep(100000); // lines already running when the alarm came may finish
    std::string during = traced(300);
    EXPECT_EQ(Writes(during, 2, IosOutL), 0) << during.substr(0, 400);
    EXPECT_EQ(Writes(during, 2, IosOutH), 0) << during.substr(0, 400);
    EXPECT_GT(Writes(during, 0, CpuFault), 0) << "the tasks keep scanning the alarm";

    ASSERT_EQ(run.Sim("set 2 8 0"), "ok");
    ASSERT_TRUE(CorlanRun::Until([&] { return run.Sim("last 0 2") == "0"; })) << "fault output stays on";
    std::string after = traced(300);
    EXPECT_GT(Writes(after, 2, IosOutL), 0) << "task 1 did not go on";
    EXPECT_GT(Writes(after, 2, IosOutH), 0) << "task 2 did not go on";
}

// Keys as the keypad presents them; the keypad task reads one a second and the
// board clears the code once it is taken.
class KeypadTest : public ::testing::Test {
  protected:
    KeypadTest()
        : Run(Rack(1), {{"plc1/RESET.PLC", "OUT:2,1,0\nOUT:2,0,1\nEXIT\n"},
                        {"plc1/FLOW.PLC", "OUT:2,0,0\nOUT:2,1,1\nEXIT\n"}}),
          Corlan(Run.Env()) {}
    void Press(const char* scancode) {
        ASSERT_EQ(Run.Sim(std::string("key ") + scancode), "ok");
        ASSERT_TRUE(CorlanRun::Until([&] { return Run.Reg(0, 2) == 0; }, 5000)) << "key not taken";
    }
    bool OutputIs(int v) {
        return CorlanRun::Until([&] { return Run.Reg(2, IosOutL) == v; });
    }
    CorlanRun Run;
    CorlanChild Corlan;
};

TEST_F(KeypadTest, EnterStartsTheFlowAndDecResets) {
    ASSERT_TRUE(OutputIs(0x01)) << Corlan.Out;
    Press("0x5a"); // Enter
    EXPECT_TRUE(OutputIs(0x02)) << Corlan.Out;
    EXPECT_TRUE(Corlan.WaitFor("PLC1 Run: [plc1/FLOW.PLC]"));
    Press("0x7b"); // Dec
    EXPECT_TRUE(OutputIs(0x01)) << Corlan.Out;
    Press("0x5a"); // the flow starts again after a reset
    EXPECT_TRUE(OutputIs(0x02)) << Corlan.Out;
}

TEST_F(KeypadTest, BackSpaceTogglesTheDebugOutput) {
    ASSERT_TRUE(Corlan.WaitFor("RESET.PLC End!"));
    Press("0x66"); // off: the task's own notice is already suppressed
    usleep(200000);
    Corlan.WaitFor("<collect>", 100);
    size_t mark = Corlan.Out.size();
    Press("0x7b"); // a reset now runs without messages
    ASSERT_TRUE(OutputIs(0x01));
    usleep(300000);
    Corlan.WaitFor("<collect>", 100);
    EXPECT_EQ(Corlan.Out.find("End!", mark), std::string::npos) << Corlan.Out.substr(mark);

    Press("0x66"); // on again
    ASSERT_TRUE(Corlan.WaitFor("PLC1: Vekt: Enable debug info out!")) << Corlan.Out;
    EXPECT_EQ(Corlan.Out.find("Vekt: Disable debug info out!"), std::string::npos);
}

} // namespace
