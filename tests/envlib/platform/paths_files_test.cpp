// Path mapping, attributes, copies and the small text and process calls.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/platform.h"
#include "tmpdir.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(MapPath, WindowsPathsUnderTheRoot) {
    VZ5_POSIX_ONLY("on Windows paths are the caller's as they stand");
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
    VZ5_POSIX_ONLY("DORLIX_ROOT maps drive letters of the POSIX layer only");
    TempRoot root;
    vz5test::SetEnv("DORLIX_ROOT", root.path() + "//");
    EXPECT_EQ(plat::RootDir(), root.path());
    std::string home = getenv("HOME") ? getenv("HOME") : "";
    vz5test::UnsetEnv("DORLIX_ROOT");
    vz5test::SetEnv("HOME", root.path());
    EXPECT_EQ(plat::RootDir(), root / ".dorlix");
    vz5test::SetEnv("HOME", home);
}

TEST(SystemFolders, NamesAndFoldersInsideTheRoot) {
    TempRoot root;
    char out[64];
    EXPECT_EQ(plat::GetSystemDirectory(out, sizeof out), 19u);
    EXPECT_EQ(Lower(out), "c:\\windows\\system32");
    EXPECT_TRUE(plat::DirectoryExists("C:\\windows\\SYSTEM32"));
    EXPECT_EQ(plat::GetSystemDirectory(out, 19), 20u); // too small: size needed
    EXPECT_EQ(plat::GetWindowsDirectory(out, sizeof out), 10u);
    EXPECT_EQ(Lower(out), "c:\\windows");
    EXPECT_TRUE(plat::DirectoryExists("C:\\WINDOWS\\inf"));
}

// A file without read-only, hidden or system attributes: Windows reports
// "archive" for a file a program wrote, and "normal" once the attributes
// were set to that.
bool Plain(uint32_t a) {
    return a == plat::FILE_ATTRIBUTE_NORMAL || a == plat::FILE_ATTRIBUTE_ARCHIVE;
}
constexpr uint32_t kKept = plat::FILE_ATTRIBUTE_READONLY | plat::FILE_ATTRIBUTE_HIDDEN;

TEST(Attributes, ReadOnlyAndHiddenAreKept) {
    TempRoot root;
    WriteText(root / "d/f.sys", "x");
    std::filesystem::create_directories(root / "d/dir");
    EXPECT_EQ(plat::GetFileAttributes("D:\\missing"), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(plat::GetFileAttributes("D:\\dir"), plat::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(Plain(plat::GetFileAttributes("D:\\F.SYS"))) << plat::GetFileAttributes("D:\\F.SYS");

    ASSERT_EQ(plat::SetFileAttributes("D:\\f.sys", kKept), 1);
    EXPECT_EQ(plat::GetFileAttributes("D:\\f.sys") & ~plat::FILE_ATTRIBUTE_ARCHIVE, kKept);
    EXPECT_TRUE(vz5test::IsReadOnly(root / "d/f.sys"));

    ASSERT_EQ(plat::SetFileAttributes("D:\\f.sys", plat::FILE_ATTRIBUTE_NORMAL), 1);
    EXPECT_TRUE(Plain(plat::GetFileAttributes("D:\\f.sys"))) << plat::GetFileAttributes("D:\\f.sys");
    // A folder stays exactly a folder: callers test for that value alone.
    EXPECT_EQ(plat::SetFileAttributes("D:\\dir", plat::FILE_ATTRIBUTE_READONLY), 1);
    EXPECT_EQ(plat::GetFileAttributes("D:\\dir"), plat::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(plat::SetFileAttributes("D:\\missing", 0), 0);
}

TEST(CopyFile, WindowsRules) {
    TempRoot root;
    WriteText(root / "d/src.bin", "source");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    std::filesystem::last_write_time(root / "d/src.bin", old);
    vz5test::MakeReadOnly(root / "d/src.bin");

    // New copy: same bytes, read-only like the source, same last-write time.
    ASSERT_EQ(plat::CopyFile("D:\\SRC.bin", "D:\\dst.bin", 1), 1);
    EXPECT_EQ(ReadText(root / "d/dst.bin"), "source");
    EXPECT_EQ(plat::GetFileAttributes("D:\\dst.bin") & ~plat::FILE_ATTRIBUTE_ARCHIVE, plat::FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(std::filesystem::last_write_time(root / "d/dst.bin"),
              std::filesystem::last_write_time(root / "d/src.bin"));

    // A read-only target is not overwritten; a writable one is, unless asked not to.
    WriteText(root / "d/src2.bin", "other");
    if (vz5test::ReadOnlyFilesRefuseWrites()) {
        EXPECT_EQ(plat::CopyFile("D:\\src2.bin", "D:\\dst.bin", 0), 0);
        EXPECT_EQ(ReadText(root / "d/dst.bin"), "source");
    }
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
    EXPECT_EQ(plat::ProcessName(), vz5test::ThisProgramName());
}

} // namespace
