// The process exports: the list of names, the search by path, ending the
// first process of a name, and starting a program and waiting for it. The
// processes found and ended are copies of a host program under names no
// other process has.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"
#include "platform/cmdline.h"
#include "platform/process.h"
#include "station.h"
#include "testhost.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-process-attach");

std::string Host() {
    return vz5test::BuiltProgram("test_envlib_process_host");
}

#ifdef _WIN32
const char* kExe = ".exe";
#else
const char* kExe = "";
#endif

// A copy of the host under a name of this test run alone.
std::string NamedCopy(const vz5test::Station& station, const std::string& stem) {
    const std::string path = station.Scratch(stem + kExe);
    std::filesystem::copy_file(Host(), path, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    return path;
}

// A file name stem no other process has: the prefix, this process's id and a count.
std::string UniqueStem(const std::string& prefix) {
    static int count = 0;
    return prefix + std::to_string(plat::CurrentProcessId()) + "n" + std::to_string(++count);
}

void LetItShow() {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::vector<std::string> Names() {
    const int count = GetProcess(nullptr);
    std::vector<char> list(static_cast<size_t>(count + 64) * 260);
    const int filled = GetProcess(list.data());
    std::vector<std::string> names;
    for (int i = 0; i < filled; ++i) names.emplace_back(list.data() + static_cast<size_t>(i) * 260);
    return names;
}

TEST(Processes, ListHoldsThisProgramAndAStartedOne) {
    const vz5test::Station& station = g_attached->Get();
    const std::string stem = UniqueStem("vz5list");
    vz5test::Child child;
    ASSERT_TRUE(child.Start(NamedCopy(station, stem), {"sleep", "20000"}));
    LetItShow();
    const std::vector<std::string> names = Names();
    EXPECT_GT(GetProcess(nullptr), 1);
    int mine = 0, started = 0;
    for (const auto& n : names) {
        mine += n == vz5test::ThisProgramName();
        started += n == stem + kExe;
    }
    EXPECT_GE(mine, 1);
    EXPECT_EQ(started, 1);
}

TEST(Processes, FindByPathFragmentInAnyCase) {
    const vz5test::Station& station = g_attached->Get();
    const std::string stem = UniqueStem("vz5Note");
    vz5test::Child child;
    ASSERT_TRUE(child.Start(NamedCopy(station, stem), {"sleep", "20000"}));
    LetItShow();
    std::string lower = stem;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const int id = FindProcess(lower.c_str());
    EXPECT_NE(id, 0);
    EXPECT_EQ(FindProcess((stem + "-none").c_str()), 0);
    EXPECT_EQ(FindProcess(nullptr), 0);
    // The one found is the child: ending it by name ends that process.
    EXPECT_EQ(KillProcess((stem + kExe).c_str()), 1);
    EXPECT_TRUE(child.Wait(10000));
    EXPECT_EQ(FindProcess(lower.c_str()), 0);
}

TEST(Processes, KillEndsOnlyTheFirstOfTwoOfTheSameName) {
    const vz5test::Station& station = g_attached->Get();
    const std::string stem = UniqueStem("vz5Twin");
    const std::string path = NamedCopy(station, stem);
    vz5test::Child a, b;
    ASSERT_TRUE(a.Start(path, {"sleep", "20000"}));
    ASSERT_TRUE(b.Start(path, {"sleep", "20000"}));
    LetItShow();
    std::string upper = stem + kExe;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(KillProcess(upper.c_str()), 1); // the name compares without regard to case
    LetItShow();
    const bool aEnded = a.Wait(0), bEnded = b.Wait(0);
    EXPECT_NE(aEnded, bEnded) << "exactly one of the two ends";
    EXPECT_EQ(KillProcess(upper.c_str()), 1);
    EXPECT_TRUE(a.Wait(10000));
    EXPECT_TRUE(b.Wait(10000));
    EXPECT_EQ(KillProcess(upper.c_str()), 0);
    EXPECT_EQ(KillProcess(nullptr), 0);
    EXPECT_EQ(KillProcess(""), 0);
}

TEST(Processes, WinExecExWaitsForTheEndAndSplitsAsWindowsDoes) {
    const vz5test::Station& station = g_attached->Get();
    const std::string out = station.Scratch("args.txt");
    const std::string line = "\"" + Host() + "\" args \"" + out + "\" plain \"two words\" a\\\\\\\"b \"x\"\"y\"";
    ASSERT_EQ(WinExecEx(line.c_str(), 1), 1);
    // Written before WinExecEx returned: it waited for the end.
    std::ifstream in(out);
    std::vector<std::string> got;
    for (std::string s; std::getline(in, s);) got.push_back(s);
    EXPECT_EQ(got, (std::vector<std::string>{"plain", "two words", "a\\\"b", "x\"y"}));
    EXPECT_EQ(WinExecEx((station.Scratch("missing") + kExe).c_str(), 1), 0);
    EXPECT_EQ(WinExecEx(nullptr, 1), 0);
    EXPECT_EQ(WinExecEx("", 1), 0);
}

TEST(CommandLine, SplitByTheWindowsRules) {
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  prog\t a  ", {"prog", "a"}},
        {"\"C:\\Program Files\\x.exe\" a", {"C:\\Program Files\\x.exe", "a"}},
        {"C:\\dir\\x.exe \"a b\" c", {"C:\\dir\\x.exe", "a b", "c"}},
        {"p a\\\\b", {"p", "a\\\\b"}},           // backslashes before no quote stay
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},     // 2n before a quote: n, and the quote opens
        {"p a\\\"b", {"p", "a\"b"}},             // 2n+1: n and a literal quote
        {"p \"a\"\"b\"", {"p", "a\"b"}},         // two quotes inside quotes: one
        {"p \"\"", {"p", ""}},                   // an empty argument
        {"p \"unclosed arg", {"p", "unclosed arg"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::SplitCommandLine(c.line), c.args) << c.line;
}

} // namespace
