// Profile (INI) reads and writes with Windows semantics, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tmpdir.h"

namespace {

const char* kIni = "D:\\Cfg\\station.ini";

const char* kSample = "; station settings\r\n"
                      "stray=before any section\r\n"
                      "[General]\r\n"
                      "  Name =  Station 1  \r\n"
                      "Quoted = \"  spaced  \"\r\n"
                      "Single='x'\r\n"
                      "Half=\"abc\r\n"
                      "Empty=\r\n"
                      "Bare\r\n"
                      "Inline = value ; kept\r\n"
                      "Num = 42abc\r\n"
                      "Neg=-17\r\n"
                      ";Commented=1\r\n"
                      "[ Spaced Section ]\r\n"
                      "Key=v\r\n"
                      "[other]\r\n"
                      "KEY=first\r\n"
                      "key=second\r\n"
                      "[GENERAL]\r\n"
                      "Extra=1\r\n";

class ProfileRead : public ::testing::Test {
  protected:
    void SetUp() override { WriteText(root / "d/cfg/station.ini", kSample); }
    TempRoot root;
};

struct StringCase {
    const char *section, *key, *def;
    uint32_t size;
    const char* want;
    uint32_t result;
};

TEST_F(ProfileRead, StringLookups) {
    const StringCase cases[] = {
        {"General", "Name", "d", 64, "Station 1", 9},
        {"gEnErAl", "  NAME ", "d", 64, "Station 1", 9}, // names trimmed, case ignored
        {"General", "Quoted", "d", 64, "  spaced  ", 10},
        {"General", "Single", "d", 64, "x", 1},
        {"General", "Half", "d", 64, "\"abc", 4}, // unmatched quote stays
        {"General", "Empty", "d", 64, "", 0},     // present but empty: not the default
        {"General", "Bare", "d", 64, "", 0},
        {"General", "Inline", "d", 64, "value ; kept", 12},
        {"General", "Commented", "dflt", 64, "dflt", 4},
        {"General", "Extra", "d", 64, "1", 1}, // second header of the same section
        {"spaced section", "key", "d", 64, "v", 1},
        {"Other", "key", "d", 64, "first", 5}, // first of two equal keys
        {"General", "stray", "d", 64, "d", 1},
        {"General", "Missing", "dflt  ", 64, "dflt", 4}, // default loses trailing blanks
        {"Nowhere", "Name", "dflt", 64, "dflt", 4},
        {"General", "Missing", nullptr, 64, "", 0},
        {"General", "Name", "d", 5, "Stat", 4}, // cut: size - 1
        {"General", "Missing", "default", 4, "def", 3},
        {"General", "Name", "d", 1, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        char out[64];
        std::memset(out, 'Z', sizeof out);
        EXPECT_EQ(plat::GetPrivateProfileString(c.section, c.key, c.def, out, c.size, kIni), c.result);
        EXPECT_STREQ(out, c.want);
        if (c.size < sizeof out) {
            EXPECT_EQ(out[c.size], 'Z') << "wrote past the buffer";
        }
    }
}

TEST_F(ProfileRead, MissingFileGivesDefaultAndEmptyLists) {
    char out[32];
    EXPECT_EQ(
        plat::GetPrivateProfileString("General", "Name", "none", out, sizeof out, "D:\\Cfg\\absent.ini"), 4u);
    EXPECT_STREQ(out, "none");
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(plat::GetPrivateProfileString(nullptr, nullptr, "x", out, sizeof out, "D:\\Cfg\\absent.ini"),
              0u);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], '\0');
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Num", 7, "D:\\Cfg\\absent.ini"), 7u);
}

struct ListCase {
    const char* what;
    bool sectionList; // GetPrivateProfileSection instead of the string call
    const char *section, *key;
    uint32_t size;
    std::string want; // up to and including the final double NUL
    uint32_t result;
};

TEST_F(ProfileRead, NulSeparatedLists) {
    using namespace std::string_literals;
    const ListCase cases[] = {
        {"section names", false, nullptr, nullptr, 128, "General\0Spaced Section\0other\0\0"s, 29},
        {"names cut", false, nullptr, nullptr, 12, "General\0Sp\0\0"s, 10},
        {"keys", false, "OTHER", nullptr, 128, "KEY\0key\0\0"s, 8},
        {"keys of absent section", false, "nope", nullptr, 128, "\0\0"s, 0},
        {"lines", true, "other", nullptr, 128, "KEY=first\0key=second\0\0"s, 21},
        {"lines cut", true, "other", nullptr, 14, "KEY=first\0ke\0\0"s, 12},
        {"lines keep quotes", true, "general", nullptr, 128,
         "Name=Station 1\0Quoted=\"  spaced  \"\0Single='x'\0Half=\"abc\0Empty=\0Bare\0"
         "Inline=value ; kept\0Num=42abc\0Neg=-17\0Extra=1\0\0"s,
         114},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        char out[128];
        std::memset(out, 'Z', sizeof out);
        uint32_t r = c.sectionList
                         ? plat::GetPrivateProfileSection(c.section, out, c.size, kIni)
                         : plat::GetPrivateProfileString(c.section, c.key, "def", out, c.size, kIni);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(std::string(out, c.want.size()), c.want);
        if (c.size < sizeof out) {
            EXPECT_EQ(out[c.size], 'Z') << "wrote past the buffer";
        }
    }
}

TEST_F(ProfileRead, Integers) {
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Num", 5, kIni), 42u);
    EXPECT_EQ(static_cast<int>(plat::GetPrivateProfileInt("General", "Neg", 5, kIni)), -17);
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Name", 5, kIni), 0u);  // no leading number
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Empty", 5, kIni), 5u); // empty: default
    EXPECT_EQ(static_cast<int>(plat::GetPrivateProfileInt("General", "Missing", -3, kIni)), -3);
}

struct WriteCase {
    const char* what;
    const char* before; // null: no file
    const char *section, *key, *value;
    const char* after; // null: still no file
};

TEST(ProfileWrite, EditsKeepTheRestOfTheFile) {
    const char* base = "; top\r\n[A]\r\nk1 = old\r\n; about k2\r\nk2=2\r\n\r\n[B]\r\nx=1\r\n";
    const std::string withC = std::string(base) + "[C]\r\ny=5\r\n";
    const WriteCase cases[] = {
        {"replace value", base, "a", "K1", "new",
         "; top\r\n[A]\r\nk1=new\r\n; about k2\r\nk2=2\r\n\r\n[B]\r\nx=1\r\n"},
        {"add key after the section's last line", base, "A", "k3", "3",
         "; top\r\n[A]\r\nk1 = old\r\n; about k2\r\nk2=2\r\nk3=3\r\n\r\n[B]\r\nx=1\r\n"},
        {"add section at the end", base, "C", "y", "5", withC.c_str()},
        {"remove key", base, "A", "k2", nullptr,
         "; top\r\n[A]\r\nk1 = old\r\n; about k2\r\n\r\n[B]\r\nx=1\r\n"},
        {"remove absent key", base, "A", "zz", nullptr, base},
        {"remove section", base, "a", nullptr, nullptr, "; top\r\n[B]\r\nx=1\r\n"},
        {"line feeds stay line feeds", "[A]\nk=1\n", "A", "j", "2", "[A]\nk=1\nj=2\n"},
        {"no newline at the end", "[A]\nk=1", "A", "j", "2", "[A]\nk=1\nj=2\n"},
        {"empty section takes the key", "[A]\r\n[B]\r\n", "A", "k", "v", "[A]\r\nk=v\r\n[B]\r\n"},
        {"new file", nullptr, "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"removal does not create a file", nullptr, "S", "k", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempRoot root;
        std::string native = root / "d/cfg/w.ini";
        std::filesystem::create_directories(root / "d/cfg");
        if (c.before) WriteText(native, c.before);
        EXPECT_EQ(plat::WritePrivateProfileString(c.section, c.key, c.value, "D:\\CFG\\w.ini"), 1);
        if (c.after)
            EXPECT_EQ(ReadText(native), c.after);
        else
            EXPECT_FALSE(std::filesystem::exists(native));
    }
}

TEST(ProfileWrite, RefusedWithoutTheFolderOrOnAReadOnlyFile) {
    TempRoot root;
    EXPECT_EQ(plat::WritePrivateProfileString("S", "k", "v", "D:\\nofolder\\w.ini"), 0);
    WriteText(root / "d/w.ini", "[S]\r\nk=1\r\n");
    chmod((root / "d/w.ini").c_str(), 0444);
    EXPECT_EQ(plat::WritePrivateProfileString("S", "k", "2", "D:\\w.ini"), 0);
    EXPECT_EQ(ReadText(root / "d/w.ini"), "[S]\r\nk=1\r\n");
    EXPECT_EQ(plat::WritePrivateProfileString(nullptr, "k", "2", "D:\\w.ini"), 0);
}

// A parsed file is reused while it is unchanged; a change, even one of the same
// size within the same clock tick, is seen by the next call.
TEST(ProfileCache, ChangesAreSeenByTheNextCall) {
    TempRoot root;
    std::string native = root / "d/c.ini";
    char out[16];
    for (int i = 0; i < 20; ++i) {
        std::string v = std::to_string(i % 10);
        WriteText(native, "[S]\nk=" + v + "\n");
        plat::GetPrivateProfileString("S", "k", "", out, sizeof out, "D:\\c.ini");
        ASSERT_STREQ(out, v.c_str()) << "round " << i;
    }
    // Through the writer, and with the file removed.
    ASSERT_EQ(plat::WritePrivateProfileString("S", "k", "written", "D:\\c.ini"), 1);
    plat::GetPrivateProfileString("S", "k", "", out, sizeof out, "D:\\c.ini");
    EXPECT_STREQ(out, "written");
    std::filesystem::remove(native);
    plat::GetPrivateProfileString("S", "k", "gone", out, sizeof out, "D:\\c.ini");
    EXPECT_STREQ(out, "gone");
}

} // namespace
