// Bus access and card discovery on the simulated rack and on a plain file as device.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "hardware.h"
#include "simrack.h"
#include "vekt_man.h"

namespace {

std::string MakeTempDir() {
    char tmpl[] = "/tmp/corlan-bus.XXXXXX";
    return mkdtemp(tmpl);
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class BusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Dir = MakeTempDir();
        unsetenv("CORLAN_SIM_PORT");
    }
    void TearDown() override {
        Hardware.CloseHard();
        unsetenv("CORLAN_BUS");
        std::string cmd = "rm -rf '" + Dir + "'";
        (void)system(cmd.c_str());
    }
    // Opens the bus on a rack file with the given text; returns the load output.
    std::string OpenRack(const std::string& text) {
        std::string rack = Dir + "/rack.ini";
        std::ofstream(rack) << text;
        setenv("CORLAN_BUS", ("sim:" + rack).c_str(), 1);
        Hardware.CloseHard();
        testing::internal::CaptureStdout();
        Opened = Hardware.OpenHard();
        return testing::internal::GetCapturedStdout();
    }
    std::string Ask(const std::string& req) { return ActiveSimRack()->Request(req); }

    std::string Dir;
    bool Opened = false;
};

TEST_F(BusTest, RegisterProtocolReachesTheSelectedSlot) {
    OpenRack("[board]\nkind = 0xA3\ntasks = 2\n[slots]\n2 = 0x83\n");
    ASSERT_TRUE(Opened);
    EXPECT_EQ(Hardware.HardInstalled, 1);
    ASSERT_EQ(Ask("trace on"), "ok");
    outportb(0, 0);
    EXPECT_EQ(inportb(1), 0xA3);
    EXPECT_EQ(inportb(8), 2);
    outportb(0, 2);
    EXPECT_EQ(inportb(4), 0x83);
    outportb(5, 0x5A); // output register of a plain card reads back
    EXPECT_EQ(inportb(5), 0x5A);
    outportb(4, 0x11); // the model register does not take writes
    EXPECT_EQ(inportb(4), 0x83);
    outportb(0, 7); // empty slot: floating bus
    EXPECT_EQ(inportb(4), 0xFF);
    outportb(9, 1);
    EXPECT_EQ(inportb(9), 0xFF);
    EXPECT_EQ(Ask("trace"), "W 0 0 0\nR 0 1 163\nR 0 8 2\nW 0 0 2\nR 2 4 131\nW 2 5 90\nR 2 5 90\n"
                            "W 2 4 17\nR 2 4 131\nW 2 0 7\nR 7 4 255\nW 7 9 1\nR 7 9 255\n");
    EXPECT_EQ(Ask("last 2 5"), "90");
    EXPECT_EQ(Ask("last 7 9"), "1");
}

TEST_F(BusTest, AddressesAbove255AreRefusedWithoutBusAccess) {
    OpenRack("[board]\nkind = 0xA4\n");
    Ask("trace on");
    testing::internal::CaptureStdout();
    EXPECT_EQ(inportb(256), 255);
    outportb(300, 1);
    EXPECT_EQ(inportb(255), 0); // the last valid address still reaches the bus
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ninportb error: 256\n\noutportb error: 300\n");
    EXPECT_EQ(Ask("trace"), "R 0 255 0\n");
}

TEST_F(BusTest, CardSelectPrecedesEveryCardAccess) {
    OpenRack("[slots]\n5 = 0x83\n");
    Ask("trace on");
    CardSelectOut(0, 5, 6, 0x21, 100);
    EXPECT_EQ(CardSelectIn(0, 5, 6, 0), 0x21);
    EXPECT_EQ(CardSelectIn(0, 3, 4, 0), 0xFF);
    EXPECT_EQ(Ask("trace"), "W 0 0 5\nW 5 6 33\nW 5 0 5\nR 5 6 33\nW 5 0 3\nR 3 4 255\n");
}

struct ScanCase {
    const char* name;
    const char* rack;
    int tasks;
    unsigned char cpuId; // CardID[0] after the scan
    const char* listing; // the card list printed by the scan
};

class ScanTest : public BusTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScanTest, FillsTableAndRecord) {
    const ScanCase& c = GetParam();
    OpenRack(c.rack);
    CARDINFO info{};
    testing::internal::CaptureStdout();
    int tasks = Hardware.ScanCard(&info);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(tasks, c.tasks);
    EXPECT_EQ(info.CardNum, 14);
    EXPECT_EQ(info.CardID[0], c.cpuId);
    for (int k = 1; k < 14; ++k)
        EXPECT_EQ(info.SlotID[k], k);
    for (int k = 0; k < MAXCARDNO; ++k)
        ASSERT_NE(Vekt_CardMan[k], nullptr) << k;
    EXPECT_STREQ(Vekt_CardMan[0]->GetHardTypeName(nullptr), "Vekt_CPU");
    auto listStart = out.find("CardID:");
    std::string listing = listStart == std::string::npos ? "" : out.substr(listStart);
    listing = listing.substr(0, listing.find("\n\n") == std::string::npos ? 0 : listing.find("\n\n") + 1);
    EXPECT_EQ(listing, c.listing) << out;
    EXPECT_EQ(out.rfind("Scan Hardware Device Card...\n", 0), 0u) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Racks, ScanTest,
    ::testing::Values(
        ScanCase{"KindA3RecordsA4", "[board]\nkind = 0xA3\ntasks = 3\n[slots]\n2 = 0x83\n", 3, 0xA4,
                 "CardID: 0xa4 SlotID: 0 Type: Vekt_CPU\nCardID: 0x83 SlotID: 2 Type: Vekt_IOS\n"},
        ScanCase{"KindA4RecordsA3", "[board]\nkind = 0xA4\ntasks = 1\n", 1, 0xA3,
                 "CardID: 0xa3 SlotID: 0 Type: Vekt_CPU\n"},
        ScanCase{"UnknownKindLeavesRecord", "[board]\nkind = 0x55\n", 0, 0, ""},
        ScanCase{"EverySlotReadsFF", "[board]\nkind = 0xA4\ntasks = 8\n[slots]\n4 = 0xFF\n", 8, 0xA3,
                 "CardID: 0xa3 SlotID: 0 Type: Vekt_CPU\n"},
        ScanCase{"UnknownModelBecomesPlaceholder", "[board]\nkind = 0xA3\n[slots]\n6 = 0x42\n12 = 0x85\n", 0,
                 0xA4, "CardID: 0xa4 SlotID: 0 Type: Vekt_CPU\nCardID: 0x85 SlotID: 12 Type: Vekt_ASBENC\n"}),
    [](const ::testing::TestParamInfo<ScanCase>& i) { return std::string(i.param.name); });

TEST_F(BusTest, SlotThirteenIsProbedButTheTableHoldsTheNetworkCard) {
    OpenRack("[board]\nkind = 0xA3\n[slots]\n13 = 0x83\n");
    Ask("trace on");
    CARDINFO info{};
    testing::internal::CaptureStdout();
    Hardware.ScanCard(&info);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(info.CardID[13], 0x83);
    EXPECT_EQ(info.SlotID[13], 13);
    EXPECT_NE(out.find("CardID: 0x83 SlotID: 13"), std::string::npos) << out;
    EXPECT_NE(Ask("trace").find("W 12 0 13\nR 13 4 131\n"), std::string::npos); // probed
    EXPECT_NE(Vekt_CardMan[13], nullptr);
}

TEST_F(BusTest, NoDeviceLeavesCardNumZero) {
    setenv("CORLAN_BUS", ("dev:" + Dir + "/missing").c_str(), 1);
    Hardware.CloseHard();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Hardware.OpenHard());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Corlan Load Driver Failed![-1] \n\n");
    EXPECT_EQ(Hardware.HardInstalled, 0);
    CARDINFO info{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(Hardware.ScanCard(&info), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("No Hardware Installed!\n"), std::string::npos) << out;
    EXPECT_EQ(info.CardNum, 0);
    EXPECT_EQ(Hardware.ScanCard(nullptr), -1);
}

TEST_F(BusTest, DeviceGetsOneByteReadsAndTwoByteWrites) {
    // A plain file stands in for the driver: it shows the bytes the bus writes.
    std::string dev = Dir + "/isa";
    std::ofstream(dev) << "";
    setenv("CORLAN_BUS", ("dev:" + dev).c_str(), 1);
    Hardware.CloseHard();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(Hardware.OpenHard());
    testing::internal::GetCapturedStdout();
    outportb(0, 3);
    outportb(0x19, 0xA5);
    EXPECT_EQ(ReadAll(dev), std::string("\x03\x00\xA5\x19", 4));
}

TEST_F(BusTest, BoardOutputsKeepShadowBytes) {
    OpenRack("[board]\nkind = 0xA3\n");
    Hardware.OutLedReg = Hardware.OutHCReg = 0;
    Hardware.OutLED(LED_RUN, HI);
    Hardware.OutLED(LED_ALARM + 8, HI); // bit numbers wrap at 8
    EXPECT_EQ(Ask("last 0 25"), "18");
    Hardware.OutLED(LED_RUN, LOW);
    EXPECT_EQ(Ask("last 0 25"), "2");
    Hardware.OutHC(1, HI);
    Hardware.OutExt(2, HI); // shares the shadow of OutHC
    EXPECT_EQ(Ask("last 0 24"), "2");
    EXPECT_EQ(Ask("last 0 21"), "6");
    Ask("trace on");
    Hardware.OutRelay(3, HI);
    EXPECT_EQ(Ask("trace"), "");
}

TEST_F(BusTest, BadRackFilesLeaveTheBusAbsentOrIgnoreEntries) {
    setenv("CORLAN_BUS", ("sim:" + Dir + "/none.ini").c_str(), 1);
    Hardware.CloseHard();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Hardware.OpenHard());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Simulated rack: cannot open"), std::string::npos) << out;
    EXPECT_NE(out.find("Corlan Load Driver Failed!"), std::string::npos) << out;

    out = OpenRack("[board]\nkind = big\ntasks = 300\n[slots]\n0 = 0x83\n14 = 0x83\nx = 1\n3 = 0x81\n");
    EXPECT_TRUE(Opened);
    for (const char* bad : {"kind = big", "tasks = 300", "0 = 0x83", "14 = 0x83", "x = 1"})
        EXPECT_NE(out.find(std::string("Simulated rack: ignored ") + bad), std::string::npos) << bad << "\n"
                                                                                              << out;
    EXPECT_EQ(Ask("get 3 4"), "129");
    EXPECT_EQ(Ask("get 0 1"), "0");
}

} // namespace
