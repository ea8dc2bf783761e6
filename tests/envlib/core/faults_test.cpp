// Bad pointers from a host program. On Windows an export answers them with
// its failure result, and the library goes on working: the locks the export
// held are free again. (On POSIX such a pointer ends the program, in this
// library as in any other, so the test is Windows only.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/lifecycle.h"
#include "dorlix.h"
#include "station.h"

namespace {

TEST(Faults, BadPointersGiveTheFailureResultAndReleaseTheLocks) {
    VZ5_WINDOWS_ONLY("a bad pointer ends a POSIX program, as in any library call");
    vz5test::Station station("dorlix-faults");
    ASSERT_TRUE(dorlix::Attach());
    char* bad = reinterpret_cast<char*>(16);
    char out[64];
    EXPECT_EQ(GetField(bad, out, 0), 0);
    EXPECT_EQ(GetField("a,b", bad, 1), 0);
    EXPECT_EQ(TrimLeft(bad, 'x'), 0);
    EXPECT_EQ(IsDigital(bad), 0);
    EXPECT_EQ(GetMD5Code(bad, 5, out), 0);
    EXPECT_EQ(WriteStdHead(bad, out), 0);
    // Faults while the environment lock is held.
    EXPECT_EQ(GetSysEnv(bad), 0);
    EXPECT_EQ(GetSysPathEnv(bad), 0);

    // Another thread takes the lock and reads the record.
    std::vector<char> rec(static_cast<size_t>(GetSysEnvStrSize()));
    std::atomic<int> got{-1};
    std::thread([&] { got = GetSysEnv(rec.data()); }).detach();
    for (int i = 0; i < 500 && got.load() < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(got.load(), 0) << "the environment lock was left held";
    // And this thread goes on as well.
    EXPECT_EQ(GetField("a,b", out, 1), 1);
    EXPECT_STREQ(out, "b");
    dorlix::Detach();
}

} // namespace
