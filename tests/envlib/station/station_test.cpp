// The stand-in station program, a C host of the library in each of the forms
// station programs bind it, run as separate processes on a fresh station.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "station.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Forms() {
    std::vector<std::string> forms = {"station_linked", "station_dynamic"};
    if (VZ5_STATION_MSLIB) forms.push_back("station_mslib");
    return forms;
}

vz5test::ProgramRun RunForm(const std::string& form, const std::vector<std::string>& args) {
    return vz5test::RunProgram(vz5test::BuiltProgram(form), args);
}

class StationProgram : public ::testing::Test {
  protected:
    // Every record line of the day's log, the station program's messages only.
    std::vector<std::string> Records() {
        std::vector<std::string> records;
        const fs::path folder = station_.Scratch("Log");
        if (!fs::is_directory(folder)) return records;
        for (const auto& file : fs::directory_iterator(folder)) {
            std::istringstream in(vz5test::Station::ReadNative(file.path().string()));
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                const size_t at = line.find(")->(Station)->(0): ");
                if (at != std::string::npos) records.push_back(line.substr(at + 19));
            }
        }
        return records;
    }

    vz5test::Station station_{"vz5-station"};
};

TEST_F(StationProgram, EveryFormSavesWhatAnotherProcessReadsBack) {
    const std::vector<std::string> forms = Forms();
    for (size_t i = 0; i < forms.size(); ++i) {
        SCOPED_TRACE(forms[i]);
        const std::string name = "Lane " + std::to_string(i + 1);
        vz5test::ProgramRun w = RunForm(forms[i], {"write", name});
        ASSERT_EQ(w.exitCode, 0);
        EXPECT_EQ(w.out, "ok\n");
        // The next form reads what this one saved.
        vz5test::ProgramRun r = RunForm(forms[(i + 1) % forms.size()], {"read"});
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, name + "\n");
    }
}

// Unloading while the log writer is busy: the unload ends cleanly, and every
// record still reaches the day file.
TEST_F(StationProgram, UnloadWhileTheLogWriterIsBusy) {
    ASSERT_EQ(RunForm("station_dynamic", {"write", "Lane 1"}).exitCode, 0); // log on
    constexpr int kRecords = 3000;
    vz5test::ProgramRun r = RunForm("station_dynamic", {"log", std::to_string(kRecords), "unload"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "ok\n");
    const std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), static_cast<size_t>(kRecords));
    for (int i = 0; i < kRecords; ++i)
        ASSERT_EQ(records[i], "record " + std::to_string(i));
}

// The program ends with records still queued, once with every record held
// back (the day file could not be opened while they were posted), once with
// the writer still at work: the process exits cleanly and no record is lost.
// (On Windows the system ends a running writer before the library hears of
// the exit; the group of records it was writing may then be written twice,
// never lost.)
TEST_F(StationProgram, ExitWithRecordsStillQueued) {
    ASSERT_EQ(RunForm("station_linked", {"write", "Lane 1"}).exitCode, 0);
    constexpr int kRecords = 3000;
    for (const char* end : {"held", "exit"}) {
        SCOPED_TRACE(end);
        vz5test::RemoveTree(station_.Scratch("Log"));
        vz5test::ProgramRun r = RunForm("station_linked", {"log", std::to_string(kRecords), end});
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "ok\n");
        std::map<std::string, int> seen;
        for (const std::string& rec : Records())
            ++seen[rec];
        int doubled = 0;
        for (int i = 0; i < kRecords; ++i) {
            const auto it = seen.find("record " + std::to_string(i));
            ASSERT_NE(it, seen.end()) << "record " << i << " lost";
            doubled += it->second - 1;
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(kRecords));
        EXPECT_LE(doubled, 64) << "more than one group written twice";
    }
}

} // namespace
