#include "calibtab.h"
#include "filters.h"
#include "readini.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

CALIBTAB Table(std::initializer_list<float> v, std::initializer_list<float> t) {
    CALIBTAB tab;
    int i = 0;
    for (float x : v)
        tab.Voltage[i++] = x;
    i = 0;
    for (float y : t)
        tab.TrueData[i++] = y;
    tab.Num = i;
    return tab;
}

TEST(CalibTab, DefaultIsIdentityAndAssignmentLimitsNum) {
    CALIBTAB a;
    EXPECT_EQ(a.Num, 5);
    EXPECT_FLOAT_EQ(a.Voltage[19], 19);
    EXPECT_FLOAT_EQ(a.TrueData[7], 7);
    CALIBTAB b = Table({1, 2}, {5, 6});
    b.Num = 40;
    a = b;
    EXPECT_EQ(a.Num, TABSIZE);
    EXPECT_FLOAT_EQ(a.TrueData[1], 6);
    a.Init();
    EXPECT_EQ(a.Num, 5);
    EXPECT_FLOAT_EQ(a.TrueData[1], 1);
}

TEST(CalibTab, GetTrueDatInterpolatesAndExtends) {
    CALIBTAB tab = Table({1, 2, 3}, {10, 20, 40});
    struct Case {
        float x, expected;
    };
    const Case cases[] = {{1.5f, 15}, {1, 10}, {2, 20}, {2.5f, 30}, {3, 40}, {4, 60}, {0, 0}, {-1, -10}};
    for (const auto& c : cases)
        EXPECT_NEAR(GetTrueDat(c.x, tab), c.expected, 1e-4) << c.x;

    CALIBTAB one = Table({1}, {10});
    EXPECT_FLOAT_EQ(GetTrueDat(1.7f, one), 1.7f);
    CALIBTAB flat = Table({1, 2, 2, 3}, {1, 5, 9, 3});
    EXPECT_FLOAT_EQ(GetTrueDat(2.0f, flat), 5.0f); // first segment containing x
    CALIBTAB same = Table({2, 2}, {1, 9});
    EXPECT_FLOAT_EQ(GetTrueDat(2.0f, same), 2.0f); // zero-width segment: x unchanged
}

TEST(CalibTab, GetTrueDatNeverReadsBeyondTable) {
    CALIBTAB tab = Table({0, 1}, {0, 2});
    for (int i = 2; i < TABSIZE; ++i) {
        tab.Voltage[i] = static_cast<float>(i - 1);
        tab.TrueData[i] = 2.0f * static_cast<float>(i - 1);
    }
    tab.Num = 1000; // a corrupted count behaves like a full table
    EXPECT_NEAR(GetTrueDat(100.0f, tab), 200.0f, 1e-3);
}

TEST(CalibTab, GetMidDat) {
    INSERTDAT oldP{4, 40}, newP{2, 20};
    float y = 0;
    EXPECT_EQ(GetMidDat(oldP, newP, 3, y), 1);
    EXPECT_FLOAT_EQ(y, 30);
    EXPECT_EQ(GetMidDat(oldP, newP, 5, y), 0); // still interpolated
    EXPECT_FLOAT_EQ(y, 50);
    EXPECT_EQ(GetMidDat(oldP, newP, 2, y), 1);
    EXPECT_FLOAT_EQ(y, 20);
    EXPECT_EQ(GetMidDat(oldP, newP, 4, y), 1);
    EXPECT_FLOAT_EQ(y, 40);
    EXPECT_EQ(GetMidDat(INSERTDAT{2, 7}, INSERTDAT{2, 9}, 2, y), 0);
    EXPECT_FLOAT_EQ(y, 9);
}

TEST(MeasureMath, GetPrecisionDataRoundsHalvesAwayFromZero) {
    struct Case {
        float in;
        int precision;
        int result;
        float out;
    };
    const Case cases[] = {
        {2.345f, 2, 2, 2.35f},  {-2.345f, 2, 2, -2.35f}, {2.345f, 6, 0, 2.345f},     {2.345f, -1, 0, 2.345f},
        {2.5f, 0, 0, 3.0f},     {-2.5f, 0, 0, -3.0f},    {1.23456f, 5, 5, 1.23456f}, {0.0f, 3, 3, 0.0f},
        {7.0e9f, 2, 2, 7.0e9f}, // beyond a 32-bit count: left as it is
    };
    for (const auto& c : cases) {
        float v = c.in;
        EXPECT_EQ(GetPrecisionData(v, c.precision), c.result) << c.in << "/" << c.precision;
        EXPECT_FLOAT_EQ(v, c.out) << c.in << "/" << c.precision;
    }
}

TEST(MeasureMath, FilterFirClampsStrength) {
    FilterValue = 0;
    EXPECT_FLOAT_EQ(Filter_FIR(10, 0.0000005f), 10); // no smoothing
    EXPECT_NEAR(Filter_FIR(20, 1.5f), 0.999f * 10 + 0.001f * 20, 1e-4);
    FilterValue = 4;
    EXPECT_FLOAT_EQ(Filter_FIR(8, 0.5f), 6);
    EXPECT_FLOAT_EQ(Filter_FIR(8, -3.0f), 8);
}

TEST(MeasureMath, LagAndFirstOrderFilters) {
    LagOne lag;
    EXPECT_EQ(lag.GetLag(100), 0); // factor 1: (0*100 + 0)/2
    lag.SetLagFactor(-2);
    EXPECT_FLOAT_EQ(lag.LagFactor, 0);
    EXPECT_EQ(lag.GetLag(100), 50);
    EXPECT_EQ(lag.GetLag(100), 75);
    EXPECT_EQ(lag.GetLag(-3), 36); // trunc(72 / 2)
    lag.SetLagFactor(5);
    EXPECT_FLOAT_EQ(lag.LagFactor, 1);

    GRD1PJ g;
    EXPECT_NEAR(g.GetResult(10), 2.0f, 1e-6);
    EXPECT_NEAR(g.GetResult(10), 3.6f, 1e-5);
}

TEST(MeasureMath, MovingAverageWindow) {
    HDPJ avg;
    avg.SetNum(3);
    float out = -1;
    avg.Add(1);
    avg.Add(2);
    EXPECT_EQ(avg.GetResult(out), 0);
    avg.Add(3);
    EXPECT_EQ(avg.GetResult(out), 1);
    EXPECT_FLOAT_EQ(out, 2);
    avg.Add(4);
    EXPECT_EQ(avg.GetResult(out), 1);
    EXPECT_FLOAT_EQ(out, 3);
    avg.Release();
    EXPECT_EQ(avg.GetResult(out), 0);

    avg.SetNum(500);
    EXPECT_EQ(avg.Num, MaxHD);
    for (int i = 0; i < 120; ++i)
        avg.Add(static_cast<float>(i));
    EXPECT_EQ(avg.GetResult(out), 1);
    EXPECT_FLOAT_EQ(out, (70 + 119) / 2.0f);

    // An empty window holds nothing and never divides by zero.
    avg.SetNum(0);
    EXPECT_EQ(avg.Num, 0);
    avg.Add(5);
    out = -1;
    EXPECT_EQ(avg.GetResult(out), 0);
    EXPECT_FLOAT_EQ(out, -1);
}

TEST(MeasureMath, MedianAndSort) {
    unsigned long d[] = {5, 1, 9, 2, 8};
    EXPECT_EQ(MidValueFilter(d, 5), 4);
    const unsigned long expected[] = {5, 5, 2, 8, 8};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(d[i], expected[i]) << i;

    unsigned long one[] = {3, 99};
    EXPECT_EQ(MidValueFilter(one, 1), 0);
    EXPECT_EQ(one[0], 3u); // too short to filter: untouched
    EXPECT_EQ(one[1], 99u);

    float f[] = {3, -1, 2.5f, 2.5f, 0};
    EXPECT_EQ(Sort(f, 5), 5);
    const float sorted[] = {-1, 0, 2.5f, 2.5f, 3};
    for (int i = 0; i < 5; ++i)
        EXPECT_FLOAT_EQ(f[i], sorted[i]);
}

class CalibFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/calib_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_NE(getcwd(oldCwd_, sizeof oldCwd_), nullptr);
        ASSERT_EQ(chdir(dir_.c_str()), 0); // the table file lives in the working directory
    }
    void TearDown() override {
        if (chdir(oldCwd_) != 0) ADD_FAILURE() << "chdir back failed";
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0) ADD_FAILURE() << "cleanup failed";
    }
    std::string Key(const char* section, const char* key) {
        char out[2048] = "<none>";
        testing::internal::CaptureStdout();
        ReadIni.GetField(CALIBFILE, section, key, out, sizeof out);
        testing::internal::GetCapturedStdout();
        return out;
    }
    std::string dir_;
    char oldCwd_[4096];
};

TEST_F(CalibFileTest, WritesSectionPerCardAndChannel) {
    std::ofstream(CALIBFILE) << "[other]\nkeep = 1\n";
    char arg[] = "0.5@1.0@2.0&10@20@40";
    GetTaskFile2CalibTab(3, 1, arg);
    EXPECT_EQ(Key("3_1", "Voltage"), "0.5,1.0,2.0,");
    EXPECT_EQ(Key("3_1", "True"), "10,20,40,");
    EXPECT_EQ(Key("other", "keep"), "1");

    char again[] = "1@2&5@6";
    GetTaskFile2CalibTab(3, 1, again); // replaces the table
    EXPECT_EQ(Key("3_1", "Voltage"), "1,2,");
    EXPECT_EQ(Key("3_1", "True"), "5,6,");
}

TEST_F(CalibFileTest, FirstTableCreatesTheFile) {
    char arg[] = "1@2&3@4";
    GetTaskFile2CalibTab(2, 0, arg);
    EXPECT_EQ(Key("2_0", "Voltage"), "1,2,");
    EXPECT_EQ(Key("2_0", "True"), "3,4,");
}

TEST_F(CalibFileTest, IncompleteArgumentWritesNothing) {
    char noTrue[] = "1@2@3";
    GetTaskFile2CalibTab(2, 0, noTrue);
    GetTaskFile2CalibTab(2, 0, nullptr);
    EXPECT_NE(access(CALIBFILE, F_OK), 0);
}

TEST_F(CalibFileTest, LongListsStayReadable) {
    std::string list;
    for (int i = 0; i < 400; ++i)
        list += std::to_string(1000 + i) + "@";
    std::string arg = list + "&1@2";
    GetTaskFile2CalibTab(5, 2, arg.data());
    // Cut to whole values within one line of the file, so every table stays readable.
    std::string v = Key("5_2", "Voltage");
    EXPECT_EQ(v.size(), 985u);
    EXPECT_EQ(v.substr(v.size() - 5), "1196,");
    EXPECT_EQ(Key("5_2", "True"), "1,2,");
}

} // namespace
