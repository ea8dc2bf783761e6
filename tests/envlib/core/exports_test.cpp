// The shared library as hosts see it: the names it exports and a real load
// on a fresh station.
#include <gtest/gtest.h>

#include <cstdio>
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

const char* kExportList = VZ5_SOURCE_DIR "/../shared/dorlix-exports.txt";

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
    std::ifstream list(kExportList);
    if (!list) GTEST_SKIP() << "export list not found beside the source tree: " << kExportList;
    std::set<std::string> allowed;
    for (std::string name; std::getline(list, name);) {
        while (!name.empty() && (name.back() == '\r' || name.back() == ' '))
            name.pop_back();
        if (!name.empty()) allowed.insert(name);
    }
    ASSERT_FALSE(allowed.empty());

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

} // namespace
