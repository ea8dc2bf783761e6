// Files and paths: the path splitters as tables, and the folder walks on real
// folders of a private station.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dorlix.h"
#include "core/lifecycle.h"
#include "attachedstation.h"

namespace fs = std::filesystem;

namespace {

struct Out {
    char a[260], b[260], c[260], d[260];
    Out() {
        // Stale text shows up if an output is left unset.
        for (char* p : {a, b, c, d})
            std::strcpy(p, "stale");
    }
};

TEST(FilesParse, ParseFileExtName) {
    struct Case {
        const char* path;
        int rc;
        const char* base;
        const char* ext;
    } cases[] = {
        {"C:\\data\\file.txt", 2, "C:\\data\\file", "txt"},
        {"C:\\data\\README", 1, "C:\\data\\README", ""},
        {"a.b.c", 2, "a.b", "c"},
        {"C:\\my.dir\\file", 2, "C:\\my", "dir\\file"}, // the last dot wins, wherever it is
        {".profile", -1, "", ""},
        {nullptr, 0, "", ""},
    };
    for (const auto& c : cases) {
        Out o;
        EXPECT_EQ(ParseFileExtName(c.path, o.a, o.b), c.rc) << (c.path ? c.path : "null");
        EXPECT_STREQ(o.a, c.base) << (c.path ? c.path : "null");
        EXPECT_STREQ(o.b, c.ext) << (c.path ? c.path : "null");
    }
    // Null outputs are allowed.
    EXPECT_EQ(ParseFileExtName("x.y", nullptr, nullptr), 2);
}

TEST(FilesParse, ParseFileExtNameExAndExA) {
    struct Case {
        const char* path;
        int rc;
        const char* drive;
        const char* folder;
        const char* name;
        const char* ext;
        const char* nameA; // name output of the A form
    } cases[] = {
        {"C:\\data\\file.txt", 2, "C", "C:\\data", "file", "txt", "file.txt"},
        {"C:\\data", 2, "C", "C:", "data", "", "data"},
        {"D:\\x\\y\\z.tar.gz", 2, "D", "D:\\x\\y", "z.tar", "gz", "z.tar.gz"},
        {"file.txt", 2, "", "", "file", "txt", "file.txt"},
        {"\\top.ini", 2, "", "", "top", "ini", "top.ini"},
        {"ab", 1, "", "", "", "", ""}, // too short to have a name
        {".profile", -1, "", "", "", "", ""},
        {nullptr, 0, "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        const char* label = c.path ? c.path : "null";
        Out o;
        EXPECT_EQ(ParseFileExtNameEx(c.path, o.a, o.b, o.c, o.d), c.rc) << label;
        EXPECT_STREQ(o.a, c.drive) << label;
        EXPECT_STREQ(o.b, c.folder) << label;
        EXPECT_STREQ(o.c, c.name) << label;
        EXPECT_STREQ(o.d, c.ext) << label;
        Out a;
        EXPECT_EQ(ParseFileExtNameExA(c.path, a.a, a.b, a.c, a.d), c.rc) << label;
        EXPECT_STREQ(a.c, c.nameA) << label;
        EXPECT_STREQ(a.d, c.ext) << label;
    }
    EXPECT_EQ(ParseFileExtNameEx("C:\\d\\f.txt", nullptr, nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(ParseFileExtNameExA("C:\\d\\f.txt", nullptr, nullptr, nullptr, nullptr), 2);
}

TEST(FilesParse, OverlongPathsAreRefusedWithoutTouchingTheBuffers) {
    // 300 characters: longer than any path the outputs are sized for.
    const std::string longPath = "C:\\" + std::string(290, 'a') + ".txt";
    Out o;
    EXPECT_EQ(ParseFileExtName(longPath.c_str(), o.a, o.b), 0);
    EXPECT_EQ(ParseFileExtNameExA(longPath.c_str(), o.a, o.b, o.c, o.d), 0);
    EXPECT_STREQ(o.c, "");
    EXPECT_EQ(ChangeFileExtName(longPath.c_str(), "bmp", o.a), 0);
    EXPECT_EQ(MakeSurePathExistsACreate(longPath.c_str()), 0);
    EXPECT_EQ(TestPath(longPath.c_str(), 1), -1);
}

TEST(FilesParse, ChangeFileExtName) {
    struct Case {
        const char* path;
        const char* ext;
        const char* out;
    } cases[] = {
        {"report.jpeg", "bmp", "report.bmp"},
        {"a.txt", "docx", "a.doc"}, // cut to the old extension's length
        {"C:\\d\\f.c", "", "C:\\d\\f."},
        {"README", "txt", "txt"}, // no dot: the new extension replaces the text
        {"ab", "txt", "tx"},
    };
    for (const auto& c : cases) {
        char out[260] = "stale";
        EXPECT_EQ(ChangeFileExtName(c.path, c.ext, out), 1) << c.path;
        EXPECT_STREQ(out, c.out) << c.path;
    }
    char out[260];
    EXPECT_EQ(ChangeFileExtName(nullptr, "a", out), 0);
    EXPECT_EQ(ChangeFileExtName("a.b", nullptr, out), 0);
    EXPECT_EQ(ChangeFileExtName("a.b", "c", nullptr), 0);
}

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-files-attach");

// A fresh station per test; its scratch folder is the current directory
// (relative paths must not create anything there).
class FilesWalk : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(station_.At("c/")); }
    void MakeFile(const std::string& rel, const std::string& content) {
        vz5test::Station::WriteNative(station_.At(rel), content);
    }
    bool IsDir(const std::string& rel) { return fs::is_directory(station_.At(rel)); }
    // Everything on the station, to see that nothing else was made.
    std::size_t Entries() { return station_.Entries().size(); }

    vz5test::Station station_{"vz5-files"};
};

TEST_F(FilesWalk, MakeSurePathExistsCreatesTheChainOnce) {
    EXPECT_EQ(MakeSurePathExistsACreate("C:\\new\\sub"), 0);
    EXPECT_TRUE(IsDir("c/new/sub"));
    EXPECT_EQ(MakeSurePathExistsACreate("C:\\new\\sub"), 3);
    // Existing components are found whatever their case.
    EXPECT_EQ(MakeSurePathExistsACreate("c:\\NEW\\Sub"), 3);
}

TEST_F(FilesWalk, MakeSurePathExistsRefusesBadPathsAndCreatesNothing) {
    const char* bad[] = {
        "new\\sub",     // no drive
        "C:\\bad|name", // forbidden character
        "C:\\ok\\bad?", // ... in a later component, after a good one
        "C:\\a\\b\\",   // final backslash
        "C:\\a\\\\b",   // empty component
        "C:\\ lead",    // leading space
        "C:\\trail.",   // trailing dot
        "C:\\.hidden",  // leading dot
        "C:/fwd/slash", // not the absolute form
        "C:",           // too short
        nullptr,
    };
    const std::size_t before = Entries();
    for (const char* p : bad)
        EXPECT_EQ(MakeSurePathExistsACreate(p), 0) << (p ? p : "null");
    EXPECT_EQ(Entries(), before);
}

TEST_F(FilesWalk, MakeSurePathExistsWhereAFileBlocksTheChain) {
    MakeFile("c/plain.txt", "x");
    EXPECT_EQ(MakeSurePathExistsACreate("C:\\plain.txt\\sub"), 0);
    EXPECT_FALSE(IsDir("c/plain.txt/sub"));
    EXPECT_EQ(MakeSurePathExistsACreate("C:\\plain.txt"), 0); // a file is no folder
}

TEST_F(FilesWalk, TestPath) {
    fs::create_directories(station_.At("c/data"));
    MakeFile("c/data/f.txt", "x");
    struct Case {
        const char* path;
        int testonly;
        int rc;
    } cases[] = {
        {"C:\\data", 1, 1},         // an existing plain folder
        {"C:\\missing", 1, -2},     // test only: nothing is made
        {"C:\\data\\f.txt", 1, -2}, // a file is no folder
        {"C:\\bad|name", 0, -1},
        {"C:\\data\\", 1, -1}, // final backslash: an empty name
        {"C:\\", 1, 2},        // an existing drive root
        {"Q:\\", 1, 0},        // a missing drive root
        {"C:", 1, 1},          // too short
        {nullptr, 1, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TestPath(c.path, c.testonly), c.rc) << (c.path ? c.path : "null");
    EXPECT_FALSE(IsDir("c/missing"));

    // Without test-only the chain is made.
    EXPECT_EQ(TestPath("C:\\made\\here", 0), 1);
    EXPECT_TRUE(IsDir("c/made/here"));
}

TEST_F(FilesWalk, GetfilesizeAndCounts) {
    MakeFile("c/five.bin", "12345");
    MakeFile("c/empty.bin", "");
    fs::create_directories(station_.At("c/dir"));
    EXPECT_EQ(Getfilesize("C:\\five.bin"), 5);
    EXPECT_EQ(Getfilesize("c:\\FIVE.BIN"), 5);
    EXPECT_EQ(Getfilesize("C:\\empty.bin"), 0);
    EXPECT_EQ(Getfilesize("C:\\none.bin"), -1);
    EXPECT_EQ(Getfilesize("C:\\dir"), -1);
    EXPECT_EQ(Getfilesize(nullptr), -1);
    EXPECT_EQ(GetFilePathNum(), 300);
}

TEST_F(FilesWalk, GetCurPath) {
    const std::string folder = vz5test::ThisProgramFolder();
    char out[4096];
    ASSERT_EQ(GetCurPath(out, sizeof out), 1);
    EXPECT_EQ(std::string(out), folder);

    // A buffer too small for the folder gets nothing rather than a cut, unterminated path.
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(GetCurPath(small, sizeof small), 0);
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(GetCurPath(nullptr, 100), 0);
}

} // namespace
