// Stepper-motor card on the simulated rack: register sequences of the motion
// instructions, bad arguments, the encoder counter, the I/O lines and the status text.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "simbus.h"
#include "vekt_stmtr.h"

namespace {

constexpr int Slot = 2;
const char* const Rack = "[board]\nkind = 0xA3\ntasks = 1\n[slots]\n2 = 0x81\n";

class StmtrCard : public ::testing::Test {
  public:
    StmtrCard() : Bus(Rack) { Card.SetSlotID(Slot); }

    // Register accesses of the card since "trace on", without the slot selects,
    // after checking that each access came right after a select of the card's slot.
    std::vector<std::string> Accesses() {
        std::vector<std::string> out;
        bool selected = false;
        for (const std::string& l : Bus.Trace()) {
            std::istringstream in(l);
            std::string dir;
            int sel = 0, reg = 0, value = 0;
            in >> dir >> sel >> reg >> value;
            if (dir == "W" && reg == 0) {
                selected = value == Slot;
                continue;
            }
            EXPECT_TRUE(selected) << "access without a select of its slot: " << l;
            selected = false;
            out.push_back(l);
        }
        return out;
    }
    std::vector<std::string> Writes() {
        std::vector<std::string> w;
        for (const std::string& l : Accesses())
            if (l[0] == 'W') w.push_back(l);
        return w;
    }
    // Presents a signed count on a channel's encoder counter.
    void SetCount(int ch, int count) {
        unsigned raw = static_cast<unsigned>(count) + 0x80000000u;
        ASSERT_EQ(Bus.Ask("set 2 7 " + std::to_string(ch)), "ok");
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(
                Bus.Ask("set 2 " + std::to_string(20 + i) + " " + std::to_string((raw >> (8 * i)) & 0xFF)),
                "ok");
    }
    // Waits (bounded) until LMOT reports the end of the move.
    bool WaitEnd(int ch) {
        for (int i = 0; i < 300; ++i) {
            if (Card.Cmd_LMOT(ch, nullptr) == 1) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    int Mot(int ch, const char* arg) { return Card.Cmd_MOT(ch, const_cast<char*>(arg)); }
    int Row(int ch, const char* arg) { return Card.Cmd_ROW(ch, const_cast<char*>(arg)); }

    vz5test::SimBus Bus;
    CVekt_STMTR Card;
};

std::string W(int reg, int value) {
    return "W 2 " + std::to_string(reg) + " " + std::to_string(value);
}

TEST_F(StmtrCard, MotWritesTheMoveParametersInOrderAndStrobesTheStart) {
    ASSERT_TRUE(Bus.Opened) << Bus.LoadOutput;
    ASSERT_EQ(Bus.Ask("trace on"), "ok");
    EXPECT_EQ(Mot(2, "1000&20&1"), 1);
    std::vector<std::string> want = {
        W(7, 2),  W(8, 0x80),                        // control byte of channel 2: direction only
        W(7, 2),  W(9, 20),   W(11, 0), W(10, 20),   // frequency, start steps (frequency byte)
        W(15, 0), W(14, 0),   W(13, 7), W(12, 0xD0), // 2000 steps, high byte first
        W(17, 0), W(16, 20),                         // compensation
        W(29, 0), W(28, 0),   W(27, 0), W(26, 0),    // stop count
        W(36, 0), W(24, 1),                          // lines to motor use, start strobe
    };
    EXPECT_EQ(Writes(), want);
    // After the strobe the card only looks at the busy register.
    std::vector<std::string> acc = Accesses();
    for (size_t i = want.size(); i < acc.size(); ++i)
        EXPECT_EQ(acc[i].rfind("R 2 24 ", 0), 0u) << acc[i];
    EXPECT_GT(acc.size(), want.size());
    EXPECT_EQ(Card.StepNumReg, 2000u);
    EXPECT_EQ(Card.StepFreqReg, 20);
    EXPECT_EQ(Card.StepMotorCtrlReg, 0x80);
}

TEST_F(StmtrCard, MotFlagsAndOptionalFields) {
    struct Case {
        const char* arg;
        int ctrl;                   // control byte written
        unsigned stop;              // stop count written
        unsigned short start, comp; // recorded start and compensation (doubled)
    } cases[] = {
        {"5&20&0&0&1&0&0&0&0&1&9", 0x00, 9, 0, 0},       // no Force: stop enables dropped
        {"5&20&0&1&1&3&1&0&0&1&7", 0x6C, 7, 0, 0},       // Force with every stop condition
        {"5&20&7&3", 0xA0, 0, 0, 0},                     // non-zero flags count as 1
        {"5&20&256", 0x00, 0, 0, 0},                     // direction truncated to a byte
        {"5&20&1&0&0&0&0&30&40&0&0x1", 0x80, 0, 60, 80}, // non-numeric stop count reads 0
        {"5&20&0&1&0&0&0&0&0&1&305419896", 0x28, 0x12345678u, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        ASSERT_EQ(Bus.Ask("trace on"), "ok");
        EXPECT_EQ(Mot(1, c.arg), 1);
        std::vector<std::string> w = Writes();
        ASSERT_GE(w.size(), 16u);
        EXPECT_EQ(w[1], W(8, c.ctrl));
        EXPECT_EQ(w[12], W(29, (c.stop >> 24) & 0xFF));
        EXPECT_EQ(w[13], W(28, (c.stop >> 16) & 0xFF));
        EXPECT_EQ(w[14], W(27, (c.stop >> 8) & 0xFF));
        EXPECT_EQ(w[15], W(26, c.stop & 0xFF));
        EXPECT_EQ(Card.StepStarNumReg, c.start);
        EXPECT_EQ(Card.StepNumCompensateReg, c.comp);
        // The start and compensation registers carry the frequency byte.
        EXPECT_EQ(w[5], W(10, 20));
        EXPECT_EQ(w[11], W(16, 20));
    }
}

TEST_F(StmtrCard, BadArgumentsAndChannelsTouchNoRegister) {
    struct Case {
        const char* what;
        std::function<int(StmtrCard&)> call;
        int result;
    } cases[] = {
        {"MOT null", [](StmtrCard& t) { return t.Card.Cmd_MOT(1, nullptr); }, 0},
        {"MOT empty", [](StmtrCard& t) { return t.Mot(1, ""); }, 0},
        {"MOT step only", [](StmtrCard& t) { return t.Mot(1, "1000"); }, 0},
        {"MOT no direction", [](StmtrCard& t) { return t.Mot(1, "1000&20"); }, 0},
        {"MOT channel 8", [](StmtrCard& t) { return t.Mot(8, "1000&20&1"); }, 1},
        {"MOT channel -1", [](StmtrCard& t) { return t.Mot(-1, "1000&20&1"); }, 1},
        {"MOT channel 258", [](StmtrCard& t) { return t.Mot(258, "1000&20&1"); }, 1},
        {"ROW null", [](StmtrCard& t) { return t.Card.Cmd_ROW(1, nullptr); }, 0},
        {"ROW channel 8", [](StmtrCard& t) { return t.Row(8, "0"); }, 0},
        {"ROW channel -1", [](StmtrCard& t) { return t.Row(-1, "0"); }, 0},
        {"ROCLR channel 8", [](StmtrCard& t) { return t.Card.Cmd_ROCLR(8, nullptr); }, 0},
        {"ROCLR channel -3", [](StmtrCard& t) { return t.Card.Cmd_ROCLR(-3, nullptr); }, 0},
        {"OUT null", [](StmtrCard& t) { return t.Card.Cmd_OUT(1, nullptr); }, 0},
        {"OUT channel -1", [](StmtrCard& t) { return t.Card.Cmd_OUT(-1, const_cast<char*>("1")); }, 0},
        {"LD null", [](StmtrCard& t) { return t.Card.Cmd_LD(1, nullptr); }, 0},
        {"LD channel -1", [](StmtrCard& t) { return t.Card.Cmd_LD(-1, const_cast<char*>("0")); }, 0},
        {"count channel 8", [](StmtrCard& t) { return static_cast<int>(t.Card.GetCount(8)); }, 0},
        {"count register channel 8", [](StmtrCard& t) { return static_cast<int>(t.Card.GetCountReg(8)); }, 0},
        {"direction channel -1", [](StmtrCard& t) { return static_cast<int>(t.Card.GetDirReg(-1)); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Bus.Ask("trace on"), "ok");
        EXPECT_EQ(c.call(*this), c.result);
        EXPECT_EQ(Bus.Trace(), std::vector<std::string>{});
    }
}

TEST_F(StmtrCard, CounterDecoding) {
    struct Case {
        int b[4]; // counter register bytes, bits 0-7 first
        long count;
    } cases[] = {
        {{0x05, 0x00, 0x00, 0x80}, 5},           {{0xFF, 0xFF, 0xFF, 0x7F}, -1},
        {{0x00, 0x00, 0x00, 0x80}, 0},           {{0x00, 0x00, 0x00, 0x00}, -2147483647L - 1},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 2147483647L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ASSERT_EQ(Bus.Ask("set 2 7 4"), "ok");
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(Bus.Ask("set 2 " + std::to_string(20 + i) + " " + std::to_string(c.b[i])), "ok");
        ASSERT_EQ(Bus.Ask("trace on"), "ok");
        EXPECT_EQ(Card.GetCount(4), c.count);
        EXPECT_EQ(Accesses(), (std::vector<std::string>{W(7, 4), "R 2 20 " + std::to_string(c.b[0]),
                                                        "R 2 21 " + std::to_string(c.b[1]),
                                                        "R 2 22 " + std::to_string(c.b[2]),
                                                        "R 2 23 " + std::to_string(c.b[3])}));
        EXPECT_EQ(Card.GetCountABS(4), c.count);
    }
}

TEST_F(StmtrCard, RowComparesTheCounterMagnitude) {
    struct Case {
        int count;
        const char* arg;
        int result;
    } cases[] = {
        {-150, "100", 1}, {150, "100", 1}, {99, "100", 0},
        {100, "100", 1},  {-99, "100", 0}, {0, "0", 1},
        {0, "abc", 1},    {5, "-3", 1},    {-2147483647 - 1, "2147483647", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " vs " + c.arg);
        SetCount(6, c.count);
        EXPECT_EQ(Row(6, c.arg), c.result);
    }
}

TEST_F(StmtrCard, LmotReadsTheBusyBitOfTheChannel) {
    struct Case {
        int busy;
        int ch;
        int result;
    } cases[] = {
        {0x08, 3, 0}, {0x00, 3, 1}, {0x08, 2, 1}, {0xFF, 7, 0}, {0xFF, 8, 1}, {0xFF, 31, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.busy) + " ch " + std::to_string(c.ch));
        ASSERT_EQ(Bus.Ask("set 2 24 " + std::to_string(c.busy)), "ok");
        ASSERT_EQ(Bus.Ask("trace on"), "ok");
        EXPECT_EQ(Card.Cmd_LMOT(c.ch, nullptr), c.result);
        // One read of the busy register, no channel select.
        EXPECT_EQ(Accesses(), std::vector<std::string>{"R 2 24 " + std::to_string(c.busy)});
    }
}

TEST_F(StmtrCard, MoveEndsAndCountsItsStepsInItsDirection) {
    struct Case {
        int ch;
        const char* arg;
        long count; // encoder after the move
        long reg;   // step-count register with the direction's sign
    } cases[] = {
        // Half a second each, so that the move is still running when LMOT first looks.
        {0, "100&200&0", 100, 200},
        {5, "100&200&1", -100, -200},
        {3, "200&250&0&1&0&0&0&0&0&1&120", 120, 400}, // stop at the stop count
    };
    Card.InitHardware();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(Mot(c.ch, c.arg), 1);
        EXPECT_EQ(Card.Cmd_LMOT(c.ch, nullptr), 0); // busy while it moves
        ASSERT_TRUE(WaitEnd(c.ch));
        EXPECT_EQ(Card.GetCount(c.ch), c.count);
        EXPECT_EQ(Card.GetCountReg(c.ch), c.reg);
        EXPECT_EQ(Card.GetDirReg(c.ch), c.reg < 0 ? 1 : 0);
        long steps = c.count < 0 ? -c.count : c.count;
        EXPECT_EQ(Row(c.ch, std::to_string(steps).c_str()), 1);
        EXPECT_EQ(Row(c.ch, std::to_string(steps + 1).c_str()), 0);
    }
    // The other channels did not count.
    EXPECT_EQ(Card.GetCount(1), 0);
    EXPECT_EQ(Card.GetCount(7), 0);
}

TEST_F(StmtrCard, RoclrClearsOnlyItsChannel) {
    SetCount(1, 77);
    SetCount(2, -12);
    ASSERT_EQ(Bus.Ask("trace on"), "ok");
    EXPECT_EQ(Card.Cmd_ROCLR(1, nullptr), 1);
    EXPECT_EQ(Writes(), (std::vector<std::string>{W(7, 1), W(19, 1), W(19, 0)}));
    EXPECT_EQ(Card.GetCount(1), 0);
    EXPECT_EQ(Row(1, "1"), 0);
    EXPECT_EQ(Card.GetCount(2), -12);
}

TEST_F(StmtrCard, InitHardwareClearsEveryChannel) {
    for (int ch = 0; ch < 8; ++ch)
        SetCount(ch, ch + 100);
    ASSERT_EQ(Bus.Ask("trace on"), "ok");
    Card.InitHardware();
    std::vector<std::string> want;
    for (int ch = 0; ch < 8; ++ch)
        for (const std::string& w : {W(7, ch), W(18, 255), W(18, 0), W(19, 255), W(19, 0)})
            want.push_back(w);
    EXPECT_EQ(Writes(), want);
    for (int ch = 0; ch < 8; ++ch)
        EXPECT_EQ(Card.GetCount(ch), 0) << ch;
}

TEST_F(StmtrCard, StartWaitGivesUpWhenTheCardNeverReportsBusy) {
    // A move of no steps never raises the busy bit; MOT still returns.
    ASSERT_EQ(Bus.Ask("trace on"), "ok");
    EXPECT_EQ(Mot(0, "0&10&0"), 1);
    EXPECT_EQ(Writes().back(), W(24, 1));
    EXPECT_EQ(Card.Cmd_LMOT(0, nullptr), 1);
    // A stalled motor keeps LMOT false but never blocks it.
    ASSERT_EQ(Bus.Ask("set 2 24 1"), "ok");
    EXPECT_EQ(Mot(0, "10&10&0"), 1);
    EXPECT_EQ(Card.Cmd_LMOT(0, nullptr), 0);
    ASSERT_EQ(Bus.Ask("set 2 24 0"), "ok");
}

TEST_F(StmtrCard, OutputLinesAndInputs) {
    struct Case {
        int ch;
        const char* level;
        int reg;
        int before, after;
    } cases[] = {
        {3, "1", 37, 0x00, 0x08},  {3, "0", 37, 0xFF, 0xF7}, {9, "1", 38, 0x01, 0x03},
        {15, "1", 38, 0x00, 0x80}, {2, "2", 37, 0x04, 0x00}, // anything but 1 clears
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ch) + "=" + c.level);
        ASSERT_EQ(Bus.Ask("set 2 " + std::to_string(c.reg) + " " + std::to_string(c.before)), "ok");
        ASSERT_EQ(Bus.Ask("trace on"), "ok");
        EXPECT_EQ(Card.Cmd_OUT(c.ch, const_cast<char*>(c.level)), 1);
        EXPECT_EQ(Accesses(), (std::vector<std::string>{
                                  W(36, 1), "R 2 " + std::to_string(c.reg) + " " + std::to_string(c.before),
                                  W(c.reg, c.after)}));
    }
    ASSERT_EQ(Bus.Ask("set 2 38 0x04"), "ok");
    ASSERT_EQ(Bus.Ask("set 2 37 0x01"), "ok");
    char one[] = "1", zero[] = "0";
    EXPECT_EQ(Card.Cmd_LD(10, one), 1);
    EXPECT_EQ(Card.Cmd_LD(10, zero), 0);
    EXPECT_EQ(Card.Cmd_LD(2, zero), 1);
    EXPECT_EQ(Card.Cmd_LD(0, one), 1);
    EXPECT_EQ(Card.DigIn(18), HI); // bit 2 of the high register
}

TEST_F(StmtrCard, ConcurrentOutputsOnOneRegisterKeepEveryBit) {
    // Each task owns one line of the shared register: it must always read back what it
    // set last, whatever the others do to their lines meanwhile.
    ASSERT_EQ(Bus.Ask("set 2 37 0"), "ok");
    std::atomic<int> lost{0};
    std::vector<std::thread> t;
    for (int ch = 0; ch < 8; ++ch)
        t.emplace_back([this, ch, &lost] {
            char one[] = "1", zero[] = "0";
            for (int k = 0; k < 300; ++k) {
                Card.Cmd_OUT(ch, one);
                if (Card.DigIn(ch) != HI) ++lost;
                Card.Cmd_OUT(ch, zero);
                if (Card.DigIn(ch) != LOW) ++lost;
            }
        });
    for (auto& th : t)
        th.join();
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(Bus.Ask("get 2 37"), "0");
}

TEST_F(StmtrCard, ConcurrentChannelsDoNotWriteIntoEachOther) {
    Card.InitHardware();
    SetCount(5, 12345);
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::thread mover([this, &done] {
        for (int k = 0; k < 300; ++k)
            Mot(1, "100&250&1");
        done = true;
    });
    std::thread reader([this, &done, &wrong] {
        while (!done) {
            if (Card.GetCount(5) != 12345) ++wrong;
            if (Card.GetCountReg(5) != 0) ++wrong;
            if (Card.GetDirReg(5) != 0) ++wrong;
        }
    });
    mover.join();
    reader.join();
    EXPECT_EQ(wrong, 0);
    // Channel 5 was never given a move; channel 1 holds its own parameters.
    ASSERT_EQ(Bus.Ask("set 2 7 5"), "ok");
    for (int reg : {8, 9, 12, 13, 14, 15})
        EXPECT_EQ(Bus.Ask("get 2 " + std::to_string(reg)), "0") << reg;
    ASSERT_EQ(Bus.Ask("set 2 7 1"), "ok");
    EXPECT_EQ(Bus.Ask("get 2 8"), "128");
    EXPECT_EQ(Bus.Ask("get 2 9"), "250");
    EXPECT_EQ(Bus.Ask("get 2 12"), "200");
}

TEST_F(StmtrCard, StatusText) {
    Card.InitHardware();
    SetCount(2, 5);
    SetCount(7, -3);
    ASSERT_EQ(Bus.Ask("set 2 37 0x11"), "ok");
    ASSERT_EQ(Bus.Ask("set 2 38 0x80"), "ok");
    ASSERT_EQ(Bus.Ask("set 2 7 4"), "ok");
    ASSERT_EQ(Bus.Ask("set 2 8 0x80"), "ok"); // direction 1
    ASSERT_EQ(Bus.Ask("set 2 12 10"), "ok");
    char buf[1024];
    ASSERT_EQ(Card.GetHardData(buf, sizeof buf), 1);
    const std::string body =
        "Type=Vekt_STMTR;TypeID=129;SlotID=2;IOL8=17;IOM8=128;CNT0=0;CNT1=0;CNT2=5;CNT3=0;"
        "CNT4=0;CNT5=0;CNT6=0;CNT7=-3;OCNT0=0;OCNT1=0;OCNT2=0;OCNT3=0;OCNT4=-10;OCNT5=0;"
        "OCNT6=0;OCNT7=0;";
    std::string text = buf;
    ASSERT_EQ(text.rfind("{CMD_HARD:" + body + ":", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "}#");

    // Exactly as long as the text leaves no room for its terminating zero.
    std::vector<char> small(text.size(), 'x');
    EXPECT_EQ(Card.GetHardData(small.data(), static_cast<int>(small.size())), -1);
    EXPECT_EQ(std::string(small.begin(), small.end()), std::string(text.size(), 'x'));
    EXPECT_EQ(Card.GetHardData(nullptr, 1024), -2);
    char name[32];
    EXPECT_STREQ(Card.GetHardTypeName(name), "Vekt_STMTR");
    EXPECT_STREQ(name, "Vekt_STMTR");
}

TEST_F(StmtrCard, CommonOperations) {
    ASSERT_EQ(Bus.Ask("set 2 3 0x21"), "ok");
    EXPECT_EQ(Card.GetHardVer(), 0x21);
    EXPECT_EQ(Card.GetHardType(), 0x81);
    struct Case {
        int err;
        const char* last; // fault register afterwards
    } cases[] = {{1, "1"}, {0, "0"}, {7, "0"}};
    for (const Case& c : cases) {
        EXPECT_EQ(Card.SetFaultReport(c.err), 1);
        EXPECT_EQ(Bus.Ask("last 2 31"), c.last) << c.err;
    }
    EXPECT_EQ(Card.GetFaultReport(nullptr), 0);
    EXPECT_EQ(Card.GetMileageCount(0), 0.0f);
}

} // namespace
