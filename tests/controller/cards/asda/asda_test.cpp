// Servo-drive card on the simulated rack: register sequences of its operations, the
// simulated drive's timing and counting, stored positions, refused input and the
// shadows shared between channels and tasks.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "cardmodels.h"
#include "simbus.h"
#include "vekt_asda.h"

namespace {

constexpr int Slot = 3;
const char* const Rack = "[board]\nkind = 0xA3\ntasks = 1\n[slots]\n3 = 0x84\n";

class AsdaTest : public ::testing::Test {
  protected:
    AsdaTest() : Bus(Rack) {
        Card.SetSlotID(Slot);
        Bus.Ask("trace on");
    }

    // Register accesses since the last call, without the slot selects, as "W reg value"
    // or "R reg value". Every access must have selected this card's slot first.
    std::vector<std::string> Accesses() {
        std::vector<std::string> out;
        bool selected = false;
        for (const std::string& l : Bus.Trace()) {
            char op = 0;
            int slot = -1, reg = -1, value = -1;
            EXPECT_EQ(sscanf(l.c_str(), "%c %d %d %d", &op, &slot, &reg, &value), 4) << l;
            if (op == 'W' && reg == 0) {
                EXPECT_EQ(value, Slot) << l;
                selected = true;
                continue;
            }
            EXPECT_TRUE(selected) << "access without slot select: " << l;
            EXPECT_EQ(slot, Slot) << l;
            selected = false;
            out.push_back(std::string(1, op) + " " + std::to_string(reg) + " " + std::to_string(value));
        }
        Bus.Ask("trace on");
        return out;
    }

    // Sets the encoder counter register of a channel from outside.
    void SetCounter(int ch, uint32_t raw) {
        Bus.Ask("set 3 7 " + std::to_string(ch));
        for (int i = 0; i < 4; ++i)
            Bus.Ask("set 3 " + std::to_string(20 + i) + " " + std::to_string((raw >> (8 * i)) & 0xFF));
        Bus.Ask("trace on");
    }

    int Mot(int ch, const char* arg) {
        std::string a = arg;
        return Card.Cmd_MOT(ch, a.data());
    }

    vz5test::SimBus Bus;
    CVekt_ASDA Card;
};

// The writes of one move as the card receives them, start strobe included.
std::vector<std::string> MoveWrites(int ch, int ctrl, int freq, uint32_t pulses, uint32_t stop) {
    std::string c = std::to_string(ch);
    std::vector<std::string> w = {"W 7 " + c, "W 8 " + std::to_string(ctrl), "W 7 " + c,
                                  "W 9 " + std::to_string(freq)};
    for (int reg = 15; reg >= 12; --reg)
        w.push_back("W " + std::to_string(reg) + " " + std::to_string((pulses >> (8 * (reg - 12))) & 0xFF));
    for (int reg = 29; reg >= 26; --reg)
        w.push_back("W " + std::to_string(reg) + " " + std::to_string((stop >> (8 * (reg - 26))) & 0xFF));
    w.push_back("W 7 " + c);
    w.push_back("W 24 1");
    return w;
}

// The start wait polls the busy register after the strobe; drop those reads.
std::vector<std::string> WithoutStartWait(std::vector<std::string> a) {
    size_t reads = 0;
    while (!a.empty() && a.back().rfind("R 24 ", 0) == 0) {
        a.pop_back();
        ++reads;
    }
    EXPECT_GE(reads, 1u) << "the start wait must read the busy register";
    return a;
}

TEST_F(AsdaTest, MotWritesControlByteRunParametersAndStrobe) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Mot(1, "500&10&1&1&1&2"), 1);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "ASDA: Mot ChIdx:1, Step:500, Dir:1, Force:1, EnExtStop:1, ExtStopCH:2, "
                       "StopSensorDir:0, StepFreq:10, EnCntStop:0, StepStop:0 \n");
    // ControlByte 0x80 + 0x20 + 0x04 + 2, pulse count 2 x 500.
    EXPECT_EQ(WithoutStartWait(Accesses()), MoveWrites(1, 0xA6, 10, 1000, 0));
    long pos = 0;
    EXPECT_EQ(Card.GetCountABS(1, &pos), 1);
    EXPECT_EQ(pos, -500);
    EXPECT_EQ(Card.GetCountReg(1), -500); // direction bit read back
}

TEST_F(AsdaTest, MotFlagsAreNormalisedIntoTheControlByte) {
    struct Case {
        const char* arg;
        int ctrl;
        uint32_t stop;
    } cases[] = {
        {"1&1&0", 0x00, 0},
        {"1&1&7", 0x80, 0},
        // Without Force the stop enables are dropped, the stop input channel stays.
        {"1&1&0&0&1&3&0&0&0&1&9", 0x03, 9},
        {"1&1&0&5&1&6&2&0&0&1&70000", 0x20 + 0x40 + 0x08 + 0x04 + 2, 70000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        testing::internal::CaptureStdout();
        EXPECT_EQ(Mot(0, c.arg), 1);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(WithoutStartWait(Accesses()), MoveWrites(0, c.ctrl, 1, 2, c.stop));
    }
}

TEST_F(AsdaTest, BadInputGetsItsResultAndTouchesNoRegister) {
    struct Case {
        const char* what;
        int (*call)(CVekt_ASDA&);
        int result;
    } cases[] = {
        {"MOT null", [](CVekt_ASDA& c) { return c.Cmd_MOT(0, nullptr); }, 0},
        {"MOT without Dir",
         [](CVekt_ASDA& c) {
             char a[] = "500&10";
             return c.Cmd_MOT(0, a);
         },
         0},
        {"MOT without StepFreq",
         [](CVekt_ASDA& c) {
             char a[] = "500";
             return c.Cmd_MOT(0, a);
         },
         0},
        {"MOT channel 4",
         [](CVekt_ASDA& c) {
             char a[] = "5&1&1";
             return c.Cmd_MOT(4, a);
         },
         1},
        {"MOT channel -1",
         [](CVekt_ASDA& c) {
             char a[] = "5&1&1";
             return c.Cmd_MOT(-1, a);
         },
         1},
        {"DG null", [](CVekt_ASDA& c) { return c.Cmd_DG(0, nullptr); }, 0},
        {"DG channel 4",
         [](CVekt_ASDA& c) {
             char a[] = "1";
             return c.Cmd_DG(4, a);
         },
         -1},
        {"DG channel -1",
         [](CVekt_ASDA& c) {
             char a[] = "1";
             return c.Cmd_DG(-1, a);
         },
         -1},
        {"DG position 64",
         [](CVekt_ASDA& c) {
             char a[] = "64";
             return c.Cmd_DG(0, a);
         },
         -1},
        {"DG position -1",
         [](CVekt_ASDA& c) {
             char a[] = "-1";
             return c.Cmd_DG(0, a);
         },
         -1},
        {"ROW null", [](CVekt_ASDA& c) { return c.Cmd_ROW(0, nullptr); }, 0},
        {"ROW channel 4",
         [](CVekt_ASDA& c) {
             char a[] = "0";
             return c.Cmd_ROW(4, a);
         },
         0},
        {"ROCLR channel 4", [](CVekt_ASDA& c) { return c.Cmd_ROCLR(4, nullptr); }, 0},
        {"ROCLR channel -1", [](CVekt_ASDA& c) { return c.Cmd_ROCLR(-1, nullptr); }, 0},
        {"SETPOT channel 4",
         [](CVekt_ASDA& c) {
             char a[] = "Pot=1";
             return c.Cmd_SETPOT(4, a);
         },
         0},
        {"SETPOT channel -1",
         [](CVekt_ASDA& c) {
             char a[] = "Pot=1";
             return c.Cmd_SETPOT(-1, a);
         },
         0},
        {"OUT null", [](CVekt_ASDA& c) { return c.Cmd_OUT(1, nullptr); }, 0},
        {"OUT channel -1",
         [](CVekt_ASDA& c) {
             char a[] = "1";
             return c.Cmd_OUT(-1, a);
         },
         0},
        {"LD null", [](CVekt_ASDA& c) { return c.Cmd_LD(1, nullptr); }, 0},
        {"GetCountABS channel 4",
         [](CVekt_ASDA& c) {
             long v = 7;
             return c.GetCountABS(4, &v);
         },
         -1},
        {"GetCountABS channel -1",
         [](CVekt_ASDA& c) {
             long v = 7;
             return c.GetCountABS(-1, &v);
         },
         -1},
        {"GetCountABS null", [](CVekt_ASDA& c) { return c.GetCountABS(0, nullptr); }, -1},
        {"GetCount channel 4", [](CVekt_ASDA& c) { return static_cast<int>(c.GetCount(4)); }, 0},
        {"GetCountReg channel 4", [](CVekt_ASDA& c) { return static_cast<int>(c.GetCountReg(4)); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.call(Card), c.result);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(Accesses(), std::vector<std::string>{});
    }
    for (long p : Card.ABSCount)
        EXPECT_EQ(p, 0);
    for (const POTGROUP& g : Card.m_PotData)
        for (const POTDATA& e : g.m_Pot)
            EXPECT_EQ(e.LastPotData, 0u);
}

TEST_F(AsdaTest, MoveIsBusyForItsTimeThenCountedAndLmotSeesTheEnd) {
    struct Case {
        int ch;
        const char* arg;
        long count;
    } cases[] = {{2, "200&100&0", 200}, {3, "200&100&1", -200}, {0, "100&50&0", 100}};
    // Two seconds of motion each, all at once: still busy right after the starts even
    // on a loaded machine.
    testing::internal::CaptureStdout();
    for (const Case& c : cases)
        EXPECT_EQ(Mot(c.ch, c.arg), 1);
    testing::internal::GetCapturedStdout();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(Card.Cmd_LMOT(c.ch, nullptr), 0);
        EXPECT_EQ(Card.Cmd_LDG(c.ch, nullptr), 0);
        EXPECT_EQ(Card.GetCount(c.ch), 0); // counted when the move ends
    }
    EXPECT_EQ(Card.Cmd_LMOT(1, nullptr), 1); // the idle channel
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Card.Cmd_LMOT(c.ch, nullptr) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(Card.Cmd_LMOT(c.ch, nullptr), 1);
        EXPECT_EQ(Card.GetCount(c.ch), c.count);
        long pos = 0;
        Card.GetCountABS(c.ch, &pos);
        EXPECT_EQ(pos, c.count); // software position agrees with the counter
    }
}

TEST_F(AsdaTest, LmotReadsTheChannelsBusyBitWithoutChannelSelect) {
    struct Case {
        int busy, ch, result;
    } cases[] = {{0x08, 3, 0}, {0x08, 2, 1}, {0x00, 3, 1}, {0xFF, 7, 0}, {0xFF, 8, 1}, {0xFF, 40, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.busy) + " ch " + std::to_string(c.ch));
        Bus.Ask("set 3 24 " + std::to_string(c.busy));
        Bus.Ask("trace on");
        EXPECT_EQ(Card.Cmd_LMOT(c.ch, nullptr), c.result);
        EXPECT_EQ(Accesses(), (std::vector<std::string>{"R 24 " + std::to_string(c.busy)}));
    }
}

TEST_F(AsdaTest, DriveThatNeverAnswersDoesNotHoldTheTask) {
    // Busy held on channel 1 only: the start wait (which looks at bit 0) runs out.
    Bus.Ask("set 3 24 2");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Mot(1, "10&100&0"), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Card.Cmd_LMOT(1, nullptr), 0);
    Bus.Ask("set 3 24 0");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Card.Cmd_LMOT(1, nullptr) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(Card.Cmd_LMOT(1, nullptr), 1);
}

TEST_F(AsdaTest, CounterDecodingAndRowComparesUnsigned) {
    struct Case {
        uint32_t raw;
        const char* threshold;
        long count;
        int row;
    } cases[] = {
        {0x80000005u, "5", 5, 1},     {0x80000005u, "6", 5, 0},
        {0x7FFFFFFFu, "1", -1, 1},    {0x7FFFFF6Au, "100", -150, 1},
        {0x7FFFFF6Au, "-1", -150, 0}, {0x80000005u, "-100", 5, 0},
        {0x80000000u, "0", 0, 1},     {0x00000000u, "2147483647", -2147483647L - 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        SetCounter(1, c.raw);
        EXPECT_EQ(Card.GetCount(1), c.count);
        char t[32];
        strcpy(t, c.threshold);
        EXPECT_EQ(Card.Cmd_ROW(1, t), c.row);
    }
    Accesses();
    SetCounter(1, 0x80000005u);
    EXPECT_EQ(Card.GetCount(1), 5);
    EXPECT_EQ(Accesses(), (std::vector<std::string>{"W 7 1", "R 20 5", "R 21 0", "R 22 0", "R 23 128"}));
}

TEST_F(AsdaTest, RoclrClearsCounterAndSoftwarePosition) {
    testing::internal::CaptureStdout();
    Mot(2, "40&10&1");
    testing::internal::GetCapturedStdout();
    SetCounter(2, 0x80000000u - 40);
    EXPECT_EQ(Card.Cmd_ROCLR(2, nullptr), 1);
    EXPECT_EQ(Accesses(), (std::vector<std::string>{"W 7 2", "W 19 1", "W 19 0"}));
    EXPECT_EQ(Card.GetCount(2), 0);
    char buf[1024];
    ASSERT_EQ(Card.GetHardData(buf, sizeof buf), 1);
    EXPECT_NE(std::string(buf).find(";CNT2=0;"), std::string::npos) << buf;
}

TEST_F(AsdaTest, SetpotStoresUntilTheFirstBlankAndDgMovesByTheDifference) {
    char pots[] = "Pot=100@250@ @400";
    testing::internal::CaptureStdout();
    EXPECT_EQ(Card.Cmd_SETPOT(1, pots), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CVekt_ASDA: 1\n");
    const POTDATA* t = Card.m_PotData[1].m_Pot;
    EXPECT_EQ(t[0].PotData, 100u);
    EXPECT_EQ(t[1].PotData, 250u);
    EXPECT_EQ(t[2].PotData, 0u);
    EXPECT_EQ(t[3].PotData, 0u);
    EXPECT_EQ(Accesses(), std::vector<std::string>{}); // loading a table is not a bus matter

    struct Step {
        const char* setpot; // loaded before the DG, or null
        const char* dg;
        int ctrl;
        uint32_t pulses;
        long pos;
    } steps[] = {
        {nullptr, "1", 0x80, 500, -250}, // first DG moves by the entry's value, direction 1
        {nullptr, "1", 0x80, 0, -250},   // again: nothing left to move
        {nullptr, "0", 0x80, 200, -350}, // another entry has its own last value
        // Back to a smaller value: the difference in direction 0, not a wrapped move.
        {"Pot=100@100", "1", 0x00, 300, -200},
        {"pot=5@900", "1", 0x80, 1600, -1000}, // the key is compared without case
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.setpot ? s.setpot : "") + " DG " + s.dg);
        testing::internal::CaptureStdout();
        if (s.setpot) {
            std::string a = s.setpot;
            EXPECT_EQ(Card.Cmd_SETPOT(1, a.data()), 1);
        }
        std::string d = s.dg;
        EXPECT_EQ(Card.Cmd_DG(1, d.data()), 1);
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_NE(printed.find("CVekt_ASDA: Cmd_DG=" + d + "\n"), std::string::npos) << printed;
        EXPECT_EQ(WithoutStartWait(Accesses()), MoveWrites(1, s.ctrl, 1, s.pulses, 0));
        long pos = 0;
        Card.GetCountABS(1, &pos);
        EXPECT_EQ(pos, s.pos);
    }
}

TEST_F(AsdaTest, MalformedSetpotLeavesTheTableAndStillSucceeds) {
    char first[] = "Pot=7@8";
    testing::internal::CaptureStdout();
    Card.Cmd_SETPOT(0, first);
    const char* bad[] = {"Pos=1@2", "Pot", "", "=1@2", "Pots=1", "Po=1"};
    for (const char* b : bad) {
        SCOPED_TRACE(b);
        std::string a = b;
        EXPECT_EQ(Card.Cmd_SETPOT(0, a.data()), 1);
        EXPECT_EQ(Card.m_PotData[0].AddPot(a.data()), -2);
        EXPECT_EQ(Card.m_PotData[0].m_Pot[0].PotData, 7u);
        EXPECT_EQ(Card.m_PotData[0].m_Pot[1].PotData, 8u);
    }
    EXPECT_EQ(Card.Cmd_SETPOT(0, nullptr), 1);
    EXPECT_EQ(Card.m_PotData[0].AddPot(nullptr), -1);
    testing::internal::GetCapturedStdout();

    // More than 64 values: the rest is ignored.
    std::string many = "Pot=";
    for (int i = 1; i <= 70; ++i)
        many += std::to_string(i) + "@";
    EXPECT_EQ(Card.m_PotData[2].AddPot(many.data()), 1);
    EXPECT_EQ(Card.m_PotData[2].m_Pot[63].PotData, 64u);
}

TEST_F(AsdaTest, OutputShadowIsSharedByBothRegisters) {
    struct Step {
        int ch;
        const char* value;
        const char* write;
    } steps[] = {
        {2, "1", "W 30 4"}, {9, "1", "W 31 6"}, // bit 2 carried over from the shadow, bit 1 for line 9
        {2, "0", "W 30 2"}, {15, "1", "W 31 130"}, {9, "7", "W 31 128"}, // anything but 1 switches off
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.ch);
        std::string v = s.value;
        EXPECT_EQ(Card.Cmd_OUT(s.ch, v.data()), 1);
        EXPECT_EQ(Accesses(), std::vector<std::string>{s.write});
    }
    EXPECT_EQ(Card.DigReg, 0x80);

    Bus.Ask("set 3 31 2");
    Bus.Ask("set 3 30 1");
    char one[] = "1", zero[] = "0";
    EXPECT_EQ(Card.Cmd_LD(9, one), 1);
    EXPECT_EQ(Card.Cmd_LD(8, one), 0);
    EXPECT_EQ(Card.Cmd_LD(8, zero), 1);
    EXPECT_EQ(Card.Cmd_LD(0, one), 1);
    EXPECT_EQ(Card.DigIn(17), HI); // line 17 is bit 1 of the high register
}

// Runs both bodies on their own threads, released at the same moment.
void RunTogether(const std::function<void()>& a, const std::function<void()>& b) {
    std::latch go(3);
    std::thread ta([&] {
        go.arrive_and_wait();
        a();
    });
    std::thread tb([&] {
        go.arrive_and_wait();
        b();
    });
    go.arrive_and_wait();
    ta.join();
    tb.join();
}

// Both tests below run short rounds released together, so that the threads overlap
// often and each round's accesses fit in the rack's trace.
TEST_F(AsdaTest, TasksSwitchingDifferentLinesKeepEachOthersLines) {
    auto toggle = [this](int ch) {
        char on[] = "1", off[] = "0";
        for (int i = 0; i < 100; ++i) {
            Card.Cmd_OUT(ch, on);
            Card.Cmd_OUT(ch, off);
        }
    };
    int prev = 0, writes = 0, lost = 0;
    for (int round = 0; round < 40; ++round) {
        RunTogether([&] { toggle(0); }, [&] { toggle(5); });
        // Each OUT switches one line: every value written differs from the one before
        // it in exactly one bit, unless a task wrote from a shadow another had changed.
        for (const std::string& a : Accesses()) {
            int value = 0;
            if (sscanf(a.c_str(), "W 30 %d", &value) != 1) continue;
            ++writes;
            lost += __builtin_popcount(static_cast<unsigned>(prev ^ value)) != 1;
            prev = value;
        }
    }
    EXPECT_EQ(writes, 40 * 400);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(Card.DigReg, 0);
}

TEST_F(AsdaTest, MovesOfTwoTasksOnOneCardReachTheirOwnChannels) {
    Bus.Ask("set 3 24 1"); // keeps every start wait short
    const int ctrl[] = {0x00, 0xA0, -1, -1}, freq[] = {50, 9, -1, -1}, low[] = {200, 14, -1, -1};
    int checked = 0;
    testing::internal::CaptureStdout();
    for (int round = 0; round < 30; ++round) {
        Bus.Ask("trace on");
        RunTogether(
            [&] {
                for (int i = 0; i < 8; ++i) {
                    char arg[] = "100&50&0";
                    Card.Cmd_MOT(0, arg);
                }
            },
            [&] {
                for (int i = 0; i < 8; ++i) {
                    char arg[] = "7&9&1&1";
                    Card.Cmd_MOT(1, arg);
                    (void)Card.GetCountReg(2); // the status sender selects channels too
                }
            });
        // Every channel register written must carry the value of the channel selected.
        int sel = -1;
        for (const std::string& l : Bus.Trace()) {
            char op = 0;
            int slot, reg, value;
            ASSERT_EQ(sscanf(l.c_str(), "%c %d %d %d", &op, &slot, &reg, &value), 4);
            if (op != 'W' || reg == 0) continue;
            if (reg == 7) {
                sel = value;
                continue;
            }
            ASSERT_GE(sel, 0);
            if (reg == 8) {
                EXPECT_EQ(value, ctrl[sel]) << "channel " << sel;
            }
            if (reg == 9) {
                EXPECT_EQ(value, freq[sel]) << "channel " << sel;
            }
            if (reg == 12) {
                EXPECT_EQ(value, low[sel]) << "channel " << sel;
            }
            if (reg == 24) {
                EXPECT_TRUE(sel == 0 || sel == 1);
            }
            checked += reg == 8;
        }
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(checked, 30 * 16);
}

TEST_F(AsdaTest, StatusTextReportsLinesPositionsAndPulseCounts) {
    testing::internal::CaptureStdout();
    Mot(1, "500&10&1&1&1&2");
    Mot(3, "12&200&0");
    testing::internal::GetCapturedStdout();
    char two[] = "1";
    Card.Cmd_OUT(1, two);
    Bus.Ask("set 3 31 9");
    char buf[1024];
    ASSERT_EQ(Card.GetHardData(buf, sizeof buf), 1);
    char expect[1024];
    WrapHardData("Type=Vekt_ASDA;TypeID=132;SlotID=3;IOL8=2;IOM8=9;CNT0=0;CNT1=-500;CNT2=0;CNT3=12;"
                 "OCNT0=0;OCNT1=-500;OCNT2=0;OCNT3=12;",
                 expect, sizeof expect);
    EXPECT_STREQ(buf, expect);

    EXPECT_EQ(Card.GetHardData(nullptr, 10), -2);
    EXPECT_EQ(Card.GetHardData(buf, static_cast<int>(strlen(expect))), -1);
}

TEST_F(AsdaTest, InitHardwareClearsEveryChannelAndSetsTheFilter) {
    Card.InitHardware();
    std::vector<std::string> expect;
    for (int ch = 0; ch < 4; ++ch) {
        std::vector<std::string> one = {"W 7 " + std::to_string(ch), "W 18 255", "W 18 0", "W 19 255",
                                        "W 19 0"};
        expect.insert(expect.end(), one.begin(), one.end());
    }
    expect.push_back("W 36 240");
    EXPECT_EQ(Accesses(), expect);
    EXPECT_EQ(Card.GetHardType(), 0x84);
    char name[16];
    EXPECT_STREQ(Card.GetHardTypeName(name), "Vekt_ASDA");
    EXPECT_STREQ(name, "Vekt_ASDA");
}

TEST(AsdaMaker, MakesTheServoCardClass) {
    CVekt_MANAGER* c = CreateVektASDA();
    ASSERT_NE(dynamic_cast<CVekt_ASDA*>(c), nullptr);
    delete c;
}

} // namespace
