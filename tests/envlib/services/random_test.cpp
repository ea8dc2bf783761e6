// Simulated measurement values: the range of GetRand, the swing of
// GetRandEx, and the generator at every minute of the hour.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"
#include "services/random.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-random-attach");

TEST(Random, GetRandStaysInItsRange) {
    float low = 1e9f, high = -1e9f;
    for (int i = 0; i < 2000; ++i) {
        const float v = GetRand(10.0f, 20.0f);
        ASSERT_GE(v, 10.0f);
        ASSERT_LE(v, 20.0f);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_GT(high - low, 5.0f) << "the values hardly vary";
    EXPECT_EQ(GetRand(3.0f, 3.0f), 3.0f);
}

// Band of a GetRandEx value within a + h*[0.95, 1] + h*sin*[0.8, 1].
int Band(float v, float a, float h) {
    const float x = (v - a) / h;
    if (x >= 1.75f - 1e-4f) return 1;                      // sine +1
    if (x >= 0.95f - 1e-4f && x <= 1.0f + 1e-4f) return 0; // sine 0
    if (x <= 0.2f + 1e-4f) return -1;                      // sine -1
    return 9;
}

TEST(Random, GetRandExSwingsWithItsPeriod) {
    // Period 4: the sine steps through +1, 0, -1, 0 from wherever the counter is.
    std::vector<int> bands;
    for (int i = 0; i < 12; ++i)
        bands.push_back(Band(GetRandEx(100.0f, 300.0f, 4), 100.0f, 100.0f));
    int start = -1;
    for (int i = 0; i < 4; ++i) {
        if (bands[i] == 1) start = i;
    }
    ASSERT_GE(start, 0) << "no value at the top of the swing";
    const int cycle[4] = {1, 0, -1, 0};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bands[i], cycle[((i - start) % 4 + 4) % 4]) << i;

    // A period of 1 or less is 5: the values repeat every fifth call, and swing.
    std::vector<float> v;
    for (int i = 0; i < 10; ++i)
        v.push_back(GetRandEx(0.0f, 100.0f, 1));
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(v[i], v[i + 5], 0.25f * 50.0f + 1e-3f) << i;
    EXPECT_GT(*std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end()), 50.0f);
}

TEST(Random, GetRandEx2) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GetRandEx2(), -1000.0f);
}

// The clock's number is small in the first minutes of an hour (minute 0:
// just the milliseconds); the values must vary there as at any other time.
TEST(Random, VariesAtEveryMinuteOfTheHour) {
    EXPECT_EQ(dorlix::ClockNumber(0, 937), 937u);
    EXPECT_EQ(dorlix::ClockNumber(5, 12), 50512u);
    EXPECT_EQ(dorlix::ClockNumber(59, 999), 5959999u);
    for (int minute : {0, 1, 2, 30, 59}) {
        for (int ms : {0, 1, 500, 999}) {
            std::set<float> seen;
            float low = 1.0f, high = 0.0f;
            for (int i = 0; i < 300; ++i) {
                const float v = dorlix::ClockSeededRandom(0.0f, 1.0f, dorlix::ClockNumber(minute, ms));
                ASSERT_GE(v, 0.0f);
                ASSERT_LE(v, 1.0f);
                seen.insert(v);
                low = std::min(low, v);
                high = std::max(high, v);
            }
            EXPECT_GT(seen.size(), 100u) << "minute " << minute << ", ms " << ms;
            EXPECT_GT(high - low, 0.5f) << "minute " << minute << ", ms " << ms;
        }
    }
}

} // namespace
