// Absolute-encoder card on the simulated rack: readings, thresholds, inputs, status.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "measure.h"
#include "vekt_absenc.h"

using measuretest::Frame;
using measuretest::Selected;
using measuretest::TraceFromBoard;

namespace {

constexpr int Slot = 3;

class EncoderTest : public ::testing::Test {
  protected:
    EncoderTest() : Bus("[slots]\n3 = 0x85\n") { Card.SetSlotID(Slot); }
    // Presents a reading on encoder k through the rack's direct registers.
    void SetEncoder(int k, unsigned low, unsigned high) {
        ASSERT_EQ(Bus.Ask("set 3 " + std::to_string(32 + 2 * k) + " " + std::to_string(low)), "ok");
        ASSERT_EQ(Bus.Ask("set 3 " + std::to_string(33 + 2 * k) + " " + std::to_string(high)), "ok");
    }
    vz5test::SimBus Bus;
    CVekt_ABSENC Card;
};

TEST_F(EncoderTest, ReadingSelectsThenReadsLowAndHighByte) {
    ASSERT_TRUE(Bus.Opened);
    SetEncoder(2, 0x34, 0x12);
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.GetAngle(2), 0x1F34);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, {"W 3 7 2", "R 3 8 52", "R 3 9 18"}));
}

TEST_F(EncoderTest, ReadingsAlwaysCarryBits8To11) {
    struct {
        unsigned low, high, reading;
    } cases[] = {{0x00, 0x00, 0x0F00},
                 {0x34, 0x12, 0x1F34},
                 {0x05, 0x30, 0x3F05},
                 {0xFF, 0xFF, 0xFFFF},
                 {0xA5, 0xF0, 0xFFA5}};
    for (const auto& c : cases) {
        SetEncoder(1, c.low, c.high);
        EXPECT_EQ(Card.GetAngle(1), c.reading) << std::hex << c.low << " " << c.high;
    }
}

TEST_F(EncoderTest, RowComparesReadingWithThreshold) {
    SetEncoder(0, 0x10, 0x20); // 0x2F10 = 12048
    SetEncoder(3, 0x00, 0x00); // 0x0F00 = 3840
    struct {
        int ch;
        const char* arg;
        int result;
    } cases[] = {{0, "12048", 1}, {0, "12049", 0}, {0, "0", 1},   {3, "3840", 1},
                 {3, "3841", 0},  {3, "-5", 1},    {3, "abc", 1}, {0, "99999", 0}};
    for (const auto& c : cases) {
        char arg[32];
        strcpy(arg, c.arg);
        EXPECT_EQ(Card.Cmd_ROW(c.ch, arg), c.result) << c.ch << " " << c.arg;
    }
}

TEST_F(EncoderTest, RefusedRowAndInputCallsTouchNoRegister) {
    char one[] = "1", out[64] = "", ifArg[] = "1&GOON&NUL", noOther[] = "1&GOON";
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.Cmd_ROW(4, one), 0);
    EXPECT_EQ(Card.Cmd_ROW(-1, one), 0);
    EXPECT_EQ(Card.Cmd_ROW(0, nullptr), 0);
    EXPECT_EQ(Card.Cmd_LD(0, nullptr), 0);
    EXPECT_EQ(Card.Cmd_LD(16, one), 0);
    EXPECT_EQ(Card.Cmd_LD(-1, one), 0);
    EXPECT_EQ(Card.Cmd_IF(16, ifArg, out), 0);
    EXPECT_EQ(Card.Cmd_IF(-1, ifArg, out), 0);
    EXPECT_EQ(Card.Cmd_IF(3, nullptr, out), 0);
    EXPECT_EQ(Card.Cmd_IF(3, noOther, out), 0);
    EXPECT_EQ(Card.Cmd_IF(3, ifArg, nullptr), -1);
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(Bus.Trace().empty());
}

TEST_F(EncoderTest, InputsShareTheDataRegistersOfTheSelectedEncoder) {
    SetEncoder(0, 0x08, 0x10); // input 3 set, input 12 set
    ASSERT_EQ(Bus.Ask("set 3 7 0"), "ok");
    char out[64];
    struct {
        int ch;
        const char* arg;
        const char* chosen;
        int result;
    } cases[] = {{3, "1&GOON&NUL", "GOON", 1}, {3, "0&GOON&NUL", "NUL", 0}, {2, "1&A.F&nul", "nul", 0},
                 {2, "0&A.F&B.F", "A.F", 1},   {12, "1&H.F&L.F", "H.F", 1}, {11, "1&H.F&L.F", "L.F", 1},
                 {3, "1&&NUL", "", 1}};
    for (const auto& c : cases) {
        char arg[64];
        strcpy(arg, c.arg);
        strcpy(out, "junk");
        EXPECT_EQ(Card.Cmd_IF(c.ch, arg, out), c.result) << c.ch << " " << c.arg;
        EXPECT_STREQ(out, c.chosen) << c.ch << " " << c.arg;
    }
    char one[] = "1", zero[] = "0";
    EXPECT_EQ(Card.Cmd_LD(3, one), 1);
    EXPECT_EQ(Card.Cmd_LD(3, zero), 0);
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.Cmd_LD(12, one), 1);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, {"R 3 9 16"}));
}

TEST_F(EncoderTest, StatusReportsAllFourEncodersInDecimal) {
    SetEncoder(0, 0x00, 0x00);
    SetEncoder(1, 0x34, 0x12);
    SetEncoder(2, 0xFF, 0xFF);
    SetEncoder(3, 0x01, 0x80);
    const std::string frame =
        Frame("Type=Vekt_ABSENC;TypeID=133;SlotID=3;CNT0=3840;CNT1=7988;CNT2=65535;CNT3=36609;");
    char buf[600];
    EXPECT_EQ(Card.GetHardData(buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), frame);
    // No room for the terminating zero: refused, nothing written.
    std::string small(frame.size(), 'x');
    EXPECT_EQ(Card.GetHardData(small.data(), static_cast<int>(frame.size())), -1);
    EXPECT_EQ(small, std::string(frame.size(), 'x'));
    EXPECT_EQ(Card.GetHardData(nullptr, 600), -2);
}

TEST_F(EncoderTest, CardIdentityAndFaultOutput) {
    char name[32] = "";
    EXPECT_STREQ(Card.GetHardTypeName(name), "Vekt_ASBENC");
    EXPECT_STREQ(name, "Vekt_ASBENC");
    EXPECT_EQ(Card.GetHardType(), 0x85);
    TraceFromBoard(Bus);
    EXPECT_EQ(Card.SetFaultReport(1), 1);
    EXPECT_EQ(Card.SetFaultReport(0), 1);
    EXPECT_EQ(Card.SetFaultReport(2), 1);
    EXPECT_EQ(Card.GetFaultReport(nullptr), 0);
    ASSERT_EQ(Bus.Ask("set 3 3 0x21"), "ok");
    EXPECT_EQ(Card.GetHardVer(), 0x21);
    EXPECT_EQ(Bus.Trace(), Selected(Slot, {"W 3 31 1", "W 3 31 0", "W 3 0 3", "R 3 3 33"}));
    testing::internal::CaptureStdout();
    Card.InitHardware();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// Two tasks reading different encoders of one card must each get their own encoder's
// bytes, never a low byte of one and a high byte of the other.
TEST_F(EncoderTest, ConcurrentReadersGetWholeReadings) {
    SetEncoder(0, 0x11, 0x10);
    SetEncoder(1, 0x22, 0x20);
    std::atomic<int> bad{0};
    auto reader = [&](int ch, unsigned short want) {
        for (int i = 0; i < 150; ++i)
            if (Card.GetAngle(ch) != want) ++bad;
    };
    std::thread a(reader, 0, 0x1F11), b(reader, 1, 0x2F22);
    a.join();
    b.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
