// The scan builds both measuring cards from their model numbers and sets them up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "plov_dphio.h"
#include "simbus.h"
#include "vekt_absenc.h"

namespace {

TEST(MeasuringCardScan, ScanCreatesAndInitialisesBothCards) {
    vz5test::SimBus bus("[board]\nkind = 0xA3\n[slots]\n2 = 0x70\n5 = 0x85\n");
    ASSERT_TRUE(bus.Opened);
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(bus.Dir.c_str()), 0);
    std::ofstream("CalibTab.ini") << "[2_3]\nVoltage = 1,2,\nTrue = 5,6,\n";
    CARDINFO info{};
    testing::internal::CaptureStdout();
    Hardware.ScanCard(&info);
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(chdir(old), 0);

    EXPECT_NE(out.find("CardID: 0x70 SlotID: 2 Type: Plov_DPHIO\n"), std::string::npos) << out;
    EXPECT_NE(out.find("CardID: 0x85 SlotID: 5 Type: Vekt_ASBENC\n"), std::string::npos) << out;
    auto* analog = dynamic_cast<CPlov_DPHIO*>(Vekt_CardMan[2]);
    auto* encoder = dynamic_cast<CVekt_ABSENC*>(Vekt_CardMan[5]);
    ASSERT_NE(analog, nullptr);
    ASSERT_NE(encoder, nullptr);
    EXPECT_EQ(analog->SlotID, 2);
    EXPECT_EQ(encoder->SlotID, 5);
    EXPECT_EQ(bus.Ask("get 2 129"), "255"); // converter set up during the scan
    EXPECT_EQ(analog->ADChCalib[3].Num, 3);
    EXPECT_FLOAT_EQ(analog->ADChCalib[3].TrueData[1], 6);
    EXPECT_EQ(out.find("InitHardware:Card Not Found"), std::string::npos) << out;
}

} // namespace
