// The shared library as hosts see it: the names it exports and a real load
// on a fresh station.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "station.h"

// Objects the library creates during its unload and keeps for good (locks a
// late caller may still take) are only referenced from the library's own
// globals; once dlclose unmaps those, the leak checker of sanitizer builds
// cannot see the references any more. Those objects are not leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_dl_call_fini\n";
}

namespace {

// The names the library may export, kept beside the header; the owner's list
// beside the source tree, when it is there, must be the same. The JPEG and
// pinyin conversions, which station programs call, are exported beside them.
const char* kExportList = VZ5_SOURCE_DIR "/include/dorlix-exports.txt";
const char* kAddedExportList = VZ5_SOURCE_DIR "/include/dorlix-exports-added.txt";
const char* kSharedExportList = VZ5_SOURCE_DIR "/../shared/dorlix-exports.txt";

std::set<std::string> ReadNames(const char* path) {
    std::set<std::string> names;
    std::ifstream list(path);
    for (std::string name; std::getline(list, name);) {
        while (!name.empty() && (name.back() == '\r' || name.back() == ' '))
            name.pop_back();
        if (!name.empty()) names.insert(name);
    }
    return names;
}

// The frame's own exports: the others arrive with their families.
const char* kFrameExports[] = {"GetLangueString",  "GetLangueStringLocal",
                               "GetDllVer",        "GetVers",
                               "JudgeVersion",     "GetField",
                               "GetField2",        "TrimLeft",
                               "TrimRight",        "RemoveLastChar",
                               "IsDigital",        "GetNumricFromString",
                               "MakeByPassString", "GetCurProcess"};

// Names that every shared object defines for the linker, not for hosts.
const std::set<std::string> kLinkerNames = {"_init", "_fini", "__bss_start", "_edata", "_end"};

std::set<std::string> DefinedDynamicSymbols() {
    std::set<std::string> names;
    std::string cmd = "nm -D --defined-only " + vz5test::LibraryFile() + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return names;
    char line[1024];
    while (std::fgets(line, sizeof line, p)) {
        char type = 0;
        char name[900];
        // "<address> <type> <name>"
        if (std::sscanf(line, "%*s %c %899s", &type, name) == 2) names.insert(name);
    }
    pclose(p);
    return names;
}

TEST(Exports, OnlyListedNamesAndEveryFrameExport) {
    VZ5_POSIX_ONLY("the export table of Dorlix.dll is checked on the build host (DllTables)");
    std::set<std::string> allowed = ReadNames(kExportList);
    ASSERT_FALSE(allowed.empty()) << kExportList;
    if (std::ifstream(kSharedExportList)) {
        EXPECT_EQ(ReadNames(kSharedExportList), allowed) << "the export list differs from " << kSharedExportList;
    }
    const std::set<std::string> added = ReadNames(kAddedExportList);
    ASSERT_FALSE(added.empty()) << kAddedExportList;
    for (const auto& name : added) {
        EXPECT_FALSE(allowed.count(name)) << "already in the field list: " << name;
        allowed.insert(name);
    }

    std::set<std::string> exported = DefinedDynamicSymbols();
    ASSERT_FALSE(exported.empty()) << "nm found nothing in " << vz5test::LibraryFile();
    for (const auto& name : exported) {
        if (kLinkerNames.count(name)) continue;
        EXPECT_TRUE(allowed.count(name)) << "exported but not a library export: " << name;
    }
    for (const char* name : kFrameExports) {
        EXPECT_TRUE(allowed.count(name)) << name;
        EXPECT_TRUE(exported.count(name)) << "not exported: " << name;
    }
}

TEST(Exports, RealLoadServesTheFrame) {
    vz5test::Station station("dorlix-load");
    vz5test::Library lib;
    ASSERT_TRUE(lib.Load(vz5test::LibraryFile())) << lib.Error();

    using CurProcess = int (*)(char*);
    using Field = int (*)(const char*, char*, int);
    auto getCurProcess = lib.Function<CurProcess>("GetCurProcess");
    auto getField = lib.Function<Field>("GetField");
    ASSERT_NE(getCurProcess, nullptr);
    ASSERT_NE(getField, nullptr);
    char out[260] = "junk";
    // Served right after the load: the attach ran in the load notification.
    EXPECT_EQ(getField("a,b,c", out, 2), 1);
    EXPECT_STREQ(out, "c");
    EXPECT_EQ(getCurProcess(out), 1);
    EXPECT_EQ(std::string(out), vz5test::ThisProgramName());
    // Internal helpers stay hidden.
    EXPECT_EQ(lib.Symbol("_ZN4plat7MapPathEPKc"), nullptr);
    lib.Unload();
}

// The two conversions beyond the field list are served by a real load too.
TEST(Exports, ConversionsBeyondTheFieldListServedThroughALoad) {
    vz5test::Station station("dorlix-conv");
    vz5test::Library lib;
    ASSERT_TRUE(lib.Load(vz5test::LibraryFile())) << lib.Error();
    auto cnvHZ2PY = lib.Function<int (*)(const char*, char*, char*)>("CnvHZ2PY");
    auto cnvJpeg = lib.Function<int (*)(const char*, const char*)>("CnvJpeg2BmpFile");
    ASSERT_NE(cnvHZ2PY, nullptr);
    ASSERT_NE(cnvJpeg, nullptr);
    char pinyin[512], initials[512];
    EXPECT_EQ(cnvHZ2PY("\xD6\xD0\xB9\xFA", pinyin, initials), 1); // GB2312 "zhong guo"
    EXPECT_STREQ(pinyin, "Zhongguo");
    EXPECT_STREQ(initials, "zg");
    // A missing picture is a failure result, not the end of the caller.
    const std::string bmp = station.Scratch("none.bmp");
    EXPECT_EQ(cnvJpeg(station.Scratch("none.jpg").c_str(), bmp.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(bmp));
    lib.Unload();
}

// The version resource of Dorlix.dll carries the texts GetDllVer reports,
// and GetVers reads it: the file version with the file's date.
TEST(Exports, VersionResourceHoldsTheLibraryTexts) {
    VZ5_WINDOWS_ONLY("programs and libraries on POSIX carry no version resource");
    vz5test::Station station("dorlix-vers");
    const std::string copy = station.Scratch("vers.dll");
    std::filesystem::copy_file(vz5test::LibraryFile(), copy);
    vz5test::SetFileDay(copy, 2021, 4, 6);

    vz5test::Library lib;
    ASSERT_TRUE(lib.Load(vz5test::LibraryFile())) << lib.Error();
    auto getDllVer = lib.Function<int (*)(char*)>("GetDllVer");
    auto getVers = lib.Function<int (*)(const char*, char*)>("GetVers");
    ASSERT_NE(getDllVer, nullptr);
    ASSERT_NE(getVers, nullptr);
    char own[1024], read[1024];
    ASSERT_EQ(getDllVer(own), 1);
    EXPECT_EQ(vz5test::VersionResourceString(copy, "FileDescription"), std::string(own + 256));
    EXPECT_EQ(vz5test::VersionResourceString(copy, "LegalCopyright"), std::string(own + 512));
    EXPECT_EQ(vz5test::VersionResourceString(copy, "InternalName"), std::string(own + 768));

    // Written on the library's build date: the two version texts agree.
    ASSERT_EQ(getVers(copy.c_str(), read), 1);
    EXPECT_STREQ(read, own);
    EXPECT_STREQ(read, "4.23.0.0.20.21.4.6");
    EXPECT_STREQ(read + 256, "(?)"); // no comments
    EXPECT_EQ(std::string(read + 512), std::string(own + 512) + " 2021");
    EXPECT_STREQ(read + 768, "SYSENV");
    int32_t special = -1;
    std::memcpy(&special, read + 1020, 4);
    EXPECT_EQ(special, 0);
    // The test program itself has no version resource.
    EXPECT_EQ(getVers(nullptr, read), 0);
    EXPECT_STREQ(read, "0.0.0.0.0.0.0");
    lib.Unload();
}

} // namespace
