// Console routines: task prefixes and the debug switch.
#include <gtest/gtest.h>

#include "console.h"

namespace {

TEST(Console, WprintfPrefixesByTaskNumber) {
    struct {
        int task;
        const char* out;
    } cases[] = {{0, "PLCKey: x=1\n"}, {9, "PLCNet: x=1\n"}, {10, "PLCNet: x=1\n"},
                 {1, "PLC1: x=1\n"},   {8, "PLC8: x=1\n"},   {-1, "PLC-1: x=1\n"}};
    GlobePutDebugInfo = 1;
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(Wprintf(c.task, "x=%d\n", 1), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.task;
    }
}

TEST(Console, DebugSwitchSilencesOnlyWprintf) {
    GlobePutDebugInfo = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Wprintf(1, "hidden\n"), 0);
    EXPECT_EQ(Pprintf(2, "shown %s\n", "always"), -1);
    std::string out = testing::internal::GetCapturedStdout();
    GlobePutDebugInfo = 1;
    EXPECT_EQ(out, "Debug: shown always\n");
}

} // namespace
