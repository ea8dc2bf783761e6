// Signal filters and averaging through the exports: the smoothing channels and
// windows (library-wide, so each test keeps to channels and windows of its
// own), and the low-pass against a double-precision evaluation of its design.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-filters-attach");

TEST(Filter1, ChannelsKeepTheirStateAndClampTheirArguments) {
    EXPECT_FLOAT_EQ(Filter_1(3, 10.0f, 0.5f), 5.0f); // first call: the state starts at 0
    EXPECT_FLOAT_EQ(Filter_1(3, 10.0f, 0.5f), 7.5f);
    EXPECT_FLOAT_EQ(Filter_1(4, 8.0f, -2.0f), 8.0f);  // k below 0 is 0: the input itself
    EXPECT_FLOAT_EQ(Filter_1(3, 10.0f, 0.5f), 8.75f); // channel 4 left channel 3 alone
    EXPECT_FLOAT_EQ(Filter_1(5, 1000.0f, 1.5f), 1000.0f * (1.0f - 0.999f)); // k of 1 or more is 0.999
    EXPECT_FLOAT_EQ(Filter_1(12, 4.0f, 0.0f), 4.0f);                        // above 9 is channel 9
    EXPECT_FLOAT_EQ(Filter_1(9, 0.0f, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(Filter_1(-3, 6.0f, 0.0f), 6.0f); // below 0 is channel 0
    EXPECT_FLOAT_EQ(Filter_1(0, 0.0f, 0.5f), 3.0f);
}

TEST(Filter2, SmoothsFromZeroAndRefusesBadArguments) {
    const std::vector<float> in(50, 4.0f);
    std::vector<float> out(50, -1.0f);
    ASSERT_EQ(Filter_2(in.data(), out.data(), 50, 0.5f), 1);
    EXPECT_FLOAT_EQ(out[0], 2.0f);
    EXPECT_FLOAT_EQ(out[1], 3.0f);
    for (int i = 1; i < 50; ++i)
        EXPECT_GE(out[i], out[i - 1]);
    EXPECT_NEAR(out[49], 4.0f, 1e-5);

    const std::vector<float> ramp = {1, -2, 3.5f, 7};
    std::vector<float> copy(4, 0.0f);
    ASSERT_EQ(Filter_2(ramp.data(), copy.data(), 4, 0.0f), 1); // k = 0 copies
    EXPECT_EQ(copy, ramp);

    EXPECT_EQ(Filter_2(nullptr, out.data(), 5, 0.5f), 0);
    EXPECT_EQ(Filter_2(in.data(), nullptr, 5, 0.5f), 0);
    EXPECT_EQ(Filter_2(in.data(), out.data(), -1, 0.5f), 0);
    EXPECT_EQ(Filter_2(in.data(), out.data(), 0, 0.5f), 1);
}

// The low-pass designed here from its definition: third-order Butterworth,
// bilinear transform with the cut-off pre-warped to 1/300 of the sample rate.
struct Design {
    double b[4], a[4];
    Design() {
        const double k = std::tan(3.14159265358979323846 / 300.0);
        const double d = 1 + 2 * k + 2 * k * k + k * k * k;
        b[0] = b[3] = k * k * k / d;
        b[1] = b[2] = 3 * b[0];
        a[0] = 1;
        a[1] = (-3 - 2 * k + 2 * k * k + 3 * k * k * k) / d;
        a[2] = (3 - 2 * k - 2 * k * k + 3 * k * k * k) / d;
        a[3] = (-1 + 2 * k - 2 * k * k + k * k * k) / d;
    }
    // The recurrence over n = 3 .. count - 2, everything else 0.
    std::vector<double> Run(const std::vector<float>& in) const {
        const int count = static_cast<int>(in.size());
        std::vector<double> y(in.size(), 0.0);
        for (int n = 3; n <= count - 2; ++n) {
            double v = 0;
            for (int j = 0; j < 4; ++j)
                v += b[j] * in[n - j];
            for (int j = 1; j < 4; ++j)
                v -= a[j] * y[n - j];
            y[n] = v;
        }
        return y;
    }
};

TEST(Filter3, FollowsTheButterworthDesignOnAStepAndOnNoise) {
    const Design design;
    std::vector<float> step(4000, 1.0f);
    std::vector<float> noisy(4000);
    std::mt19937 gen(13);
    std::normal_distribution<float> noise(0.0f, 2.0f);
    for (std::size_t i = 0; i < noisy.size(); ++i)
        noisy[i] = 5.0f + 3.0f * std::sin(static_cast<float>(i) / 400.0f) + noise(gen);

    for (const auto* in : {&step, &noisy}) {
        const std::vector<double> want = design.Run(*in);
        std::vector<float> out(in->size(), -7.0f);
        ASSERT_EQ(Filter_3(in->data(), out.data(), static_cast<int>(in->size())), 1);
        double worst = 0;
        for (std::size_t i = 0; i < out.size(); ++i)
            worst = std::max(worst, std::fabs(out[i] - want[i]));
        EXPECT_LT(worst, 1e-5) << "largest difference from the design";
        EXPECT_EQ(out[0], 0.0f);
        EXPECT_EQ(out[1], 0.0f);
        EXPECT_EQ(out[2], 0.0f);
        EXPECT_EQ(out.back(), 0.0f);
    }
    // DC gain 1: the step settles at 1, from below.
    std::vector<float> out(step.size());
    Filter_3(step.data(), out.data(), static_cast<int>(step.size()));
    EXPECT_NEAR(out[3998], 1.0f, 1e-4);
    EXPECT_LT(out[100], 0.5f);
}

TEST(Filter3, ShortAndBadInputs) {
    const float in[6] = {1, 1, 1, 1, 1, 1};
    for (int count = 0; count <= 4; ++count) {
        float out[6] = {9, 9, 9, 9, 9, 9};
        ASSERT_EQ(Filter_3(in, out, count), 1);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(out[i], 0.0f) << count;
        for (int i = count; i < 6; ++i)
            EXPECT_EQ(out[i], 9.0f) << "written past count " << count;
    }
    float out[6];
    EXPECT_EQ(Filter_3(nullptr, out, 6), 0);
    EXPECT_EQ(Filter_3(in, nullptr, 6), 0);
    EXPECT_EQ(Filter_3(in, out, -1), 0);
}

TEST(MovingAverage, WindowFillsThenSlides) {
    ASSERT_EQ(HDSetNum(0, 2), 1); // length 0 or less is 2
    float mean = -1;
    EXPECT_EQ(HDGetDat(&mean, 2), 0);
    EXPECT_EQ(HDAddDat(1.0f, 2), 0);
    EXPECT_EQ(HDAddDat(3.0f, 2), 0);
    EXPECT_EQ(HDGetDat(&mean, 2), 1);
    EXPECT_FLOAT_EQ(mean, 2.0f);
    EXPECT_EQ(HDAddDat(7.0f, 2), 1); // full: the 1 drops out
    EXPECT_EQ(HDGetDat(&mean, 2), 1);
    EXPECT_FLOAT_EQ(mean, 5.0f);

    ASSERT_EQ(HDSetNum(500, 3), 1); // above 100 is 100
    for (int i = 1; i <= 99; ++i)
        ASSERT_EQ(HDAddDat(static_cast<float>(i), 3), 0);
    EXPECT_EQ(HDGetDat(&mean, 3), 0);
    EXPECT_EQ(HDAddDat(100.0f, 3), 0);
    EXPECT_EQ(HDAddDat(101.0f, 3), 1);
    ASSERT_EQ(HDGetDat(&mean, 3), 1);
    EXPECT_NEAR(mean, 51.5f, 1e-3); // 2..101

    // Setting the length again empties the window.
    ASSERT_EQ(HDSetNum(2, 2), 1);
    EXPECT_EQ(HDGetDat(&mean, 2), 0);
}

TEST(MovingAverage, UnsetWindowsAndBadIndices) {
    float mean = -1;
    EXPECT_EQ(HDAddDat(5.0f, 4), 1); // no length yet: kept, never full
    EXPECT_EQ(HDAddDat(6.0f, 4), 1);
    EXPECT_EQ(HDGetDat(&mean, 4), 0);
    EXPECT_FLOAT_EQ(mean, -1.0f);
    for (int index : {-1, 5, 1000}) {
        EXPECT_EQ(HDSetNum(3, index), 0) << index;
        EXPECT_EQ(HDAddDat(1.0f, index), 0) << index;
        EXPECT_EQ(HDGetDat(&mean, index), 0) << index;
    }
    ASSERT_EQ(HDSetNum(2, 1), 1);
    HDAddDat(1.0f, 1);
    HDAddDat(1.0f, 1);
    EXPECT_EQ(HDGetDat(nullptr, 1), 0);
}

TEST(MakeAvgData, RisesInEqualStepsToTheEnd) {
    struct Case {
        float a, b;
        int count;
        int rc;
        std::vector<float> out;
    } cases[] = {
        {0, 10, 5, 1, {2, 4, 6, 8, 10}},
        {10, 0, 2, 1, {5, 0}},
        {-1, 1, 1, 1, {1}},
        {0, 10, 0, 0, {}},
        {0, 10, -3, 0, {}},
    };
    for (auto* fn : {&MakeAvgData, &MakeAvgData_M2}) {
        for (const auto& c : cases) {
            std::vector<float> out(c.out.size() + 1, 99.0f);
            EXPECT_EQ(fn(c.a, c.b, c.count, out.data()), c.rc) << c.count;
            for (std::size_t i = 0; i < c.out.size(); ++i)
                EXPECT_FLOAT_EQ(out[i], c.out[i]) << i;
            EXPECT_EQ(out.back(), 99.0f) << "written past count";
        }
        EXPECT_EQ(fn(0, 1, 3, nullptr), 0);
    }
}

TEST(GetMidDat, StraightLineThroughTwoPoints) {
    struct Case {
        float x1, y1, x2, y2, x;
        int rc;
        float y;
    } cases[] = {
        {10, 100, 0, 0, 5, 1, 50}, {10, 100, 0, 0, 15, 0, 150}, {10, 100, 0, 0, 10, 1, 100},
        {10, 100, 0, 0, 0, 1, 0},  {10, 100, 0, 0, -5, 0, -50}, {4, 1, 2, 5, 3, 1, 3},
        {0, 0, 10, 100, 5, 0, 50}, // x2 above x1: never "inside"
        {3, 7, 3, 9, 3, 0, 9},     // one x: y2
    };
    for (const auto& c : cases) {
        float y = -12345;
        EXPECT_EQ(GetMidDat(c.x1, c.y1, c.x2, c.y2, c.x, &y), c.rc) << c.x1 << " " << c.x2 << " " << c.x;
        EXPECT_NEAR(y, c.y, 1e-4) << c.x1 << " " << c.x2 << " " << c.x;
    }
    EXPECT_EQ(GetMidDat(10, 100, 0, 0, 5, nullptr), 0);
}

} // namespace
