// CPU board and digital I/O card on the simulated rack: register sequences of OUT,
// LD, IF and the keypad, the internal bits, status texts, refused input and
// concurrent outputs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "protocol.h"
#include "simbus.h"
#include "vekt_cpu.h"
#include "vekt_ios.h"

namespace {

using Lines = std::vector<std::string>;

// Board with an I/O card in slot 2; slot 7 stays empty (floating bus).
class DigitalTest : public ::testing::Test {
  protected:
    DigitalTest() : Bus("[board]\nkind = 0xA3\ntasks = 2\n[slots]\n2 = 0x83\n") {}
    void SetUp() override {
        ASSERT_TRUE(Bus.Opened);
        Ios.SetSlotID(2);
        Bus.Ask("trace on");
    }
    // Selects slot first, so that every select in the next trace reads "W slot 0 slot".
    void Prime(int slot) {
        outportb(0, static_cast<unsigned char>(slot));
        Take();
    }
    // Accesses since the last call.
    Lines Take() {
        Lines t = Bus.Trace();
        Bus.Ask("trace on");
        return t;
    }
    CVekt_MANAGER& Card(bool cpu) { return cpu ? static_cast<CVekt_MANAGER&>(Cpu) : Ios; }

    vz5test::SimBus Bus;
    CVekt_CPU Cpu;
    CVekt_IOS Ios;
};

TEST_F(DigitalTest, OutChangesOneBitOfTheChosenRegisterKeepingTheOthers) {
    struct Case {
        bool cpu;
        int ch;
        const char* arg;
        int reg;
        int before;
        int after;
    };
    const Case cases[] = {
        {false, 9, "1", 6, 0xA5, 0xA7},  {false, 9, "0", 6, 0xA7, 0xA5},  {false, 9, "2", 6, 0xA7, 0xA5},
        {false, 0, "1", 5, 0x00, 0x01},  {false, 7, "1", 5, 0x01, 0x81},  {false, 15, "1", 6, 0x00, 0x80},
        {false, 16, "1", 7, 0x80, 0x81}, {false, 19, "0", 7, 0xFF, 0xF7}, {true, 7, "1", 5, 0x10, 0x90},
        {true, 8, "1", 6, 0x00, 0x01},   {true, 16, "1", 6, 0x40, 0x41},  {true, 16, "0", 6, 0x41, 0x40},
    };
    for (const Case& c : cases) {
        int slot = c.cpu ? 0 : 2;
        std::string where = std::to_string(slot) + " " + std::to_string(c.reg);
        Bus.Ask("set " + where + " " + std::to_string(c.before));
        Prime(slot);
        char arg[8];
        snprintf(arg, sizeof arg, "%s", c.arg);
        EXPECT_EQ(Card(c.cpu).Cmd_OUT(c.ch, arg), 1);
        std::string sel = "W " + std::to_string(slot) + " 0 " + std::to_string(slot);
        EXPECT_EQ(Take(), (Lines{sel, "R " + where + " " + std::to_string(c.before), sel,
                                 "W " + where + " " + std::to_string(c.after)}))
            << (c.cpu ? "CPU" : "IOS") << " channel " << c.ch << " arg " << c.arg;
        EXPECT_EQ(Bus.Ask("get " + where), std::to_string(c.after));
    }
}

TEST_F(DigitalTest, LdAndIfReadTheInputBit) {
    struct Case {
        bool cpu;
        int ch;
        int reg;
        int value; // register content
        const char* arg;
        int result;
    };
    const Case cases[] = {
        {false, 3, 8, 0x08, "1", 1},  {false, 3, 8, 0x08, "0", 0},  {false, 3, 8, 0xF7, "0", 1},
        {false, 12, 9, 0x10, "1", 1}, {false, 12, 9, 0xEF, "1", 0}, {false, 20, 9, 0x10, "1", 1},
        {true, 3, 3, 0x08, "1", 1},   {true, 3, 3, 0x00, "1", 0},   {true, 9, 4, 0x02, "1", 1},
        {true, 9, 4, 0x02, "x", 0}, // a non-numeric level reads as 0
    };
    for (const Case& c : cases) {
        int slot = c.cpu ? 0 : 2;
        std::string where = std::to_string(slot) + " " + std::to_string(c.reg);
        Bus.Ask("set " + where + " " + std::to_string(c.value));
        Prime(slot);
        char arg[8];
        snprintf(arg, sizeof arg, "%s", c.arg);
        EXPECT_EQ(Card(c.cpu).Cmd_LD(c.ch, arg), c.result) << c.ch << " " << c.arg;
        EXPECT_EQ(Take(), (Lines{"W " + std::to_string(slot) + " 0 " + std::to_string(slot),
                                 "R " + where + " " + std::to_string(c.value)}));
    }
}

TEST_F(DigitalTest, IfChoosesTheTextByTheInputAndNulMeansNoFile) {
    struct Case {
        int input; // register 8 of the I/O card
        const char* arg;
        const char* out;
        int result;
    };
    const Case cases[] = {
        {0x08, "1&GOON&NUL", "GOON", 1}, {0x00, "1&GOON&NUL", "NUL", 0}, {0x00, "0&A.F&B.F", "A.F", 1},
        {0x08, "0&A.F&B.F", "B.F", 1},   {0x08, "1&nul&X", "nul", 0},    {0x08, "1&&X", "", 1},
    };
    for (bool cpu : {false, true}) {
        for (const Case& c : cases) {
            Bus.Ask(std::string(cpu ? "set 0 3 " : "set 2 8 ") + std::to_string(c.input));
            char arg[32], out[32] = "junk";
            snprintf(arg, sizeof arg, "%s", c.arg);
            EXPECT_EQ(Card(cpu).Cmd_IF(3, arg, out), c.result) << c.arg;
            EXPECT_STREQ(out, c.out) << c.arg;
        }
    }
}

// Bad input gets its result and never reaches the bus.
TEST_F(DigitalTest, RefusedCallsTouchNoRegister) {
    char one[] = "1", noFields[] = "1&GOON", full[] = "1&A&B";
    char out[16] = "keep";
    struct Case {
        const char* what;
        std::function<int()> call;
        int result;
    };
    const Case cases[] = {
        {"IOS OUT null", [&] { return Ios.Cmd_OUT(1, nullptr); }, 0},
        {"IOS OUT -1", [&] { return Ios.Cmd_OUT(-1, one); }, 0},
        {"CPU OUT null", [&] { return Cpu.Cmd_OUT(1, nullptr); }, 0},
        {"CPU OUT -3", [&] { return Cpu.Cmd_OUT(-3, one); }, 0},
        {"IOS LD null", [&] { return Ios.Cmd_LD(1, nullptr); }, 0},
        {"IOS LD -1", [&] { return Ios.Cmd_LD(-1, one); }, 0},
        {"CPU LD -1", [&] { return Cpu.Cmd_LD(-1, one); }, 0},
        {"IOS DigIn -1", [&] { return static_cast<int>(Ios.DigIn(-1)); }, LOW},
        {"IOS IF 16", [&] { return Ios.Cmd_IF(16, full, out); }, 0},
        {"IOS IF -1", [&] { return Ios.Cmd_IF(-1, full, out); }, 0},
        {"CPU IF null arg", [&] { return Cpu.Cmd_IF(3, nullptr, out); }, 0},
        {"CPU IF two fields", [&] { return Cpu.Cmd_IF(3, noFields, out); }, 0},
        {"IOS IF null out", [&] { return Ios.Cmd_IF(3, full, nullptr); }, -1},
        {"OUTI null", [&] { return Cpu.Cmd_OUTI(5, nullptr); }, 0},
        {"OUTI 256", [&] { return Cpu.Cmd_OUTI(256, one); }, 0},
        {"OUTI -1", [&] { return Cpu.Cmd_OUTI(-1, one); }, 0},
        {"LDI null", [&] { return Cpu.Cmd_LDI(5, nullptr); }, 0},
        {"LDI 256", [&] { return Cpu.Cmd_LDI(256, one); }, 0},
        {"LDI -1", [&] { return Cpu.Cmd_LDI(-1, one); }, 0},
    };
    Take();
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.result) << c.what;
        EXPECT_EQ(Take(), Lines{}) << c.what;
    }
    EXPECT_STREQ(out, "keep");
}

TEST_F(DigitalTest, InternalBitsKeepTheLowByteAndCompareWholeNumbers) {
    char v300[] = "300", v44[] = "44", v1[] = "1", v0[] = "0";
    EXPECT_EQ(Cpu.Cmd_OUTI(5, v300), 1);
    EXPECT_EQ(GlobeIOPool[5], 44);
    EXPECT_EQ(Cpu.Cmd_LDI(5, v44), 1);
    EXPECT_EQ(Cpu.Cmd_LDI(5, v300), 0);
    EXPECT_EQ(Cpu.Cmd_OUTI(255, v1), 1);
    EXPECT_EQ(Cpu.Cmd_LDI(255, v1), 1);
    EXPECT_EQ(Cpu.Cmd_LDI(254, v0), 1);
    EXPECT_EQ(Take(), Lines{}); // the pool is memory only
}

TEST_F(DigitalTest, KeypadCodesTranslateAndAreAcknowledgedWithZero) {
    struct Case {
        int code;
        HKEY key;
        int clears; // writes of 0 to the clear register
    };
    const Case cases[] = {
        {0x70, HKEY_0, 1},         {0x69, HKEY_1, 1},   {0x72, HKEY_2, 1},     {0x7A, HKEY_3, 1},
        {0x6B, HKEY_4, 1},         {0x73, HKEY_5, 1},   {0x74, HKEY_6, 1},     {0x6C, HKEY_7, 1},
        {0x75, HKEY_8, 1},         {0x7D, HKEY_9, 1},   {0x4A, HKEY_Slash, 1}, {0x77, HKEY_Num, 1},
        {0x7C, HKEY_Star, 1},      {0x7B, HKEY_Dec, 1}, {0x79, HKEY_Plus, 1},  {0x5A, HKEY_Enter, 1},
        {0x66, HKEY_BackSpace, 1}, {0xF0, HKEY_NUL, 1}, {0xE0, HKEY_NUL, 1},   {0x00, HKEY_NUL, 1},
        {0x11, HKEY_NUL, 2}, // unknown code: acknowledged, then cleared again
    };
    for (const Case& c : cases) {
        Bus.Ask("key " + std::to_string(c.code));
        Take();
        EXPECT_EQ(Cpu.ReadHKey(), c.key) << std::hex << c.code;
        Lines want{"W 0 0 0", "R 0 2 " + std::to_string(c.code)};
        for (int i = 0; i < c.clears; ++i) {
            want.push_back("W 0 0 0");
            want.push_back("W 0 1 0");
        }
        EXPECT_EQ(Take(), want) << std::hex << c.code;
        EXPECT_EQ(Bus.Ask("get 0 2"), "0") << std::hex << c.code;
        EXPECT_EQ(Cpu.ReadHKey(), HKEY_NUL) << "presented once: " << std::hex << c.code;
    }
}

std::string Envelope(const std::string& body) {
    return "{CMD_HARD:" + body + ":" +
           std::to_string(SndCheckSum(body.c_str(), static_cast<short>(body.size()))) + "}#";
}

TEST_F(DigitalTest, StatusTextsShowInputsAndOutputs) {
    for (const char* req : {"set 2 8 15", "set 2 9 240", "set 2 5 1", "set 2 6 2", "set 2 7 3", "set 0 3 7",
                            "set 0 4 8", "set 0 5 9", "set 0 6 10"})
        Bus.Ask(req);
    const std::string ios = Envelope("Type=Vekt_IOS;TypeID=131;SlotID=2;IOL8=15;IOM8=240;OL8=1;OM8=2;OH8=3;");
    const std::string cpu = Envelope("Type=Vekt_CPU;TypeID=163;SlotID=0;IOL8=7;IOM8=8;OL8=9;OM8=10;");
    char buf[512];
    EXPECT_EQ(Ios.GetHardData(buf, sizeof buf), 1);
    EXPECT_EQ(buf, ios);
    EXPECT_EQ(Cpu.GetHardData(buf, sizeof buf), 1);
    EXPECT_EQ(buf, cpu);

    // Exactly as long as the text leaves no room for its zero: refused, nothing written.
    std::vector<char> tight(cpu.size(), 'x');
    EXPECT_EQ(Cpu.GetHardData(tight.data(), static_cast<int>(tight.size())), -1);
    EXPECT_EQ(std::string(tight.begin(), tight.end()), std::string(cpu.size(), 'x'));
    EXPECT_EQ(Ios.GetHardData(nullptr, 512), -2);
}

TEST_F(DigitalTest, BoardRegistersAndIdentity) {
    Bus.Ask("set 0 7 0x5C");
    Prime(2);
    EXPECT_EQ(Ios.GetHardVer(), 0x12);
    // The slot is written through the card's own access, which selects it first.
    EXPECT_EQ(Take(), (Lines{"W 2 0 2", "W 2 0 2", "W 2 0 2", "R 2 3 18"}));
    EXPECT_EQ(Ios.GetHardType(), 0x83);
    EXPECT_EQ(Cpu.GetHardType(), 0xA3);
    EXPECT_EQ(Cpu.GetTaskNum(), 2);
    EXPECT_EQ(Cpu.GetCPUSeting(), 0x5C);
    char name[16];
    EXPECT_STREQ(Ios.GetHardTypeName(name), "Vekt_IOS");
    EXPECT_STREQ(name, "Vekt_IOS");
    EXPECT_STREQ(Cpu.GetHardTypeName(nullptr), "Vekt_CPU");
    EXPECT_EQ(Ios.GetFaultReport(nullptr), 0);
    EXPECT_EQ(Cpu.GetFaultReport(nullptr), 1);

    Take();
    EXPECT_EQ(Ios.SetFaultReport(1), 1);
    EXPECT_EQ(Cpu.SetFaultReport(1), 1);
    EXPECT_EQ(Ios.SetFaultReport(2), 1); // only 0 and 1 reach the register
    EXPECT_EQ(Take(), (Lines{"W 0 0 2", "W 2 10 1", "W 2 0 0", "W 0 2 1"}));
    EXPECT_EQ(Bus.Ask("last 2 10"), "1");
    EXPECT_EQ(Bus.Ask("last 0 2"), "1");

    Cpu.SetSlotID(5); // the board stays slot 0
    EXPECT_EQ(Cpu.SlotID, 0);
}

// An I/O card object on an empty slot reads 255 everywhere: every input is set, and
// OUT writes back 255 with its one bit changed.
TEST_F(DigitalTest, FailedReadsCountAsAllBitsSet) {
    CVekt_IOS gone;
    gone.SetSlotID(7);
    char one[] = "1", zero[] = "0";
    EXPECT_EQ(gone.Cmd_LD(4, one), 1);
    Take();
    EXPECT_EQ(gone.Cmd_OUT(2, zero), 1);
    EXPECT_EQ(Take(), (Lines{"W 7 0 7", "R 7 5 255", "W 7 0 7", "W 7 5 251"}));
}

// Two tasks switching different bits of one output register at the same moment must
// both be seen, and the register's other bits must survive.
TEST_F(DigitalTest, ConcurrentOutputsOnOneRegisterLoseNoChange) {
    for (bool cpu : {false, true}) {
        CVekt_MANAGER& card = Card(cpu);
        const std::string where = cpu ? "0 5" : "2 5";
        Bus.Ask("trace off");
        Bus.Ask("set " + where + " 128");
        int lost = 0;
        for (int round = 0; round < 150 && lost == 0; ++round) {
            for (const char* level : {"1", "0"}) {
                std::atomic<int> ready{0};
                auto task = [&](int ch) {
                    char arg[2] = {level[0], 0};
                    ready.fetch_add(1);
                    while (ready.load() < 2) {
                    }
                    card.Cmd_OUT(ch, arg);
                };
                std::thread a(task, 1), b(task, 2);
                a.join();
                b.join();
                std::string want = level[0] == '1' ? "134" : "128";
                if (Bus.Ask("get " + where) != want) ++lost;
            }
        }
        EXPECT_EQ(lost, 0) << (cpu ? "CPU" : "IOS");
        EXPECT_EQ(Bus.Ask("get " + where), "128");
    }
}

} // namespace
