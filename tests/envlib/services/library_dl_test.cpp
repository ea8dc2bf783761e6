// The log and path exports as a host sees them: the real shared library
// loaded on a fresh station, with the current directory in its scratch folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <cctype>
#include <sstream>
#include <string>
#include <thread>
#include <chrono>
#include <vector>

#include "station.h"

namespace fs = std::filesystem;

namespace {

// The environment file as the library stores it: a 688-byte header, then the
// record whose item i starts 4110 + 616 * i bytes in.
constexpr std::size_t kHeaderSize = 688;
constexpr std::size_t kFileSize = kHeaderSize + 188910;
constexpr std::size_t kItemOffset = 4110, kItemSize = 616;
constexpr int kDebugSetItem = 189;

using SaveLogFn = int (*)(const char*, const char*);
using NoArgFn = int (*)();
using PostLogFn = int (*)(const char*);
using PathFn = int (*)(const char*);

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t CountLines(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++n;
    return n;
}

// What follows "<time> VZ5LOG (SaveLog, <line>): " in a record line, or
// "no match" when the line does not start that way.
std::string AfterHead(const std::string& line) {
    const char* shape = "dddd-dd-dd dd:dd:dd.ddd VZ5LOG (SaveLog, ";
    const std::size_t n = std::strlen(shape);
    if (line.size() < n) return "no match";
    for (std::size_t i = 0; i < n; ++i) {
        const bool ok =
            shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == shape[i];
        if (!ok) return "no match";
    }
    std::size_t i = n;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
        ++i;
    if (i == n || line.compare(i, 3, "): ") != 0) return "no match";
    return line.substr(i + 3);
}

class LibraryLog : public ::testing::Test {
  protected:
    void TearDown() override { Unload(); }
    void Load() { ASSERT_TRUE(lib_.Load(vz5test::LibraryFile())) << lib_.Error(); }
    void Unload() { lib_.Unload(); }
    template <class F> F Sym(const char* name) {
        F f = lib_.Function<F>(name);
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    // A station whose environment file switches the log on ("1,0") or leaves it off.
    void WriteEnvironment(const char* debugSet) {
        std::string file(kFileSize, '\0');
        const int32_t version = 423;
        std::memcpy(&file[0], &version, 4);
        std::memcpy(&file[4], "SYSMORVANTESYS", 14);
        std::memcpy(&file[104], "VZ5++/LWP", 9);
        std::memcpy(&file[304], "423", 3);
        std::memcpy(&file[324], "200", 3);
        std::memcpy(&file[kHeaderSize + kItemOffset + kItemSize * kDebugSetItem], debugSet,
                    std::strlen(debugSet));
        vz5test::Station::WriteNative(station_.MainFile(), file);
    }
    std::string LogFolder() const { return station_.Scratch("Log"); }
    std::vector<fs::path> LogFiles() {
        std::vector<fs::path> files;
        if (fs::is_directory(LogFolder()))
            for (const auto& e : fs::directory_iterator(LogFolder()))
                files.push_back(e.path());
        return files;
    }

    vz5test::Station station_{"vz5-libdl"};
    vz5test::Library lib_;
};

TEST_F(LibraryLog, OffByDefaultAndTheOtherLogExportsTouchNothing) {
    Load();
    EXPECT_EQ(Sym<SaveLogFn>("SaveLog")("Weigh", "started"), 0);
    EXPECT_EQ(Sym<NoArgFn>("OpenLog")(), 1);
    EXPECT_EQ(Sym<PostLogFn>("PostLog")("text"), 0);
    EXPECT_EQ(Sym<SaveLogFn>("ForceSaveLog")("Weigh", "text"), 1);
    Unload();
    EXPECT_FALSE(fs::exists(LogFolder()));
}

TEST_F(LibraryLog, SwitchedOffByTheEnvironmentFile) {
    WriteEnvironment("0,1");
    Load();
    EXPECT_EQ(Sym<SaveLogFn>("SaveLog")("Weigh", "started"), 0);
    Unload();
    EXPECT_FALSE(fs::exists(LogFolder()));
}

TEST_F(LibraryLog, SaveLogLinesReachTheDayFileAtUnload) {
    WriteEnvironment("1,0");
    Load();
    auto saveLog = Sym<SaveLogFn>("SaveLog");
    const std::string longText(2000, 'L');
    EXPECT_EQ(saveLog("Weigh", "started"), 1);
    EXPECT_EQ(saveLog("Weigh", "done\r\n"), 1);
    EXPECT_EQ(saveLog("Weigh", longText.c_str()), 1);
    EXPECT_EQ(saveLog(nullptr, nullptr), 1);
    // Unloading writes whatever is still queued. (Should the loader keep the
    // library mapped, the writer still gets there on its own: wait for it.)
    Unload();

    std::vector<fs::path> files;
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        files = LogFiles();
        if (files.size() == 1 && CountLines(text = ReadFile(files[0])) >= 4) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(files.size(), 1u);
    const std::string name = files[0].filename().string();
    EXPECT_EQ(name.size(), 12u);
    EXPECT_EQ(name.find_first_not_of("0123456789"), 8u);
    EXPECT_EQ(name.substr(8), ".log");

    std::vector<std::string> lines;
    for (std::size_t start = 0, at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at + 2 - start));
    ASSERT_EQ(lines.size(), 4u) << text;
    EXPECT_EQ(text.rfind("\r\n"), text.size() - 2) << "text after the last line";

    const std::string exe = vz5test::ThisProgramName();
    const std::string who = "(" + exe + ")->";
    EXPECT_EQ(AfterHead(lines[0]), who + "(Weigh)->(0): started\r\n");
    EXPECT_EQ(AfterHead(lines[1]), who + "(Weigh)->(0): done\r\n");
    // The composed message keeps to 511 bytes.
    EXPECT_EQ(AfterHead(lines[2]),
              who + "(Weigh)->(0): " + longText.substr(0, 511 - who.size() - 14) + "\r\n");
    EXPECT_EQ(AfterHead(lines[3]), who + "((null))->(0): (null)\r\n");
}

TEST_F(LibraryLog, PathWalkThroughTheLibrary) {
    station_.MakeFolder("D:\\"); // the station's drive D:
    Load();
    auto makeSure = Sym<PathFn>("MakeSurePathExistsACreate");
    EXPECT_EQ(makeSure("D:\\VZ5\\Data\\Today"), 0);
    EXPECT_TRUE(station_.IsFolder("D:\\VZ5\\Data\\Today"));
    EXPECT_EQ(makeSure("D:\\vz5\\data\\today"), 3);
    EXPECT_EQ(makeSure("VZ5\\Data"), 0);
    EXPECT_FALSE(fs::exists(station_.Scratch("VZ5")));
}

} // namespace
