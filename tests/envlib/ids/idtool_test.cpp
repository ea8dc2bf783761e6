// The dorlix id command against a table of a private station.
#include "idtables_fixture.h"

namespace {

class IdTool : public IdTableTest {
  protected:
    // Output and exit code of "dorlix id <arg>" (the child works on the same station).
    static std::pair<std::string, int> Run(const std::string& arg) {
        vz5test::ProgramRun r = vz5test::RunProgram(vz5test::BuiltProgram("dorlix"), {"id", arg});
        return {r.out, r.exitCode};
    }
};

TEST_F(IdTool, PrintsNamesInUtf8) {
    if (!std::filesystem::exists(vz5test::BuiltProgram("dorlix"))) GTEST_SKIP() << "dorlix tool not built";
    WriteTable("[INDEX]\n1073=\xBA\xC5\xC5\xC6\n10730002=Blue\n"); // 号牌
    const std::pair<std::string, int> want[] = {
        {"1073 \xE5\x8F\xB7\xE7\x89\x8C\n", 0},
        {"10730002 Blue\n  main 1073 \xE5\x8F\xB7\xE7\x89\x8C, sub 2\n", 0},
        {"", 1},
        {"", 2},
        {"", 2},
    };
    const char* args[] = {"1073", "10730002", "5", "x1", ""};
    for (size_t i = 0; i < std::size(args); ++i)
        EXPECT_EQ(Run(args[i]), want[i]) << args[i];
}

} // namespace
