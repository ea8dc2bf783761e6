// Chinese characters to pinyin: the conversion on texts of every kind, the
// table's known rows, and the whole table against its generator.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "services/pinyin.h"

namespace {

// GB2312 bytes of the characters the cases use.
#define ZHONG "\xD6\xD0"
#define GUO "\xB9\xFA"
#define ZUO "\xD7\xF9"
#define LV "\xC2\xC0" // lv3: the diaeresis written v
#define BO "\xB0\xFE" // a trail byte of 0xFE
#define FW_COMMA "\xA3\xAC"
#define UNASSIGNED "\xD7\xFA"

struct Outputs {
    char pinyin[dorlix::PINYIN_OUT_SIZE + 8];
    char initials[dorlix::PINYIN_OUT_SIZE + 8];
    Outputs() {
        std::memset(pinyin, 'x', sizeof pinyin);
        std::memset(initials, 'x', sizeof initials);
        pinyin[sizeof pinyin - 1] = initials[sizeof initials - 1] = '\0';
    }
};

TEST(Pinyin, Conversions) {
    struct Case {
        const char* text;
        int rc;
        const char* pinyin;
        const char* initials;
    } cases[] = {
        {ZHONG GUO, 1, "Zhongguo", "zg"},
        {ZHONG GUO "A1", 1, "Zhongguo A1", "zgA1"},
        {"  ##" ZHONG " " GUO " A 1  ", 1, "Zhongguo A1", "zgA1"}, // '#' at the start, inner spaces
        {"ab" ZHONG "c", 1, "Ab zhong c", "abzc"},                 // every change of kind gets one space
        {LV ZUO, 1, "Lvzuo", "lz"},
        {BO, 1, "Bo", "b"},
        {"", 1, "", ""},
        {"   ", 1, "", ""},
        {"#" ZHONG "#", 1, "Zhong #", "z#"},         // only leading '#' go
        {ZHONG "\xB0\x7F" GUO, 1, "Zhongguo", "zg"}, // a pair with a bad trail byte is skipped
        {ZHONG "\xB0", 1, "Zhong", "z"},             // a lone lead byte at the end
        {ZHONG FW_COMMA GUO, -1, "", ""},
        {"\xB2\x41", -1, "", ""}, // a GBK-only code is outside the table, not another character
        {ZHONG UNASSIGNED, 0, "", ""},
    };
    for (const auto& c : cases) {
        Outputs o;
        EXPECT_EQ(dorlix::CnvHZ2PY(c.text, o.pinyin, o.initials), c.rc) << c.text;
        EXPECT_STREQ(o.pinyin, c.pinyin) << c.text;
        EXPECT_STREQ(o.initials, c.initials) << c.text;
    }
}

TEST(Pinyin, NullArgumentsEmptyTheOtherOutputs) {
    Outputs o;
    EXPECT_EQ(dorlix::CnvHZ2PY(nullptr, o.pinyin, o.initials), -2);
    EXPECT_STREQ(o.pinyin, "");
    EXPECT_STREQ(o.initials, "");
    Outputs p;
    EXPECT_EQ(dorlix::CnvHZ2PY(ZHONG, nullptr, p.initials), -2);
    EXPECT_STREQ(p.initials, "");
    EXPECT_EQ(dorlix::CnvHZ2PY(ZHONG, p.pinyin, nullptr), -2);
    EXPECT_STREQ(p.pinyin, "");
}

TEST(Pinyin, LongTextsStayWithinTheOutputs) {
    // 400 characters of "zhuang" would be 2400 bytes of pinyin; the input is
    // taken up to 511 bytes (255 characters) and the pinyin cut to 511.
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "\xD7\xB3"; // zhuang4
    Outputs o;
    ASSERT_EQ(dorlix::CnvHZ2PY(text.c_str(), o.pinyin, o.initials), 1);
    EXPECT_EQ(std::strlen(o.pinyin), dorlix::PINYIN_TEXT_MAX);
    EXPECT_EQ(std::string(o.pinyin, 7), "Zhuangz");
    EXPECT_EQ(std::strlen(o.initials), 255u);
    EXPECT_EQ(o.pinyin[dorlix::PINYIN_OUT_SIZE], 'x'); // nothing past the output's size
    EXPECT_EQ(o.initials[dorlix::PINYIN_OUT_SIZE], 'x');

    // An odd cut never splits a character: 1 ASCII byte, then characters.
    std::string odd = "a" + text;
    Outputs q;
    ASSERT_EQ(dorlix::CnvHZ2PY(odd.c_str(), q.pinyin, q.initials), 1);
    EXPECT_EQ(std::strlen(q.initials), 256u);
}

TEST(PinyinTable, KnownRows) {
    struct Row {
        unsigned code;
        const char* reading;
    } rows[] = {
        {0xB0A1, "a1      "}, {0xB0A3, "ai1     "}, {0xD6D0, "zhong1  "}, {0xB9FA, "guo2    "},
        {0xD7F9, "zuo4    "}, {0xF7FE, "zha1    "}, {0xD7FA, "        "}, {0xD7FE, "        "},
    };
    for (const auto& r : rows) {
        const int index = static_cast<int>(((r.code >> 8) - 0xB0) * 94 + ((r.code & 0xFF) - 0xA1));
        const char* e = dorlix::PinyinEntry(index);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(static_cast<unsigned char>(e[0]), r.code >> 8);
        EXPECT_EQ(static_cast<unsigned char>(e[1]), r.code & 0xFF);
        EXPECT_EQ(std::string(e + 2, 8), r.reading) << std::hex << r.code;
        EXPECT_EQ(e[10], '\0');
    }
    EXPECT_EQ(dorlix::PinyinEntry(-1), nullptr);
    EXPECT_EQ(dorlix::PinyinEntry(dorlix::PINYIN_ENTRIES), nullptr);
}

// The listing the generator made at build time from the installed Unihan
// readings, one "B0A1 a1" line per code, or a line saying why it could not.
TEST(PinyinTable, MatchesItsGenerator) {
    std::ifstream list(VZ5_BINARY_DIR "/tests/envlib/services/pinyin_expected.txt");
    if (!list) GTEST_SKIP() << "no generator listing: python3 was not found when the tests were configured";
    std::string line;
    ASSERT_TRUE(std::getline(list, line));
    if (line.rfind("unavailable:", 0) == 0) GTEST_SKIP() << line;
    int index = 0, mismatches = 0;
    do {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ASSERT_LT(index, dorlix::PINYIN_ENTRIES) << "listing longer than the table";
        const char* e = dorlix::PinyinEntry(index);
        std::string reading(e + 2, 8);
        reading.erase(reading.find_last_not_of(' ') + 1);
        char mine[32];
        std::snprintf(mine, sizeof mine, "%02X%02X %s", static_cast<unsigned char>(e[0]),
                      static_cast<unsigned char>(e[1]), reading.c_str());
        if (line != mine && ++mismatches <= 10) ADD_FAILURE() << "table " << mine << ", generator " << line;
        ++index;
    } while (std::getline(list, line));
    EXPECT_EQ(index, dorlix::PINYIN_ENTRIES);
    EXPECT_EQ(mismatches, 0);
}

} // namespace
