// Cylinder card on the simulated rack: register sequences of the commands, the
// position and alarm tests, the bounded waits, refused input and the status text.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cardmodels.h"
#include "simbus.h"
#include "vekt_cymstr.h"

namespace {

constexpr int Slot = 3;

class CymstrTest : public ::testing::Test {
  protected:
    CymstrTest() : Bus("[board]\nkind = 0xA4\n[slots]\n3 = 0x82\n") {
        Card.reset(static_cast<CVekt_CYMSTR*>(CreateVektCYMSTR()));
        Card->SetSlotID(Slot);
        Card->InB(4); // the card's slot is selected from here on
    }

    // Accesses of the card as the trace shows them, each after its slot select.
    static std::vector<std::string> Accesses(const std::vector<std::string>& regAccesses) {
        std::vector<std::string> out;
        for (const std::string& a : regAccesses) {
            out.push_back("W 3 0 3");
            out.push_back(a.substr(0, 2) + "3 " + a.substr(2));
        }
        return out;
    }
    // The alarm check over four equal samples of a steady status.
    static std::vector<std::string> AlarmCheck(int ch, int status) {
        std::vector<std::string> a;
        for (int i = 0; i < 4; ++i) {
            a.push_back("W 5 " + std::to_string(ch));
            a.push_back("R 6 " + std::to_string(status));
            a.push_back(std::string("W 10 ") + ((status & 0x80) ? "1" : "0"));
        }
        return a;
    }
    static void Append(std::vector<std::string>& a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
    }

    int Status(int ch) { return std::stoi(Bus.Ask("get 3 " + std::to_string(0x60 + ch))); }
    std::string Set(int reg, int value) {
        return Bus.Ask("set 3 " + std::to_string(reg) + " " + std::to_string(value));
    }
    int Count(const std::vector<std::string>& trace, const std::string& line) {
        int n = 0;
        for (const auto& l : trace)
            n += l == line;
        return n;
    }
    // LDG polled until it holds or a generous bound passes.
    int WaitLdg(int ch) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int r = 0;
        while ((r = Card->Cmd_LDG(ch, nullptr)) != 1 && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return r;
    }

    vz5test::SimBus Bus;
    std::unique_ptr<CVekt_CYMSTR> Card;
};

TEST_F(CymstrTest, PositionCommandSelectsWritesAndStrobes) {
    char arg[] = "5";
    ASSERT_EQ(Bus.Ask("trace on"), "ok");
    EXPECT_EQ(Card->Cmd_DG(1, arg), 1);
    // The actuator acknowledges at once: moving, not in position (0x63).
    EXPECT_EQ(Bus.Trace(), Accesses({"W 5 1", "W 6 53", "W 7 1", "W 5 1", "R 6 99"}));
    EXPECT_EQ(Bus.Ask("last 3 6"), "53");
}

// Setup and reset on an actuator that reports itself at rest (0x17): the exact
// sequence with the slow delay around the command and the normal one after it.
TEST_F(CymstrTest, SetupResetAndRstzSequences) {
    const int rest = 0x17;
    auto setup = [&](int ch) {
        std::vector<std::string> a = {
            "W 5 " + std::to_string(ch), "W 8 254", "W 5 " + std::to_string(ch), "W 6 32", "W 7 1",
            "W 5 " + std::to_string(ch), "R 6 23"};
        Append(a, AlarmCheck(ch, rest));
        Append(a, {"W 5 " + std::to_string(ch), "R 6 23", "W 5 " + std::to_string(ch), "W 8 63"});
        return a;
    };
    auto reset = [&](int ch) {
        std::vector<std::string> a = {
            "W 5 " + std::to_string(ch), "W 8 254", "W 5 " + std::to_string(ch), "W 6 16", "W 7 1",
            "W 5 " + std::to_string(ch), "R 6 23"};
        Append(a, AlarmCheck(ch, rest));
        Append(a, {"W 5 " + std::to_string(ch), "R 6 23", "W 5 " + std::to_string(ch), "W 8 63"});
        return a;
    };
    struct Case {
        const char* name;
        std::function<int()> call;
        std::vector<std::string> regs;
    };
    char setupArg[] = "-1";
    char resetArg[] = "-2";
    std::vector<std::string> rstz = reset(0);
    Append(rstz, setup(0));
    const Case cases[] = {
        {"DG -1", [&] { return Card->Cmd_DG(2, setupArg); }, setup(2)},
        {"DG -2", [&] { return Card->Cmd_DG(1, resetArg); }, reset(1)},
        {"RSTZ", [&] { return Card->Cmd_RSTZ(0, nullptr); }, rstz},
    };
    for (const Case& c : cases) {
        for (int ch = 0; ch < 3; ++ch)
            Set(0x60 + ch, rest);
        Bus.Ask("trace on");
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.call(), 1) << c.name;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(Bus.Trace(), Accesses(c.regs)) << c.name;
    }
}

// Input the card refuses: results as for any other call, and not one bus access.
TEST_F(CymstrTest, BadArgumentsTouchNoRegister) {
    struct Case {
        const char* name;
        std::function<int()> call;
        int result;
    };
    char p16[] = "16", p261[] = "261", pm3[] = "-3", p5[] = "5", pm1[] = "-1", pm2[] = "-2";
    const Case cases[] = {
        {"DG without argument", [&] { return Card->Cmd_DG(0, nullptr); }, 0},
        {"DG position 16", [&] { return Card->Cmd_DG(0, p16); }, 1},
        {"DG position 261 (not 5)", [&] { return Card->Cmd_DG(0, p261); }, 1},
        {"DG position -3", [&] { return Card->Cmd_DG(0, pm3); }, 1},
        {"DG channel 3", [&] { return Card->Cmd_DG(3, p5); }, 1},
        {"DG channel 257 (not 1)", [&] { return Card->Cmd_DG(257, p5); }, 1},
        {"DG setup channel 3", [&] { return Card->Cmd_DG(3, pm1); }, 1},
        {"DG reset channel -1", [&] { return Card->Cmd_DG(-1, pm2); }, 1},
        {"LDG channel 3", [&] { return Card->Cmd_LDG(3, nullptr); }, 0},
        {"RSTZ channel 5", [&] { return Card->Cmd_RSTZ(5, nullptr); }, 1},
    };
    for (const Case& c : cases) {
        Bus.Ask("trace on");
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.call(), c.result) << c.name;
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(Bus.Trace(), std::vector<std::string>{}) << c.name;
    }
}

// Position test and debounced alarm test on steady status bytes.
TEST_F(CymstrTest, LdgOnStatusBytes) {
    struct Case {
        int status;
        int result;
        int samples; // status reads: four for the alarm check, then the position samples
        const char* fault;
    };
    const Case cases[] = {
        {0x50, 1, 5, "0"},                     // INP line and BUSY line: in position
        {0x10, 1, 5, "0"},  {0x70, 0, 7, "0"}, // neither in position nor inside the area: three samples
        {0x60, 0, 7, "0"},                     // still moving
        {0x80, -1, 4, "1"},
    };
    for (const Case& c : cases) {
        Set(0x60 + 2, c.status);
        Bus.Ask("trace on");
        EXPECT_EQ(Card->Cmd_LDG(2, nullptr), c.result) << c.status;
        EXPECT_EQ(Count(Bus.Trace(), "R 3 6 " + std::to_string(c.status)), c.samples) << c.status;
        EXPECT_EQ(Bus.Ask("last 3 10"), c.fault) << c.status;
    }
}

TEST_F(CymstrTest, LdgHoldsOnceTheSimulatedMoveEnds) {
    char arg[] = "7";
    EXPECT_EQ(Card->Cmd_LDG(0, nullptr), 0); // power-on: position unknown
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Card->Cmd_DG(0, arg), 1);
    int moving = Card->Cmd_LDG(0, nullptr);
    int runEnd = Card->IsMotRunEnd(0);
    if (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(150)) { // not stalled past the move
        EXPECT_EQ(moving, 0);
        EXPECT_EQ(runEnd, 0);
    }
    EXPECT_EQ(WaitLdg(0), 1);
    EXPECT_EQ(Card->IsMotRunEnd(0), 1);
    EXPECT_EQ(Status(0), 0x12);              // at rest, in position, origin not yet set
    EXPECT_EQ(Card->Cmd_LDG(1, nullptr), 0); // the other channels did not move
}

// A real return to origin: the setup wait lasts until the actuator is at rest in
// position, and the delay byte is back to normal afterwards (the long trace keeps
// only its newest lines, so the slow delay before the command is shown by the
// sequence test above).
TEST_F(CymstrTest, SetupWaitsForTheActuator) {
    char arg[] = "-1";
    Bus.Ask("trace on");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Card->Cmd_DG(1, arg), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SetupDG-*** 1 ***\n");
    std::vector<std::string> t = Bus.Trace();
    EXPECT_EQ(Status(1), 0x16); // at rest, in position, origin set
    EXPECT_EQ(Card->Cmd_LDG(1, nullptr), 1);
    // The wait read the actuator working (0x63), and ended on it at rest in position
    // (0x16) before restoring the normal delay.
    EXPECT_GT(Count(t, "R 3 6 99"), 0);
    ASSERT_GE(t.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(t.end() - 5, t.end()),
              (std::vector<std::string>{"R 3 6 22", "W 3 0 3", "W 3 5 1", "W 3 0 3", "W 3 8 63"}));
    EXPECT_EQ(Bus.Ask("last 3 8"), "63");
}

// An alarm raised through the control channel: LDG refuses, the waits are skipped,
// position commands are not taken, and only a reset clears it.
TEST_F(CymstrTest, AlarmPathThroughTheControlChannel) {
    char pos[] = "3";
    EXPECT_EQ(Set(0x68 + 0, 1), "ok");
    EXPECT_EQ(Card->Cmd_LDG(0, nullptr), -1);
    EXPECT_EQ(Bus.Ask("last 3 10"), "1");

    char text[512];
    ASSERT_EQ(Card->GetHardData(text, sizeof text), 1);
    EXPECT_NE(std::string(text).find(";ALARM0=1;ALARM1=0;"), std::string::npos) << text;

    EXPECT_EQ(Card->Cmd_DG(0, pos), 1);
    EXPECT_EQ(Card->Cmd_LDG(0, nullptr), -1); // the actuator did not take the move

    // RSTZ in alarm: the reset is sent but not waited for; the setup finds the alarm
    // still up and is skipped too.
    testing::internal::CaptureStdout();
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Card->Cmd_RSTZ(0, nullptr), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(DGRESETLIMITMS / 1000));

    // Once the reset is through the alarm is gone.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int r = -1;
    while ((r = Card->Cmd_LDG(0, nullptr)) == -1 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(r, -1);
    EXPECT_EQ(Bus.Ask("last 3 10"), "0");

    testing::internal::CaptureStdout();
    EXPECT_EQ(Card->Cmd_RSTZ(0, nullptr), 1); // now reset and setup run to their end
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Card->Cmd_LDG(0, nullptr), 1);
}

// An actuator that never answers: the wait ends at its time limit through the alarm
// path (fault output on), and the delay byte is restored.
TEST_F(CymstrTest, ActuatorThatNeverAnswersEndsTheWaitAtItsLimit) {
    struct Case {
        const char* arg;
        int stuck; // status held by the actuator
        const char* message;
    };
    const Case cases[] = {
        {"-1", 0x02, "WaitSetupEnd: DG1 gave no answer within its time limit, taken as alarm\n"},
        {"-2", 0x0B, "WaitResetEnd: DG1 gave no answer within its time limit, taken as alarm\n"},
    };
    Card->SetupLimitMs = 300;
    Card->ResetLimitMs = 300;
    for (const Case& c : cases) {
        Set(0x60 + 1, c.stuck);
        std::string arg = c.arg;
        testing::internal::CaptureStdout();
        EXPECT_EQ(Card->Cmd_DG(1, arg.data()), 1) << c.arg;
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_EQ(Bus.Ask("last 3 10"), "1") << c.arg;
        EXPECT_EQ(Bus.Ask("last 3 8"), "63") << c.arg;
        EXPECT_EQ(Card->FaultByte, 1);
    }
    // Released, the actuator answers again and the fault output follows it.
    Set(0x64 + 1, 0);
    Card->SetupLimitMs = DGSETUPLIMITMS;
    char setup[] = "-1";
    testing::internal::CaptureStdout();
    EXPECT_EQ(Card->Cmd_DG(1, setup), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Status(1), 0x16);
    EXPECT_EQ(Bus.Ask("last 3 10"), "0");
}

TEST_F(CymstrTest, StatusText) {
    Set(0x60 + 0, 0x57);
    Set(0x60 + 1, 0x80);
    Set(0x60 + 2, 0x2C);
    char text[512];
    ASSERT_EQ(Card->GetHardData(text, sizeof text), 1);
    const std::string body =
        "Type=Vekt_CYMSTR;TypeID=130;SlotID=3;ALARM0=0;ALARM1=1;ALARM2=0;AREA0=0;AREA1=0;"
        "AREA2=1;BUSY0=1;BUSY1=0;BUSY2=0;INP0=1;INP1=0;INP2=0;SVRE0=1;SVRE1=0;SVRE2=0;"
        "SetON0=1;SetON1=0;SetON2=1;WORKSTATE0=87;WORKSTATE1=128;WORKSTATE2=44;";
    std::string t = text;
    EXPECT_EQ(t.rfind("{CMD_HARD:" + body + ":", 0), 0u) << t;
    EXPECT_EQ(t.substr(t.size() - 2), "}#");

    char small[64];
    EXPECT_EQ(Card->GetHardData(small, sizeof small), -1);
    EXPECT_EQ(Card->GetHardData(nullptr, 512), -2);
}

// Several tasks on one card: every command must reach the channel its task
// selected, however the tasks and the status reports interleave. Channel 2 is only
// ever read, so it must never start moving. Interleavings are up to the scheduler,
// so the tasks keep at it for a while.
TEST_F(CymstrTest, ConcurrentTasksKeepTheirChannel) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    std::atomic<bool> moved{false};
    auto commander = [&](int ch, const char* pos) {
        std::string arg = pos;
        while (!moved && std::chrono::steady_clock::now() < end)
            for (int i = 0; i < 100; ++i)
                Card->Cmd_DG(ch, arg.data());
    };
    auto reader = [&] {
        while (!moved && std::chrono::steady_clock::now() < end)
            if (Card->GetState(2) & 0x01) moved = true;
    };
    auto reporter = [&] {
        char text[512];
        while (!moved && std::chrono::steady_clock::now() < end)
            Card->GetHardData(text, sizeof text);
    };
    std::thread threads[] = {std::thread(commander, 0, "5"), std::thread(commander, 1, "9"),
                             std::thread(reader), std::thread(reporter)};
    for (auto& t : threads)
        t.join();
    EXPECT_FALSE(moved);
    EXPECT_EQ(Status(2), 0x72); // at rest where it was at power-on
}

TEST(CymstrScan, ScanBuildsTheCylinderCard) {
    vz5test::SimBus bus("[board]\nkind = 0xA3\n[slots]\n4 = 0x82\n");
    CARDINFO info{};
    testing::internal::CaptureStdout();
    Hardware.ScanCard(&info);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("CardID: 0x82 SlotID: 4 Type: Vekt_CYMSTR\n"), std::string::npos) << out;
    CVekt_MANAGER* card = Vekt_CardMan[4];
    EXPECT_EQ(card->GetHardType(), 0x82);
    EXPECT_EQ(bus.Ask("last 4 10"), "0"); // fault output cleared at construction
    char text[512];
    ASSERT_EQ(card->GetHardData(text, sizeof text), 1);
    EXPECT_EQ(std::string(text).rfind("{CMD_HARD:Type=Vekt_CYMSTR;TypeID=130;SlotID=4;", 0), 0u) << text;
}

} // namespace
