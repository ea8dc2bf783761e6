// Profile (INI) reads and writes with Windows semantics, on real files.
#include <gtest/gtest.h>

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
                      "[Empty]\r\n"
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
        {" General\t", "Name", "d", 64, "Station 1", 9},
        {"General", "Quoted", "d", 64, "  spaced  ", 10},
        {"General", "Single", "d", 64, "x", 1},
        {"General", "Half", "d", 64, "\"abc", 4}, // unmatched quote stays
        {"General", "Empty", "d", 64, "", 0},     // present but empty: not the default
        {"General", "Bare", "d", 64, "d", 1}, // a line without "=" is no key
        {"General", "Inline", "d", 64, "value ; kept", 12},
        {"General", "Commented", "dflt", 64, "dflt", 4},
        {"General", ";Commented", "dflt", 64, "1", 1}, // found by its own name
        {"General", "Extra", "d", 64, "d", 1}, // only the first header of a name is read
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
    EXPECT_EQ(out[1], 'Z') << "an empty list ends in a single NUL";
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(plat::GetPrivateProfileSection("General", out, sizeof out, "D:\\Cfg\\absent.ini"), 0u);
    EXPECT_EQ(std::string(out, 3), std::string("\0\0Z", 3)) << "the lines of a section end in two";
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Num", 7, "D:\\Cfg\\absent.ini"), 7u);
}

struct ListCase {
    const char* what;
    bool sectionList; // GetPrivateProfileSection instead of the string call
    const char *section, *def;
    uint32_t size;
    std::string want; // up to and including the final NUL (or NULs)
    uint32_t result;
};

TEST_F(ProfileRead, NulSeparatedLists) {
    using namespace std::string_literals;
    const ListCase cases[] = {
        // A section of a name that is there twice is named twice.
        {"section names", false, nullptr, "def", 128, "General\0Spaced Section\0other\0Empty\0GENERAL\0\0"s, 43},
        // Cut lists, and empty ones, end in a single NUL.
        {"names cut", false, nullptr, "def", 12, "General\0Sp\0"s, 10},
        {"keys", false, "OTHER", "def", 128, "KEY\0key\0\0"s, 8},
        // Lines without "=" and comment lines are no keys.
        {"keys of the first header", false, "General", "def", 128,
         "Name\0Quoted\0Single\0Half\0Empty\0Inline\0Num\0Neg\0\0"s, 45},
        {"keys cut", false, "General", "def", 10, "Name\0Quo\0"s, 8},
        // Room for a name and its NUL and no more: that much, ended as a whole list.
        {"keys stop where a name ends", false, "General", "def", 7, "Name\0\0"s, 5},
        // No keys: the default text.
        {"keys of absent section", false, "nope", "def", 128, "def\0"s, 3},
        {"keys of empty section", false, "empty", "", 128, "\0"s, 0},
        // Lists take the section name as given.
        {"keys, name with blanks", false, " other ", "", 128, "\0"s, 0},
        {"lines", true, "other", "", 128, "KEY=first\0key=second\0\0"s, 21},
        {"lines cut", true, "other", "", 14, "KEY=first\0ke\0\0"s, 12},
        {"lines keep quotes", true, "general", "", 128,
         "Name=Station 1\0Quoted=\"  spaced  \"\0Single='x'\0Half=\"abc\0Empty=\0Bare\0"
         "Inline=value ; kept\0Num=42abc\0Neg=-17\0\0"s,
         106},
        {"lines of empty section", true, "empty", "", 128, "\0\0"s, 0},
        {"lines, name with blanks", true, " other ", "", 128, "\0\0"s, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        char out[128];
        std::memset(out, 'Z', sizeof out);
        uint32_t r = c.sectionList ? plat::GetPrivateProfileSection(c.section, out, c.size, kIni)
                                   : plat::GetPrivateProfileString(c.section, nullptr, c.def, out, c.size, kIni);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(std::string(out, c.want.size()), c.want);
        EXPECT_EQ(out[c.want.size()], 'Z') << "more written than the list";
    }
}

TEST_F(ProfileRead, Integers) {
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Num", 5, kIni), 42u);
    EXPECT_EQ(static_cast<int>(plat::GetPrivateProfileInt("General", "Neg", 5, kIni)), -17);
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Name", 5, kIni), 0u);  // no leading number
    EXPECT_EQ(plat::GetPrivateProfileInt("General", "Empty", 5, kIni), 5u); // empty: default
    EXPECT_EQ(static_cast<int>(plat::GetPrivateProfileInt("General", "Missing", -3, kIni)), -3);

    // Prefixes of other bases (lower case only), signs, quotes, 32-bit wrap.
    WriteText(root / "d/cfg/int.ini", "[S]\r\nhex=0x10\r\nneghex=-0x10\r\nupper=0X1f\r\noctal=010\r\n"
                                      "oct=0o17\r\nbin=0b101\r\nquoted=' 9'\r\nsign=-\r\nmax=4294967295\r\n"
                                      "wrap=99999999999\r\n");
    const struct {
        const char* key;
        int want;
    } cases[] = {{"hex", 16},   {"neghex", -16}, {"upper", 0},  {"octal", 10}, {"oct", 15},
                 {"bin", 5},    {"quoted", 9},   {"sign", 0},   {"max", -1},   {"wrap", 1215752191}};
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(plat::GetPrivateProfileInt("S", c.key, -99, "D:\\Cfg\\int.ini")), c.want)
            << c.key;
}

// A profile file as the reader sees it: every section with its lines.
std::string AsRead(const char* file) {
    std::vector<char> names(4096), lines(4096);
    uint32_t n = plat::GetPrivateProfileString(nullptr, nullptr, "", names.data(), 4096, file);
    std::string text;
    for (const char* s = names.data(); s < names.data() + n && *s; s += std::strlen(s) + 1) {
        text += "[" + std::string(s) + "]\n";
        uint32_t m = plat::GetPrivateProfileSection(s, lines.data(), 4096, file);
        for (const char* l = lines.data(); l < lines.data() + m && *l; l += std::strlen(l) + 1)
            text += std::string(l) + "\n";
    }
    return text;
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
        if (!c.after) {
            EXPECT_FALSE(std::filesystem::exists(native));
            continue;
        }
        // What every reader sees, on both platforms.
        WriteText(root / "d/cfg/want.ini", c.after);
        EXPECT_EQ(AsRead("D:\\CFG\\w.ini"), AsRead("D:\\CFG\\want.ini"));
        // Wine writes the whole file anew in a layout of its own (no blank
        // lines, "key=value"); Windows and the POSIX layer edit it in place.
        if (!vz5test::kWindows) {
            EXPECT_EQ(ReadText(native), c.after);
        }
    }
}

TEST(ProfileWrite, RefusedWithoutTheFolderOrOnAReadOnlyFile) {
    TempRoot root;
    EXPECT_EQ(plat::WritePrivateProfileString("S", "k", "v", "D:\\nofolder\\w.ini"), 0);
    WriteText(root / "d/w.ini", "[S]\r\nk=1\r\n");
    vz5test::MakeReadOnly(root / "d/w.ini");
    if (vz5test::ReadOnlyFilesRefuseWrites()) {
        EXPECT_EQ(plat::WritePrivateProfileString("S", "k", "2", "D:\\w.ini"), 0);
        EXPECT_EQ(ReadText(root / "d/w.ini"), "[S]\r\nk=1\r\n");
    }
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
