#include "readini.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FieldCase {
    const char* text;
    int idx;
    char sep;
    int result;
    const char* field;
};

TEST(ReadIniFields, GetField2FollowsSeparatorRules) {
    const FieldCase cases[] = {
        {"A:", 1, ':', 1, ""},
        {"A", 1, ':', 0, ""},
        {"", 0, ':', 1, ""},
        {"", 1, ':', 0, ""},
        {"a;;b", 2, ';', 1, "b"},
        {"a;;b", 1, ';', 1, ""},
        {"a;;b", 3, ';', 0, ""},
        {"LD:1,2,0;wait", 0, ';', 1, "LD:1,2,0"},
        {"LD:1,2,0;wait", 1, ';', 1, "wait"},
        {"LD:1,2,0;wait", 2, ';', 0, ""},
        {" x : y ", 1, ':', 1, " y "}, // never trimmed
        {"a,,b", 1, ',', 1, ""},
        {"abc", -1, ':', 0, ""},
    };
    for (const auto& c : cases) {
        char out[64];
        strcpy(out, "junk");
        EXPECT_EQ(ReadIni.GetField2(c.text, out, c.idx, c.sep), c.result) << c.text << " #" << c.idx;
        EXPECT_STREQ(out, c.field) << c.text << " #" << c.idx;
    }
    EXPECT_EQ(ReadIni.GetField2("A:B", nullptr, 0, ':'), 0);
}

TEST(ReadIniFields, BoundedGetField2CutsLongField) {
    char out[4];
    EXPECT_EQ(ReadIni.GetField2("abcdefgh:x", out, sizeof out, 0, ':'), 1);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(ReadIni.GetField2("abcdefgh:x", out, sizeof out, 1, ':'), 1);
    EXPECT_STREQ(out, "x");
    EXPECT_EQ(ReadIni.GetField2("abc", out, 0, 0, ':'), 0);
}

TEST(ReadIniFields, GetField2MayWriteOverItsSource) {
    char buf[32] = "CMD=CTL_OUT;SlotID=2";
    EXPECT_EQ(ReadIni.GetField2(buf, buf, 1, ';'), 1);
    EXPECT_STREQ(buf, "SlotID=2");
}

struct TrimCase {
    const char* in;
    const char* trim;
    const char* blank;
};

TEST(ReadIniFields, TrimAndTrimBlank) {
    const TrimCase cases[] = {
        {" \t LD:1\r\n", "LD:1", "\t LD:1\r\n"}, {"  \r\n \n", "", "\r\n \n"}, {"", "", ""},
        {"a b\tc", "a b\tc", "a b\tc"},          {"\t x \t", "x", "\t x \t"},  {"   ", "", ""},
    };
    for (const auto& c : cases) {
        char a[64], b[64];
        strcpy(a, c.in);
        strcpy(b, c.in);
        EXPECT_EQ(ReadIni.Trim(a), 1);
        EXPECT_STREQ(a, c.trim) << '"' << c.in << '"';
        EXPECT_EQ(ReadIni.TrimBlank(b), 1);
        EXPECT_STREQ(b, c.blank) << '"' << c.in << '"';
    }
}

TEST(ReadIniFields, TrimLeftRightReportRemoval) {
    char buf[16] = "xxabcxx";
    EXPECT_EQ(ReadIni.TrimLeft(buf, 'x'), 1);
    EXPECT_STREQ(buf, "abcxx");
    EXPECT_EQ(ReadIni.TrimLeft(buf, 'x'), 0);
    EXPECT_EQ(ReadIni.TrimRight(buf, 'x'), 1);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(ReadIni.TrimRight(buf, 'x'), 0);
    char empty[1] = "";
    EXPECT_EQ(ReadIni.TrimLeft(empty, 'x'), 0);
    EXPECT_EQ(ReadIni.TrimRight(empty, 'x'), 0);
}

TEST(ReadIniFields, GetZeroAndGetZeroR) {
    char a[32] = "   ab cd\nef";
    ReadIni.GetZero(a);
    EXPECT_STREQ(a, "ab cd");
    char b[32] = "   ab cd\nef";
    ReadIni.GetZeroR(b);
    EXPECT_STREQ(b, "ab");
    char c[32] = "     ";
    ReadIni.GetZero(c);
    EXPECT_STREQ(c, "");
    char d[32] = "  ab\ncd ef";
    ReadIni.GetZeroR(d);
    EXPECT_STREQ(d, "ab");
}

TEST(ReadIniFields, Get1ParUsesTokenRules) {
    char par[MAXBUFFER];
    EXPECT_EQ(ReadIni.Get1Par(1, par, "a,,b"), 0);
    EXPECT_STREQ(par, "b"); // runs of commas are one separator
    EXPECT_EQ(ReadIni.Get1Par(2, par, "a,,b"), -1);
    EXPECT_EQ(ReadIni.Get1Par(0, par, "  x y\nz,w"), 0);
    EXPECT_STREQ(par, "x y");
    EXPECT_EQ(ReadIni.Get1Par(0, par, ""), -1);

    int i = 7;
    EXPECT_EQ(ReadIni.Get1Par(2, &i, "1, 2, 33"), 0);
    EXPECT_EQ(i, 33);
    EXPECT_EQ(ReadIni.Get1Par(5, &i, "1,2"), -1);
    EXPECT_EQ(i, 0); // written even when the token is missing
    float f = 0;
    EXPECT_EQ(ReadIni.Get1Par(1, &f, "1,2.5"), 0);
    EXPECT_FLOAT_EQ(f, 2.5f);
    long l = 0;
    EXPECT_EQ(ReadIni.Get1Par(0, &l, "-123456"), 0);
    EXPECT_EQ(l, -123456L);
    unsigned int u = 0;
    EXPECT_EQ(ReadIni.Get1Par(0, &u, "42"), 0);
    EXPECT_EQ(u, 42u);
}

TEST(ReadIniFields, Get1ParCutsLongTextAt199) {
    std::string longText(300, 'x');
    char par[MAXBUFFER];
    EXPECT_EQ(ReadIni.Get1Par(0, par, longText.c_str()), 0);
    EXPECT_EQ(strlen(par), 199u);
    // A token beyond the cut is gone.
    std::string tail = std::string(198, 'a') + ",b,c";
    EXPECT_EQ(ReadIni.Get1Par(1, par, tail.c_str()), -1);
}

TEST(ReadIniFields, Version) {
    EXPECT_STREQ(ReadIni.GetVersion(), "1.30");
}

class ReadIniFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/readini_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/CalibTab.ini";
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0) ADD_FAILURE() << "cleanup failed";
    }
    void Write(const std::string& text) {
        std::ofstream out(path_);
        out << text;
    }
    std::string Read() {
        std::ifstream in(path_);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir_, path_;
};

TEST_F(ReadIniFile, GetFieldReadsKeysWithoutRegardToCase) {
    Write("; calibration\n[LOCAL_MACHINE]\nIPAddress = 192.168.1.20\nPort=2017\nGain = 1.5\nBig=-70000\n");
    char out[64] = "";
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "local_machine", "ipaddress", out), 0);
    EXPECT_STREQ(out, "192.168.1.20");
    char out2[64] = "";
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "LOCAL_MACHINE", "IPADDRESS", 3, out2), 0);
    EXPECT_STREQ(out2, "192.168.1.20");
    int port = 0;
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "LOCAL_MACHINE", "Port", 0, port), 0);
    EXPECT_EQ(port, 2017);
    float gain = 0;
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "LOCAL_MACHINE", "Gain", 0, gain), 0);
    EXPECT_FLOAT_EQ(gain, 1.5f);
    long big = 0;
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "LOCAL_MACHINE", "Big", 0, big), 0);
    EXPECT_EQ(big, -70000L);
}

TEST_F(ReadIniFile, BoundedGetFieldCutsValue) {
    Write("[s]\nk = 0123456789\n");
    char out[5];
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "s", "k", out, sizeof out), 0);
    EXPECT_STREQ(out, "0123");
}

TEST_F(ReadIniFile, NumericGetFieldSurvivesOverlongValue) {
    Write("[s]\nk = " + std::string(1000, '7') + "\n");
    long v = 0;
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "s", "k", 0, v), 0);
    EXPECT_NE(v, 0L);
}

TEST_F(ReadIniFile, MissingFileAndMissingKey) {
    std::string missing = dir_ + "/none.ini";
    char out[32] = "keep";
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadIni.GetField(missing.c_str(), "sec", "key", out), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(out, "keep");

    Write("[sec]\nother = 1\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "sec", "key", out), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "sec:key not found\n");
    EXPECT_STREQ(out, "keep");

    int n = 5;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "sec", "key", 0, n), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ReadIni.WriteField(missing.c_str(), "sec", "key", "1"), -1);
}

TEST_F(ReadIniFile, WriteFieldRewritesThroughParser) {
    Write("; comment goes\n[LOCAL_MACHINE]\nIPAddress = 10.0.0.1\nMask = 255.255.255.0\n");
    EXPECT_EQ(ReadIni.WriteField(path_.c_str(), "LOCAL_MACHINE", "IPAddress", "192.168.0.7"), 1);
    std::string text = Read();
    EXPECT_EQ(text.find("comment"), std::string::npos);
    EXPECT_NE(text.find("[local_machine]"), std::string::npos);
    char out[32] = "";
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "LOCAL_MACHINE", "IPAddress", out, sizeof out), 0);
    EXPECT_STREQ(out, "192.168.0.7");
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "LOCAL_MACHINE", "Mask", out, sizeof out), 0);
    EXPECT_STREQ(out, "255.255.255.0");
}

TEST_F(ReadIniFile, WriteFieldKeepsKeyOfNewSection) {
    Write("[a]\nx = 1\n");
    EXPECT_EQ(ReadIni.WriteField(path_.c_str(), "Card3", "Num", "4"), 1);
    int num = 0;
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "card3", "num", 0, num), 0);
    EXPECT_EQ(num, 4);
    char out[8] = "";
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "a", "x", out, sizeof out), 0);
    EXPECT_STREQ(out, "1");
}

TEST_F(ReadIniFile, WriteFieldRefusesValueTooLongToReadBack) {
    Write("[s]\nk = 1\n");
    EXPECT_EQ(ReadIni.WriteField(path_.c_str(), "s", "k", std::string(990, '9').c_str()), -4);
    EXPECT_EQ(Read(), "[s]\nk = 1\n");
    EXPECT_EQ(ReadIni.WriteField(path_.c_str(), "s", "k", std::string(989, '9').c_str()), 1);
    static char out[2048];
    EXPECT_EQ(ReadIni.GetField(path_.c_str(), "s", "k", out, sizeof out), 0);
    EXPECT_EQ(strlen(out), 989u);
    std::string longKey(40, 'q');
    EXPECT_EQ(ReadIni.WriteField(path_.c_str(), "s", longKey.c_str(), std::string(980, '9').c_str()), -4);
}

TEST_F(ReadIniFile, WriteFieldReportsUnwritableFile) {
    // A directory opens for reading but never for writing, whoever runs the test.
    std::string sub = dir_ + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    int r = ReadIni.WriteField(sub.c_str(), "a", "x", "2");
    EXPECT_EQ(r, -3);
}

} // namespace
