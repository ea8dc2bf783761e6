// Position files of the stepper card in a temporary run directory: round trips,
// missing and short files, and bad channels.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "steppos.h"

namespace {

class PosFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-steppos.XXXXXX";
        Dir = mkdtemp(tmpl);
        ASSERT_NE(getcwd(Old, sizeof Old), nullptr);
        ASSERT_EQ(chdir(Dir.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(Old), 0);
        (void)system(("rm -rf '" + Dir + "'").c_str());
    }
    static std::string ReadAll(const char* name) {
        std::ifstream f(name, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static std::string LE32(const std::vector<int32_t>& v) {
        std::string out;
        for (int32_t x : v)
            for (int i = 0; i < 4; ++i)
                out += static_cast<char>((static_cast<uint32_t>(x) >> (8 * i)) & 0xFF);
        return out;
    }
    static void Write(const char* name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }

    std::string Dir;
    char Old[4096];
};

TEST_F(PosFiles, StepMotorStatusRoundTrip) {
    STEPPOS a;
    for (int ch = 0; ch < 8; ++ch)
        EXPECT_EQ(a.GetStepMotorStatus(ch), -1);
    EXPECT_EQ(a.SaveStepMotorStatus(3, 42), 1);
    EXPECT_EQ(a.SaveStepMotorStatus(7, INT_MIN), 1);
    EXPECT_EQ(ReadAll(STEPPOSFILE), LE32({-1, -1, -1, 42, -1, -1, -1, INT_MIN}));

    STEPPOS b;
    EXPECT_EQ(b.LoadStepMotorStatus(), 1);
    EXPECT_EQ(b.GetStepMotorStatus(3), 42);
    EXPECT_EQ(b.GetStepMotorStatus(7), INT_MIN);
    EXPECT_EQ(b.GetStepMotorStatus(0), -1);
}

TEST_F(PosFiles, StepMotorStatusBadInputLeavesTableAndFileAlone) {
    STEPPOS a;
    EXPECT_EQ(a.LoadStepMotorStatus(), 0); // no file yet
    EXPECT_EQ(a.GetStepMotorStatus(0), -1);

    const std::string stored = LE32({1, 2, 3, 4, 5, 6, 7, 8});
    Write(STEPPOSFILE, stored);
    for (int ch : {8, -1, 1000}) {
        EXPECT_EQ(a.SaveStepMotorStatus(ch, 9), -1) << ch;
        EXPECT_EQ(a.GetStepMotorStatus(ch), -1) << ch;
    }
    EXPECT_EQ(ReadAll(STEPPOSFILE), stored); // not truncated by a refused save

    Write(STEPPOSFILE, stored.substr(0, 10)); // cut short
    EXPECT_EQ(a.LoadStepMotorStatus(), 0);
    EXPECT_EQ(a.GetStepMotorStatus(0), -1);
    EXPECT_EQ(a.GetStepMotorStatus(2), -1);

    // A file that cannot be written keeps the entry as it was.
    unlink(STEPPOSFILE);
    ASSERT_EQ(mkdir(STEPPOSFILE, 0755), 0);
    EXPECT_EQ(a.SaveStepMotorStatus(2, 77), 0);
    EXPECT_EQ(a.GetStepMotorStatus(2), -1);
}

TEST_F(PosFiles, PositionTableLoadsRowMajor) {
    std::vector<int32_t> v(10 * 32);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<int32_t>(i) * (i % 2 ? -1000 : 1000);
    v[319] = INT32_MAX;
    Write(MOZPOSFILE, LE32(v));
    MOZPOS m;
    EXPECT_EQ(m.LoadPos(), 1);
    EXPECT_EQ(m.POS[0][1], -1000);
    EXPECT_EQ(m.POS[1][0], 32000);
    EXPECT_EQ(m.POS[2][5], -69000);
    EXPECT_EQ(m.POS[9][31], INT32_MAX);

    MOZPOS fresh;
    unlink(MOZPOSFILE);
    EXPECT_EQ(fresh.LoadPos(), 0);
    Write(MOZPOSFILE, LE32(v).substr(0, 1279));
    EXPECT_EQ(fresh.LoadPos(), 0);
    EXPECT_EQ(fresh.POS[0][1], 0);
    EXPECT_EQ(fresh.POS[9][31], 0);
}

} // namespace
