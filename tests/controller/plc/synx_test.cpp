#include "synx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct ExplainCase {
    const char* line;
    int code;
    int slot; // expected SlotIdx; the caller's value 99 when the line has no number
    int ch;
    const char* param; // expected Param; "<keep>" when it must stay untouched
    const char* comment;
};

TEST(SynxExplain, LinesAndForms) {
    const ExplainCase cases[] = {
        {"ld : 1 , 2 , 0 ; check door", SYN_LD, 1, 2, "0", "check door"},
        {"OUT:2,5,1", SYN_OUT, 2, 5, "1", ""},
        {"LD:1,2", SYN_NUL, 1, 2, "<keep>", ""}, // K3 needs its parameter
        {"LDG:1,2", SYN_LDG, 1, 2, "", ""},
        {"LDG:3,1, 7 ;x", SYN_LDG, 3, 1, "7", "x"},
        {"END", SYN_END, 99, -1, "<keep>", ""},
        {"END:", SYN_END, 99, -1, "<keep>", ""},
        {"end;x", SYN_END, 99, -1, "<keep>", "x"},
        {"EXIT:whatever", SYN_EXIT, 99, -1, "<keep>", ""},
        {"GO", SYN_NUL, 99, -1, "<keep>", ""},
        {"GO:3", SYN_GO, 3, -1, "<keep>", ""},
        {"#LE:3", SYN_LINE, 3, -1, "<keep>", ""},
        {"DLY:500", SYN_DLY, 500, -1, "500", ""},
        {"DLY:abc", SYN_DLY, 0, -1, "abc", ""},
        {"FL: cp.f ;sub", SYN_FL, 0, -1, "cp.f", "sub"},
        {"G_DEBUG:1,9", SYN_G_DEBUG, 1, -1, "1", ""}, // text after a comma is not part of N1
        {"FOO:1,2,3", SYN_NUL, 99, -1, "<keep>", ""},
        {"", SYN_NUL, 99, -1, "<keep>", ""},
        {"G_LINK:1,2,3", SYN_LINK, 1, 2, "3", ""},
        {"LINK:1,2,3", SYN_NUL, 99, -1, "<keep>", ""},
        {"IF:2,3,1&A.F&NUL", SYN_IF, 2, 3, "1&A.F&NUL", ""},
        {"G_ADD_VD:13,0,BOX1@10.0.0.20@2017", SYN_G_ADD_VD, 13, 0, "BOX1@10.0.0.20@2017", ""},
        {"OUT:2,5,1,extra", SYN_OUT, 2, 5, "1", ""},        // a fourth argument is ignored
        {"OUT:2,5,1:more;c1;c2", SYN_OUT, 2, 5, "1", "c1"}, // after a second ':' or ';'
        {"NUL:0,0,0", SYN_NUL, 0, 0, "0", ""},
        {"RSTZ:4", SYN_NUL, 4, -1, "<keep>", ""},
        {"G_CALIB:3,1,0.5@1&10@20", SYN_G_CALIB, 3, 1, "0.5@1&10@20", ""},
    };
    for (const auto& c : cases) {
        int slot = 99, ch = 77;
        char param[1000] = "<keep>";
        char comment[1000] = "junk";
        SYNXIDX code = SynxClass.Explain(c.line, &slot, &ch, param, comment);
        EXPECT_EQ(code, c.code) << c.line;
        EXPECT_EQ(slot, c.slot) << c.line;
        EXPECT_EQ(ch, c.ch) << c.line;
        EXPECT_STREQ(param, c.param) << c.line;
        EXPECT_STREQ(comment, c.comment) << c.line;
    }
}

TEST(SynxExplain, EveryKeywordIsRecognised) {
    for (int i = 1; i < SYNMAX; ++i) {
        std::string line = std::string(SYNXCMD[i]) + ":1,2,3";
        int slot = 0, ch = 0;
        char param[1000], comment[1000];
        EXPECT_EQ(SynxClass.Explain(line.c_str(), &slot, &ch, param, comment), i) << line;
    }
    EXPECT_STREQ(SYNXCMD[SYN_LINE], "#LE");
    EXPECT_STREQ(SYNXCMD[SYN_LINK], "G_LINK");
}

TEST(SynxExplain, LongLinesAreRefused) {
    std::string line = "OUT:2,5," + std::string(999 - 8, '1');
    ASSERT_EQ(line.size(), 999u);
    int slot = 0, ch = 0;
    static char param[1000], comment[1000];
    EXPECT_EQ(SynxClass.Explain(line.c_str(), &slot, &ch, param, comment), SYN_OUT);
    EXPECT_EQ(strlen(param), 991u);
    line += "1";
    EXPECT_EQ(SynxClass.Explain(line.c_str(), &slot, &ch, param, comment), SYN_NUL);
    EXPECT_EQ(ch, -1);
}

TEST(SynxExplain, NullParamStopsAfterChannel) {
    int slot = 0, ch = 0;
    char comment[1000];
    EXPECT_EQ(SynxClass.Explain("OUT:2,5", &slot, &ch, nullptr, comment), SYN_OUT);
    EXPECT_EQ(slot, 2);
    EXPECT_EQ(ch, 5);
}

class GoFileLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        f_ = tmpfile();
        ASSERT_NE(f_, nullptr);
        fputs("LD:1,2,1\n"
              "#LE:4;start\n"
              "OUT:2,1,1\n"
              "  #le : 7 \n"
              "OUT:2,2,1\n"
              "#LE:4\n"
              "END\n",
              f_);
    }
    void TearDown() override { fclose(f_); }
    std::string NextLine() {
        char buf[1024] = "";
        if (!fgets(buf, sizeof buf, f_)) return "<eof>";
        return buf;
    }
    FILE* f_ = nullptr;
};

TEST_F(GoFileLineTest, FindsFirstLabelAndPositionsAfterIt) {
    EXPECT_EQ(GoFileLine(f_, 4), 2);
    EXPECT_EQ(NextLine(), "OUT:2,1,1\n");
    EXPECT_EQ(GoFileLine(f_, 7), 4);
    EXPECT_EQ(NextLine(), "OUT:2,2,1\n");
}

TEST_F(GoFileLineTest, MissingLabelLeavesFileAtEnd) {
    EXPECT_EQ(GoFileLine(f_, 9), 0);
    EXPECT_EQ(NextLine(), "<eof>");
    EXPECT_EQ(GoFileLine(nullptr, 4), 0);
}

TEST(SynxFilterStep, GateHoldsOnlyAfterActionLinesInStepMode) {
    struct Case {
        SYNXIDX last;
        int isStep;
        HKEY key;
        int hold;
    };
    const Case cases[] = {
        {SYN_OUT, 1, HKEY_NUL, 1},    {SYN_OUT, 1, HKEY_STEP, 0}, {SYN_OUT, 1, HKEY_RUN, 0},
        {SYN_OUT, 1, HKEY_ZERO, 0},   {SYN_OUT, 1, HKEY_0, 1},    {SYN_OUT, 1, HKEY_5, 1},
        {SYN_LD, 1, HKEY_Enter, 1},   {SYN_OUT, 0, HKEY_NUL, 0},  {SYN_DLY, 1, HKEY_NUL, 0},
        {SYN_G_ST, 1, HKEY_NUL, 0},   {SYN_LED, 1, HKEY_NUL, 1},  {SYN_OUTE, 1, HKEY_NUL, 1},
        {SYN_MOZ, 1, HKEY_CANCEL, 1}, {SYN_RSTZ, 1, HKEY_NUL, 1}, {SYN_IF, 1, HKEY_NUL, 0},
        {SYN_OUTI, 1, HKEY_NUL, 0},
    };
    for (const auto& c : cases) {
        SYNXIDX last = c.last;
        EXPECT_EQ(FilterStep(c.key, c.isStep, &last), c.hold) << SYNXCMD[c.last] << " key " << c.key;
    }
    EXPECT_EQ(FilterStep(HKEY_NUL, 1, nullptr), 0);
}

} // namespace
