// Path mapping, attributes, copies and the small text and process calls.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "tmpdir.h"

namespace {

TEST(MapPath, WindowsPathsUnderTheRoot) {
    TempRoot root;
    std::filesystem::create_directories(root / "d/Vz5/SYSTEM");
    WriteText(root / "d/Vz5/SYSTEM/paramidx.INI", "");
    struct Case {
        const char* win;
        std::string native;
    } cases[] = {
        {"D:\\VZ5\\System\\ParamIDX.ini", root / "d/Vz5/SYSTEM/paramidx.INI"}, // existing spelling found
        {"d:\\vz5\\system\\New\\x.ini", root / "d/Vz5/SYSTEM/New/x.ini"},      // new parts as given
        {"E:\\Data\\a.txt", root / "e/Data/a.txt"},
        {"D:relative.txt", root / "d/relative.txt"},
        {"\\VZ5\\x", root / "c/VZ5/x"}, // root of the current drive
        {"\\\\server\\share\\f", root / "unc/server/share/f"},
        {"D:\\VZ5\\\\double\\", root / "d/Vz5/double/"},
        {"/native/stays", "/native/stays"},
        {"Log\\20240101.log", "Log/20240101.log"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::MapPath(c.win), c.native) << c.win;
    EXPECT_EQ(plat::MapPath(nullptr), "");
}

TEST(MapPath, RootFromTheEnvironmentOrTheHomeFolder) {
    TempRoot root;
    setenv("DORLIX_ROOT", (root.path() + "//").c_str(), 1);
    EXPECT_EQ(plat::RootDir(), root.path());
    std::string home = getenv("HOME") ? getenv("HOME") : "";
    unsetenv("DORLIX_ROOT");
    setenv("HOME", root.path().c_str(), 1);
    EXPECT_EQ(plat::RootDir(), root / ".dorlix");
    setenv("HOME", home.c_str(), 1);
}

TEST(SystemFolders, NamesAndFoldersInsideTheRoot) {
    TempRoot root;
    char out[64];
    EXPECT_EQ(plat::GetSystemDirectory(out, sizeof out), 19u);
    EXPECT_STREQ(out, "C:\\WINDOWS\\system32");
    EXPECT_TRUE(plat::DirectoryExists("C:\\windows\\SYSTEM32"));
    EXPECT_EQ(plat::GetSystemDirectory(out, 19), 20u); // too small: size needed
    EXPECT_EQ(plat::GetWindowsDirectory(out, sizeof out), 10u);
    EXPECT_STREQ(out, "C:\\WINDOWS");
    EXPECT_TRUE(plat::DirectoryExists("C:\\WINDOWS\\inf"));
}

TEST(Attributes, ReadOnlyIsThePermissionAndHiddenIsNotKept) {
    TempRoot root;
    WriteText(root / "d/f.sys", "x");
    std::filesystem::create_directories(root / "d/dir");
    EXPECT_EQ(plat::GetFileAttributes("D:\\missing"), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(plat::GetFileAttributes("D:\\dir"), plat::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(plat::GetFileAttributes("D:\\F.SYS"), plat::FILE_ATTRIBUTE_NORMAL);

    ASSERT_EQ(
        plat::SetFileAttributes("D:\\f.sys", plat::FILE_ATTRIBUTE_READONLY | plat::FILE_ATTRIBUTE_HIDDEN), 1);
    EXPECT_EQ(plat::GetFileAttributes("D:\\f.sys"), plat::FILE_ATTRIBUTE_READONLY);
    struct stat st;
    ASSERT_EQ(stat((root / "d/f.sys").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);

    ASSERT_EQ(plat::SetFileAttributes("D:\\f.sys", plat::FILE_ATTRIBUTE_NORMAL), 1);
    EXPECT_EQ(plat::GetFileAttributes("D:\\f.sys"), plat::FILE_ATTRIBUTE_NORMAL);
    // A folder stays exactly a folder: callers test for that value alone.
    EXPECT_EQ(plat::SetFileAttributes("D:\\dir", plat::FILE_ATTRIBUTE_READONLY), 1);
    EXPECT_EQ(plat::GetFileAttributes("D:\\dir"), plat::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(plat::SetFileAttributes("D:\\missing", 0), 0);
}

TEST(CopyFile, WindowsRules) {
    TempRoot root;
    WriteText(root / "d/src.bin", "source");
    chmod((root / "d/src.bin").c_str(), 0444);
    struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, (root / "d/src.bin").c_str(), old, 0);

    // New copy: same bytes, read-only like the source, same last-write time.
    ASSERT_EQ(plat::CopyFile("D:\\SRC.bin", "D:\\dst.bin", 1), 1);
    EXPECT_EQ(ReadText(root / "d/dst.bin"), "source");
    EXPECT_EQ(plat::GetFileAttributes("D:\\dst.bin"), plat::FILE_ATTRIBUTE_READONLY);
    struct stat st;
    ASSERT_EQ(stat((root / "d/dst.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);

    // A read-only target is not overwritten; a writable one is, unless asked not to.
    WriteText(root / "d/src2.bin", "other");
    EXPECT_EQ(plat::CopyFile("D:\\src2.bin", "D:\\dst.bin", 0), 0);
    EXPECT_EQ(ReadText(root / "d/dst.bin"), "source");
    plat::SetFileAttributes("D:\\dst.bin", plat::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(plat::CopyFile("D:\\src2.bin", "D:\\dst.bin", 1), 0);
    EXPECT_EQ(plat::CopyFile("D:\\src2.bin", "D:\\dst.bin", 0), 1);
    EXPECT_EQ(ReadText(root / "d/dst.bin"), "other");

    // Onto itself (another spelling of the same file) the file must survive.
    EXPECT_EQ(plat::CopyFile("D:\\src2.bin", "d:\\SRC2.BIN", 0), 0);
    EXPECT_EQ(ReadText(root / "d/src2.bin"), "other");
    EXPECT_EQ(plat::CopyFile("D:\\none.bin", "D:\\x.bin", 0), 0);
    EXPECT_FALSE(std::filesystem::exists(root / "d/x.bin"));
}

TEST(DeleteAndCreate, WindowsRules) {
    TempRoot root;
    WriteText(root / "d/ro.txt", "x");
    WriteText(root / "d/rw.txt", "x");
    plat::SetFileAttributes("D:\\ro.txt", plat::FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(plat::DeleteFile("D:\\ro.txt"), 0);
    EXPECT_TRUE(plat::FileExists("D:\\ro.txt"));
    EXPECT_EQ(plat::DeleteFile("D:\\RW.TXT"), 1);
    EXPECT_FALSE(plat::FileExists("D:\\rw.txt"));
    EXPECT_EQ(plat::DeleteFile("D:\\rw.txt"), 0);

    EXPECT_EQ(plat::CreateDirectory("D:\\NewDir"), 1);
    EXPECT_TRUE(plat::DirectoryExists("D:\\newdir"));
    EXPECT_EQ(plat::CreateDirectory("D:\\newdir"), 0);
    EXPECT_EQ(plat::CreateDirectory("D:\\a\\b\\c"), 0); // parents are not created
    EXPECT_EQ(plat::DeleteFile("D:\\NewDir"), 0);
}

TEST(CharUpper, AsciiLettersOnly) {
    // The trail byte 0x61 of a double-byte character looks like 'a' and must stay.
    char text[] = "ab1-z\xB0\x61x\xD6\xD0";
    EXPECT_EQ(plat::CharUpper(text), text);
    EXPECT_STREQ(text, "AB1-Z\xB0\x61X\xD6\xD0");
    EXPECT_EQ(plat::CharUpper(nullptr), nullptr);
}

TEST(Process, NameOfThisProgram) {
    EXPECT_EQ(plat::ProcessName(), "test_envlib_platform");
}

} // namespace
