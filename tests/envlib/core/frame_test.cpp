// The frame exports: fields, trimming, numbers, display shortening, versions
// and language texts, in an attached library on a station of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "dorlix.h"
#include "env/envaccess.h"
#include "platform/platform.h"
#include "station.h"

namespace {

class Frame : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dorlix::Attach()); }
    void TearDown() override { dorlix::Detach(); }
    // Writes the language file where the environment's language path points.
    void WriteLangueFile(const std::string& text) {
        // A fresh system fills its working copy at the first read of the record.
        std::vector<char> record(188910);
        GetSysEnv(record.data());
        char win[260];
        ASSERT_EQ(dorlix::WorkingItemValue(179, win, sizeof win), 1);
        station_.Write(win, text);
    }
    vz5test::Station station_{"dorlix-frame"};
};

TEST_F(Frame, Fields) {
    struct Case {
        const char* text;
        int n;
        char sep;
        int result;
        const char* out;
    } cases[] = {
        {"a,,c", 1, ',', 1, ""}, {"a,,c", 2, ',', 1, "c"},    {"a,b", 2, ',', 0, ""},
        {"a,b", -1, ',', 0, ""}, {"1.2.3.4", 3, '.', 1, "4"}, {"", 0, ',', 1, ""},
        {"a|b", 1, '|', 1, "b"}, {"x,", 1, ',', 1, ""},
    };
    for (const auto& c : cases) {
        char out[32] = "junk";
        int r = c.sep == ',' ? GetField(c.text, out, c.n) : GetField2(c.text, out, c.n, c.sep);
        EXPECT_EQ(r, c.result) << c.text << " #" << c.n;
        EXPECT_STREQ(out, c.out) << c.text << " #" << c.n;
    }
    char out[8];
    EXPECT_EQ(GetField(nullptr, out, 0), 0);
    EXPECT_EQ(GetField("a", nullptr, 0), 0);
    // The field may be cut into the text's own buffer.
    char same[] = "first,second";
    EXPECT_EQ(GetField(same, same, 1), 1);
    EXPECT_STREQ(same, "second");
}

TEST_F(Frame, Trimming) {
    char t[] = "  x ";
    EXPECT_EQ(TrimLeft(t, ' '), 1);
    EXPECT_STREQ(t, "x ");
    EXPECT_EQ(TrimRight(t, ' '), 1);
    EXPECT_STREQ(t, "x");
    EXPECT_EQ(TrimRight(t, ' '), 1);
    EXPECT_STREQ(t, "x");
    char all[] = "////";
    EXPECT_EQ(TrimLeft(all, '/'), 1);
    EXPECT_STREQ(all, "");
    EXPECT_EQ(TrimLeft(all, '/'), 0);
    EXPECT_EQ(TrimRight(all, '/'), 0);
    EXPECT_EQ(TrimLeft(nullptr, ' '), 0);

    char path[] = "D:\\VZ5\\";
    EXPECT_EQ(RemoveLastChar(path, '\\'), 1);
    EXPECT_STREQ(path, "D:\\VZ5");
    EXPECT_EQ(RemoveLastChar(path, '\\'), 1);
    EXPECT_STREQ(path, "D:\\VZ5");
    char empty[] = "";
    EXPECT_EQ(RemoveLastChar(empty, 'x'), -1);
    EXPECT_EQ(RemoveLastChar(nullptr, 'x'), 0);
}

TEST_F(Frame, NumberRecognition) {
    struct Case {
        const char* text;
        int result;
    } cases[] = {
        {"  12.5 ", 1}, {"1.2.3", 0}, {"12a", 0}, {"+", 1}, {".", 1},  {"-.5", 1},
        {"1-2", 0},     {"1e5", 0},   {"1 2", 0}, {"", 0},  {"  ", 0}, {nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsDigital(c.text), c.result) << (c.text ? c.text : "null");
    std::string limit(500, '1'), over(501, '1');
    EXPECT_EQ(IsDigital(limit.c_str()), 1);
    EXPECT_EQ(IsDigital(over.c_str()), -2);
}

TEST_F(Frame, FirstNumberOfAText) {
    struct Case {
        const char* text;
        const char* out;
    } cases[] = {
        {"abc12.3.4xyz", "12.3"}, {"x-.5", "-.5"}, {"--5", "-"},   {"no digits", ""}, {".7", "7"},
        {"v 4,5", "4"},           {"+3+4", "+3"},  {"12-3", "12"},
    };
    for (const auto& c : cases) {
        char out[32] = "junk";
        EXPECT_EQ(GetNumricFromString(c.text, out), static_cast<int>(std::strlen(c.out))) << c.text;
        EXPECT_STREQ(out, c.out) << c.text;
    }
    EXPECT_EQ(GetNumricFromString(nullptr, nullptr), 0);
}

TEST_F(Frame, ShorteningForDisplay) {
    std::string dbcs;
    for (int i = 0; i < 10; ++i)
        dbcs += "\xD6\xD0"; // ten double-byte characters
    struct Case {
        std::string text;
        int width, result;
        std::string after;
    } cases[] = {
        {"ABCDEFGHIJ", 6, 1, "ABC..."},
        {dbcs, 9, 1, dbcs.substr(0, 6) + "..."},
        {dbcs, 8, 1, dbcs.substr(0, 6) + ".."}, // the character reaching past width - 3 stays whole
        {"ABCDEFGHIJ", 10, -2, "ABCDEFGHIJ"},
        {"A", 0, -1, "A"},
        {"ABCDEF", 0, 0, "ABCDEF"},
        {"ABCDEF", 2, 1, ".."},
    };
    for (const auto& c : cases) {
        char buf[64] = {};
        std::memcpy(buf, c.text.c_str(), c.text.size());
        EXPECT_EQ(MakeByPassString(buf, c.width), c.result) << c.text << " / " << c.width;
        EXPECT_EQ(std::string(buf), c.after) << c.text << " / " << c.width;
        // nothing of the old text may linger behind the new end
        for (size_t i = c.after.size(); i < c.text.size(); ++i)
            EXPECT_EQ(buf[i], '\0');
    }
    EXPECT_EQ(MakeByPassString(nullptr, 5), 0);
}

TEST_F(Frame, VersionBlocks) {
    char block[1024];
    std::memset(block, 'Z', sizeof block);
    ASSERT_EQ(GetDllVer(block), 1);
    EXPECT_STREQ(block, "4.23.0.0.20.21.4.6");
    EXPECT_STREQ(block + 256, "\xCF\xB5\xCD\xB3\xBB\xB7\xBE\xB3\xD6\xA7\xB3\xD6\xB6\xAF\xCC\xAC\xBF\xE2");
    EXPECT_NE(std::string(block + 512).find("Copyright"), std::string::npos);
    EXPECT_STREQ(block + 768, "SYSENV");
    EXPECT_EQ(GetDllVer(nullptr), 0);

    // No version resources here: the pre-filled block and 0.
    std::memset(block, 'Z', sizeof block);
    EXPECT_EQ(GetVers(nullptr, block), 0);
    EXPECT_STREQ(block, "0.0.0.0.0.0.0");
    EXPECT_STREQ(block + 256, "(?)");
    EXPECT_STREQ(block + 768, "(?)");
    int32_t special;
    std::memcpy(&special, block + 1020, 4);
    EXPECT_EQ(special, 0);
    EXPECT_EQ(GetVers("C:\\x.exe", nullptr), 0);
}

TEST_F(Frame, VersionComparison) {
    struct Case {
        const char *a, *b;
        int result;
    } cases[] = {
        {"1.0.5.0", "2.0.0.0", 1}, // any greater part counts
        {"1.0.0.0", "1.0.0.1", 0}, {"4.23.0.0", "4.23.0.0", 1}, {"1.2", "1.2.0.0", 1},
        {"1.2", "1.2.0.1", 0},     {"10.0.0.0", "9.0.0.0", 1},  {nullptr, "1", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeVersion(c.a, c.b), c.result) << (c.a ? c.a : "null") << " " << c.b;
}

TEST_F(Frame, LanguageTexts) {
    WriteLangueFile("[LANGUE]\r\nStart=Begin\r\nLong=" + std::string(300, 'L') + "\r\n");
    const char* first = GetLangueString("Start");
    EXPECT_STREQ(first, "Begin");
    EXPECT_STREQ(GetLangueString("Unknown"), "Unknown");
    EXPECT_STREQ(GetLangueString(nullptr), "NULL String");
    EXPECT_STREQ(GetLangueString(std::string(201, 'x').c_str()), "OrgStringX Len>200, Too Large");
    EXPECT_EQ(std::strlen(GetLangueString("Long")), 200u); // translation cut to 200

    // The ring: the 51st call hands out the buffer of the 1st.
    const char* ring[51];
    for (int i = 0; i < 51; ++i)
        ring[i] = GetLangueString("Start");
    EXPECT_EQ(ring[0], ring[50]);
    for (int i = 1; i < 50; ++i)
        EXPECT_NE(ring[0], ring[i]);

    char local[600] = "Start";
    EXPECT_EQ(GetLangueStringLocal(local), 1);
    EXPECT_STREQ(local, "Begin");
    std::strcpy(local, "Long");
    EXPECT_EQ(GetLangueStringLocal(local), 1);
    EXPECT_EQ(std::strlen(local), 300u);
    // An untranslated text longer than a translation may be stays whole.
    std::string longText(550, 'q');
    std::strcpy(local, longText.c_str());
    EXPECT_EQ(GetLangueStringLocal(local), 1);
    EXPECT_EQ(std::string(local), longText);
    std::string tooLong(2501, 'q');
    EXPECT_EQ(GetLangueStringLocal(tooLong.data()), 0);
    EXPECT_EQ(GetLangueStringLocal(nullptr), 0);
}

TEST_F(Frame, MissingLanguageFileLeavesTextsAlone) {
    EXPECT_STREQ(GetLangueString("Start"), "Start");
    char local[16] = "Start";
    EXPECT_EQ(GetLangueStringLocal(local), 1);
    EXPECT_STREQ(local, "Start");
}

TEST_F(Frame, ProcessName) {
    char name[260] = "junk";
    EXPECT_EQ(GetCurProcess(name), 1);
    EXPECT_EQ(std::string(name), vz5test::ThisProgramName());
    EXPECT_EQ(GetCurProcess(nullptr), 0);
}

// The attach refuses systems older than major version 5 with a message
// naming the version found.
TEST(FrameAttach, OperatingSystemCheck) {
    char message[128];
    EXPECT_TRUE(dorlix::SupportedSystem(0x0A280105u, message, sizeof message)); // 5.1.2600
    EXPECT_TRUE(dorlix::SupportedSystem(0x1DB10106u, message, sizeof message)); // 6.1.7601
    std::strcpy(message, "untouched");
    EXPECT_FALSE(dorlix::SupportedSystem(0x04000004u, message, sizeof message)); // 4.0.1024
    EXPECT_STREQ(message, "Win9x is not supported: 4.0.1024");
    char small[8];
    EXPECT_FALSE(dorlix::SupportedSystem(0x04000004u, small, sizeof small));
    EXPECT_STREQ(small, "Win9x i"); // cut to the buffer
    EXPECT_FALSE(dorlix::SupportedSystem(0x04000004u, nullptr, 0));
}

// Never attached (ctest runs each test in its own process) or detached again:
// every export answers with its failure result instead of working.
TEST(FrameUnattached, ExportsAnswerWithTheirFailureResult) {
    dorlix::Detach();
    char out[16] = "junk";
    EXPECT_EQ(GetField("a,b", out, 0), 0);
    EXPECT_EQ(IsDigital("12"), 0);
    EXPECT_STREQ(GetLangueString("x"), "NULL String");
    EXPECT_EQ(GetCurProcess(out), 0);
}

} // namespace
