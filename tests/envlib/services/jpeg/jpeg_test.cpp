// The JPEG converter against djpeg: pictures encoded by cjpeg and decoded by
// djpeg -nosmooth -dct int on the build host (gen_jpeg_data.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "peerdata.h"
#include "services/jpeg2bmp.h"
#include "station.h"
#include "testhost.h"

namespace {

constexpr auto ReadFile = vz5test::Station::ReadNative;

// Any decoder within the accuracy the JPEG standard asks of the inverse DCT
// may differ by rounding; two levels cover a chroma step of one (up to 1.772
// levels of blue). This decoder rounds as djpeg's integer transform does and
// is expected to meet it sample for sample.
constexpr int kLevels = 2;

using vz5test::DataPath;

std::vector<std::string> Cases(const std::string& kind) {
    std::ifstream list(DataPath("cases.txt"));
    std::vector<std::string> names;
    for (std::string name, k; list >> name >> k;)
        if (k == kind) names.push_back(name);
    return names;
}

class Jpeg : public ::testing::Test {
  protected:
    void SetUp() override { scratch_ = vz5test::MakeTempFolder("vz5-jpeg"); }
    void TearDown() override { vz5test::RemoveTree(scratch_); }
    std::string Out(const std::string& name) const { return vz5test::Join(scratch_, name); }
    // The conversion's result, and what it printed.
    static int Convert(const std::string& in, const std::string& out, std::string* printed = nullptr) {
        testing::internal::CaptureStdout();
        const int rc = dorlix::CnvJpeg2BmpFile(in.c_str(), out.c_str());
        const std::string text = testing::internal::GetCapturedStdout();
        if (printed) *printed = text;
        return rc;
    }
    std::string scratch_;
};

TEST_F(Jpeg, EveryPictureMatchesDjpegHeaderExactPixelsWithinLevels) {
    const std::vector<std::string> names = Cases("good");
    ASSERT_GE(names.size(), 100u) << DataPath("cases.txt");
    int worst = 0;
    long long differing = 0, samples = 0;
    const std::string out = Out("out.bmp");
    for (const std::string& name : names) {
        std::string printed;
        ASSERT_EQ(Convert(DataPath(name + ".jpg"), out, &printed), 1) << name;
        EXPECT_EQ(printed, "") << name;
        const std::string mine = ReadFile(out), judge = ReadFile(DataPath(name + ".bmp"));
        ASSERT_EQ(mine.size(), judge.size()) << name;
        ASSERT_GE(mine.size(), 54u) << name;
        EXPECT_EQ(mine.substr(0, 54), judge.substr(0, 54)) << name << ": header";
        int worstHere = 0;
        for (size_t i = 54; i < mine.size(); ++i) {
            const int d = std::abs(static_cast<unsigned char>(mine[i]) - static_cast<unsigned char>(judge[i]));
            worstHere = std::max(worstHere, d);
            differing += d > 0;
        }
        samples += static_cast<long long>(mine.size() - 54);
        EXPECT_LE(worstHere, kLevels) << name;
        worst = std::max(worst, worstHere);
    }
    std::cout << names.size() << " pictures, worst difference to djpeg " << worst << " levels, " << differing
              << " of " << samples << " samples differ\n";
}

TEST_F(Jpeg, GreyPictureOfOddSizeHasPaddedRowsAndEqualChannels) {
    const std::string out = Out("grey.bmp");
    ASSERT_EQ(Convert(DataPath("grey_17x9_gradient_q90.jpg"), out), 1);
    const std::string bmp = ReadFile(out);
    ASSERT_EQ(bmp.size(), 54u + 52u * 9u);
    for (int y = 0; y < 9; ++y) {
        const char* row = bmp.data() + 54 + 52 * y;
        for (int x = 0; x < 17; ++x) {
            EXPECT_EQ(row[3 * x], row[3 * x + 1]) << x << "," << y;
            EXPECT_EQ(row[3 * x], row[3 * x + 2]) << x << "," << y;
        }
        EXPECT_EQ(std::string(row + 51, 1), std::string(1, '\0')) << "padding of row " << y;
    }
}

// The DC predictions start again at every interval: the same picture comes out.
TEST_F(Jpeg, RestartIntervalsDecodeTheSamePicture) {
    const std::string plain = Out("plain.bmp"), restarted = Out("restarted.bmp");
    ASSERT_EQ(Convert(DataPath("420_restart_none.jpg"), plain), 1);
    for (const std::string name : {"420_restart1", "420_restart2B", "420_restart7B_opt"}) {
        ASSERT_EQ(Convert(DataPath(name + std::string(".jpg")), restarted), 1) << name;
        EXPECT_EQ(ReadFile(restarted), ReadFile(plain)) << name;
    }
}

// Progressive, arithmetic-coded, 12-bit, extended, cut, damaged and foreign
// files: the message, result 0, and no bitmap; the program goes on.
TEST_F(Jpeg, RefusedFilesPrintTheirMessageAndLeaveNoBitmap) {
    const std::vector<std::string> names = Cases("bad");
    ASSERT_GE(names.size(), 10u);
    for (const std::string& name : names) {
        const std::string out = Out(name + ".bmp");
        std::string printed;
        EXPECT_EQ(Convert(DataPath(name + ".jpg"), out, &printed), 0) << name;
        EXPECT_EQ(printed, "File format error!\n") << name;
        EXPECT_FALSE(std::filesystem::exists(out)) << name;
    }
    std::string printed;
    EXPECT_EQ(Convert(DataPath("no such picture.jpg"), Out("none.bmp"), &printed), 0);
    EXPECT_EQ(printed, "File not found!!\n");
    EXPECT_FALSE(std::filesystem::exists(Out("none.bmp")));
    // An existing bitmap is replaced by a good picture only.
    const std::string kept = Out("kept.bmp");
    std::ofstream(kept, std::ios::binary) << "older picture";
    EXPECT_EQ(Convert(DataPath("truncated_half.jpg"), kept), 0);
    EXPECT_EQ(ReadFile(kept), "older picture");
    EXPECT_EQ(Convert(DataPath("444_1x1_gradient_q75.jpg"), kept), 1);
    EXPECT_EQ(ReadFile(kept).size(), 54u + 4u);
    EXPECT_EQ(dorlix::CnvJpeg2BmpFile(nullptr, kept.c_str()), 0);
    EXPECT_EQ(dorlix::CnvJpeg2BmpFile(DataPath("444_1x1_gradient_q75.jpg").c_str(), nullptr), 0);
}

// Every cut of a picture and a damaged byte at every position: the
// converter answers, and leaves a whole bitmap or none.
TEST_F(Jpeg, CutAndDamagedPicturesNeverLeaveAPartialBitmap) {
    const std::string picture = ReadFile(DataPath("420_17x9_gradient_q75_opt.jpg"));
    ASSERT_GT(picture.size(), 200u);
    const std::string in = Out("in.jpg"), out = Out("out.bmp");
    const size_t whole = 54 + 52 * 9;
    auto check = [&](const std::string& bytes, const std::string& what) {
        std::ofstream(in, std::ios::binary | std::ios::trunc) << bytes;
        std::filesystem::remove(out);
        const int rc = Convert(in, out);
        if (rc == 1) {
            EXPECT_EQ(std::filesystem::file_size(out), whole) << what;
        } else {
            EXPECT_FALSE(std::filesystem::exists(out)) << what;
        }
        return rc;
    };
    for (size_t n = 0; n < picture.size(); ++n) {
        const int rc = check(picture.substr(0, n), "cut at " + std::to_string(n));
        if (n < picture.size() / 2) {
            EXPECT_EQ(rc, 0) << "cut at " << n;
        }
    }
    for (size_t i = 2; i < picture.size(); ++i) {
        std::string damaged = picture;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
        check(damaged, "byte " + std::to_string(i));
    }
}

TEST_F(Jpeg, ToolConvertsAndReportsRefusals) {
    const std::string tool = vz5test::BuiltProgram("dorlix");
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "dorlix tool not built";
    const std::string mine = Out("mine.bmp"), byTool = Out("tool.bmp");
    const std::string picture = DataPath("411_640x480_noise_q30.jpg");
    ASSERT_EQ(Convert(picture, mine), 1);
    EXPECT_EQ(vz5test::RunProgram(tool, {"jpeg2bmp", picture, byTool}).exitCode, 0);
    EXPECT_EQ(ReadFile(byTool), ReadFile(mine));

    const vz5test::ProgramRun bad = vz5test::RunProgram(tool, {"jpeg2bmp", DataPath("progressive.jpg"), Out("p.bmp")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "File format error!\n");
    EXPECT_FALSE(std::filesystem::exists(Out("p.bmp")));
    EXPECT_EQ(vz5test::RunProgram(tool, {"jpeg2bmp", picture}).exitCode, 2);
}

} // namespace
