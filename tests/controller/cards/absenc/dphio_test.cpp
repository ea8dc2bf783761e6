// Analog card on the simulated rack: converter set-up, conversions, calibration tables,
// inputs and status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "measure.h"
#include "plov_dphio.h"

using measuretest::Frame;
using measuretest::Selected;
using measuretest::TraceFromBoard;

namespace {

constexpr int Slot = 3;

class AnalogTest : public ::testing::Test {
  protected:
    AnalogTest() : Bus("[slots]\n3 = 0x70\n") { Card.SetSlotID(Slot); }
    // Presents raw reading `raw` on channel k through the rack's direct registers.
    void SetRaw(int k, unsigned raw) {
        ASSERT_EQ(Bus.Ask("set 3 " + std::to_string(32 + 2 * k) + " " + std::to_string(raw & 0xFF)), "ok");
        ASSERT_EQ(Bus.Ask("set 3 " + std::to_string(33 + 2 * k) + " " + std::to_string(raw >> 8)), "ok");
    }
    vz5test::SimBus Bus;
    CPlov_DPHIO Card;
};

// The register accesses of one converter parameter write.
std::vector<std::string> ParamWrite(int reg, int val) {
    return {"W 3 9 1",
            "W 3 10 " + std::to_string(reg * 2 + 1),
            "W 3 11 " + std::to_string(val),
            "W 3 6 1",
            "W 3 6 1",
            "W 3 9 0"};
}

TEST_F(AnalogTest, InitialisationSetsUpTheConverter) {
    ASSERT_TRUE(Bus.Opened);
    TraceFromBoard(Bus);
    Card.InitHardware();
    const std::pair<int, int> params[] = {{1, 255}, {2, 0}, {3, 0},  {5, 2},  {6, 2}, {7, 2},
                                          {8, 2},   {9, 2}, {10, 2}, {11, 2}, {12, 2}};
    std::vector<std::string> accesses;
    for (auto [reg, val] : params)
        for (auto& a : ParamWrite(reg, val))
            accesses.push_back(a);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, accesses));
    // The rack's converter took every parameter.
    for (auto [reg, val] : params)
        EXPECT_EQ(Bus.Ask("get 3 " + std::to_string(128 + reg)), std::to_string(val)) << reg;
}

TEST_F(AnalogTest, ParameterReadsBackThroughTheHighByteRegister) {
    SetRaw(0, 0x1234); // the reading's high byte must not show through during the access
    Card.WriteAD(20, 0x5A);
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.ReadAD(20), 0x5A);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, {"W 3 9 1", "W 3 10 40", "W 3 11 0", "W 3 6 1", "W 3 6 1",
                                           "R 3 7 90", "W 3 9 0"}));
    EXPECT_EQ(Card.GetAngle(0), 0x1234); // and the reading is back afterwards
}

TEST_F(AnalogTest, RawReadingsBecomeVolts) {
    struct {
        unsigned raw;
        double volts;
    } cases[] = {{0x0000, -2.5599609}, {0x7FFF, 0.0},        {0x8000, 0.0000781}, {0xFFFF, 2.5600391},
                 {0x4000, -1.2799414}, {0x1234, -2.1958929}, {0xABCD, 0.8761071}, {0x7FFE, -0.0000781}};
    for (const auto& c : cases) {
        SetRaw(2, c.raw);
        EXPECT_EQ(Card.GetAngle(2), c.raw);
        EXPECT_NEAR(Card.GetTrueAngle(2), c.volts, 1e-6) << std::hex << c.raw;
        EXPECT_FLOAT_EQ(Card.Cmd_AV(2, nullptr, nullptr), Card.GetTrueAngle(2)) << std::hex << c.raw;
    }
}

TEST_F(AnalogTest, ConversionSelectsChannelThenReadsLowAndHighByte) {
    SetRaw(2, 0x4000);
    TraceFromBoard(Bus);
    EXPECT_NEAR(Card.GetTrueAngle(2), -1.280, 0.0005);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, {"W 3 5 2", "R 3 6 0", "R 3 7 64"}));
}

TEST_F(AnalogTest, CalibrationTablesComeFromTheCardsOwnSections) {
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(Bus.Dir.c_str()), 0);
    std::ofstream("CalibTab.ini") << "[3_0]\nVoltage = 0.5,1.0,2.0,\nTrue = 10,20,40,\n"
                                  << "[3_5]\nVoltage = 1,2,\nTrue = 7,9\n"
                                  << "[0_1]\nVoltage = 9,9,9,\nTrue = 9,9,9,\n" // another card's
                                  << "[3_7]\nVoltage = 1,2,\n";                 // no True key
    Card.InitHardware();
    ASSERT_EQ(chdir(old), 0);

    const CALIBTAB identity;
    const auto& c0 = Card.ADChCalib[0];
    EXPECT_EQ(c0.Num, 4); // the trailing comma gives an empty fourth point
    const float v0[] = {0.5f, 1.0f, 2.0f, 0.0f}, t0[] = {10, 20, 40, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(c0.Voltage[i], v0[i]) << i;
        EXPECT_FLOAT_EQ(c0.TrueData[i], t0[i]) << i;
    }
    EXPECT_EQ(Card.ADChCalib[5].Num, 2);
    EXPECT_FLOAT_EQ(Card.ADChCalib[5].TrueData[1], 9);
    for (int ch : {1, 2, 3, 4, 6, 7}) {
        EXPECT_EQ(Card.ADChCalib[ch].Num, identity.Num) << ch;
        EXPECT_EQ(memcmp(Card.ADChCalib[ch].Voltage, identity.Voltage, sizeof identity.Voltage), 0) << ch;
        EXPECT_EQ(memcmp(Card.ADChCalib[ch].TrueData, identity.TrueData, sizeof identity.TrueData), 0) << ch;
    }
}

TEST_F(AnalogTest, WithoutCalibrationFileTablesStayIdentity) {
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(Bus.Dir.c_str()), 0);
    testing::internal::CaptureStdout();
    Card.InitHardware();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(chdir(old), 0);
    const CALIBTAB identity;
    for (const auto& t : Card.ADChCalib) {
        EXPECT_EQ(t.Num, identity.Num);
        EXPECT_EQ(memcmp(t.TrueData, identity.TrueData, sizeof t.TrueData), 0);
    }
    EXPECT_EQ(Bus.Ask("get 3 129"), "255"); // the converter was still set up
}

TEST_F(AnalogTest, StatusReportsRawHexThenVolts) {
    const unsigned raw[8] = {0x0000, 0x7FFF, 0x1234, 0xFFFF, 0x8000, 0x4000, 0xABCD, 0x00FF};
    for (int k = 0; k < 8; ++k)
        SetRaw(k, raw[k]);
    const std::string frame =
        Frame("Type=Plov_DPHIO;TypeID=112;SlotID=3;CNT0=0000;CNT1=7FFF;CNT2=1234;CNT3=FFFF;"
              "CNT4=8000;CNT5=4000;CNT6=ABCD;CNT7=00FF;A0=-2.560;A1=0.000;A2=-2.196;"
              "A3=2.560;A4=0.000;A5=-1.280;A6=0.876;A7=-2.540;");
    char buf[1024];
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.GetHardData(buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), frame);
    // All eight voltages are sampled before the eight raw readings.
    std::vector<std::string> selects;
    for (const auto& line : Bus.Trace())
        if (line.rfind("W 3 5 ", 0) == 0) selects.push_back(line.substr(6));
    EXPECT_EQ(selects, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "0", "1", "2", "3",
                                                 "4", "5", "6", "7"}));
    std::string small(frame.size(), 'x');
    EXPECT_EQ(Card.GetHardData(small.data(), static_cast<int>(frame.size())), -1);
    EXPECT_EQ(small, std::string(frame.size(), 'x'));
    EXPECT_EQ(Card.GetHardData(nullptr, 1024), -2);
}

TEST_F(AnalogTest, InputsDecideLdAndIf) {
    ASSERT_EQ(Bus.Ask("set 3 12 0x08"), "ok"); // input 3
    ASSERT_EQ(Bus.Ask("set 3 13 0x10"), "ok"); // input 12
    char out[64];
    struct {
        int ch;
        const char* arg;
        const char* chosen;
        int result;
    } cases[] = {{3, "1&GOON&NUL", "GOON", 1},
                 {4, "1&GOON&NUL", "NUL", 0},
                 {12, "1&H.F&L.F", "H.F", 1},
                 {15, "0&H.F&Nul", "H.F", 1},
                 {8, "1&H.F&Nul", "Nul", 0}};
    for (const auto& c : cases) {
        char arg[64];
        strcpy(arg, c.arg);
        EXPECT_EQ(Card.Cmd_IF(c.ch, arg, out), c.result) << c.ch << " " << c.arg;
        EXPECT_STREQ(out, c.chosen) << c.ch << " " << c.arg;
    }
    char one[] = "1", zero[] = "0";
    EXPECT_EQ(Card.Cmd_LD(3, one), 1);
    EXPECT_EQ(Card.Cmd_LD(3, zero), 0);
    EXPECT_EQ(Card.Cmd_LD(5, zero), 1);
    // Input 12 is bit 4 of the high input register.
    char ifArg[] = "1&A.F&NUL";
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.Cmd_IF(12, ifArg, out), 1);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, {"R 3 13 16"}));
}

TEST_F(AnalogTest, RefusedCallsTouchNoRegister) {
    char one[] = "1", out[64] = "", ifArg[] = "1&GOON&NUL", twoFields[] = "1&GOON";
    TraceFromBoard(Bus);
    for (int ch : {0, 7, 8})
        EXPECT_EQ(Card.Cmd_ROW(ch, one), 0) << ch; // no threshold test on analog channels
    EXPECT_EQ(Card.Cmd_LD(0, nullptr), 0);
    EXPECT_EQ(Card.Cmd_LD(16, one), 0);
    EXPECT_EQ(Card.Cmd_IF(16, ifArg, out), 0);
    EXPECT_EQ(Card.Cmd_IF(-2, ifArg, out), 0);
    EXPECT_EQ(Card.Cmd_IF(1, twoFields, out), 0);
    EXPECT_EQ(Card.Cmd_IF(1, ifArg, nullptr), -1);
    EXPECT_EQ(Card.GetHardData(nullptr, 10), -2);
    EXPECT_TRUE(Bus.Trace().empty());
    char name[32];
    EXPECT_STREQ(Card.GetHardTypeName(name), "Plov_DPHIO");
    EXPECT_STREQ(name, "Plov_DPHIO");
}

// Status sender and PLC tasks read channels of one card at the same time; a reading
// must never mix the bytes of two channels.
TEST_F(AnalogTest, ConcurrentReadersGetWholeReadings) {
    SetRaw(0, 0x1111);
    SetRaw(1, 0x2222);
    std::atomic<int> bad{0};
    auto reader = [&](int ch, unsigned short want) {
        for (int i = 0; i < 150; ++i)
            if (Card.GetAngle(ch) != want) ++bad;
    };
    std::thread a(reader, 0, 0x1111), b(reader, 1, 0x2222);
    a.join();
    b.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
