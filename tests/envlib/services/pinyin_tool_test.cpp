// "dorlix pinyin": the technicians' tool run as a program, UTF-8 in and out.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testhost.h"

namespace {

struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
};

TEST(PinyinTool, ConvertsUtf8Texts) {
    const std::string tool = vz5test::BuiltProgram("dorlix");
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "dorlix tool not built";
    vz5test::SetEnv("LC_ALL", "C.UTF-8");
    const Case cases[] = {
        {{"中国A1"}, 0, "Zhongguo A1\nzgA1\n"},
        {{"##中", "国", "A1"}, 0, "Zhongguo A1\nzgA1\n"}, // words joined, inner spaces dropped
        {{"吕座齄"}, 0, "Lvzuozha\nlzz\n"},
        {{""}, 0, "\n\n"},
        {{"中，国"}, 1, ""}, // full-width comma: outside the table
        {{"中丄"}, 1, ""},   // 丄 (0x8141) is GBK, not GB2312
        {{"中😀"}, 2, ""},    // no form in code page 936
        {{}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"pinyin"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const vz5test::ProgramRun r = vz5test::RunProgram(tool, args);
        const std::string what = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_EQ(r.out, c.out) << what;
    }
}

} // namespace
