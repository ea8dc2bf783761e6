// Date and time utilities through the exports: spans against Python's
// datetime on random pairs, the walk back by days, the time texts, and file
// time stamps on a private station.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"
#include "station.h"
#include "testhost.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-dates-attach");

TEST(DaySpan, Cases) {
    struct Case {
        const char* a;
        const char* b;
        int days;
    } cases[] = {
        {"2016-12-31", "2017-01-01", 1},  {"2015-03-01", "2015-02-28", -1}, {"2016-02-28", "2016-03-01", 2},
        {"2015-02-28", "2015-03-01", 1},  {"2100-02-28", "2100-03-01", 2}, // every fourth year, 2100 too
        {"2015-3-4", "2015-03-04xyz", 0}, // atoi: no leading zeros needed, trailing text ignored
        {"2015-03", "2015-03-01", 0},     {"2015-03-01", "2015-03", 0},     {"", "2015-03-01", 0},
        {"2015-13-01", "2016-01-01", 0}, // month 13 runs on into the next year
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeDaySpan(c.a, c.b), c.days) << c.a << " -> " << c.b;
    EXPECT_EQ(ComputeDaySpan(nullptr, "2015-03-01"), 0);
    EXPECT_EQ(ComputeDaySpan("2015-03-01", nullptr), 0);
}

TEST(DaySpan, DayTimeCases) {
    struct Case {
        const char* a;
        const char* b;
        int seconds;
    } cases[] = {
        {"2015-01-01 23:59:59", "2015-01-02 00:00:01", 2},
        {"2015-01-02", "2015-01-01 23:00:00", -3600}, // no time part: midnight
        {"2015-01-01 10", "2015-01-01 10:00:30", 30},
        {"2015-01-01 0:0:300", "2015-01-01", -44}, // fields kept in 8 bits
        {"2015-01", "2015-01-01 10:00:00", 0},
        {"1901-01-01", "2099-12-31", 2147483647}, // beyond the range: held at its end
        {"2099-12-31", "1901-01-01", -2147483647},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeDayTimeSpan(c.a, c.b), c.seconds) << c.a << " -> " << c.b;
    EXPECT_EQ(ComputeDayTimeSpan(nullptr, "2015-01-01"), 0);
    EXPECT_EQ(ComputeDayTimeSpan("2015-01-01", nullptr), 0);
}

// Random pairs between 1901 and 2099 with their spans from Python's datetime,
// written at build time by dates_pairs_gen.py.
TEST(DaySpan, AgreesWithPythonOnRandomPairs) {
    std::ifstream pairs(VZ5_BINARY_DIR "/tests/envlib/services/dates_pairs.txt");
    if (!pairs) GTEST_SKIP() << "no date pairs: python3 was not found when the tests were configured";
    int lines = 0, wrong = 0;
    for (std::string line; std::getline(pairs, line);) {
        std::vector<std::string> f;
        std::stringstream s(line);
        for (std::string part; std::getline(s, part, '|');)
            f.push_back(part);
        ASSERT_EQ(f.size(), 6u) << line;
        ++lines;
        const int days = ComputeDaySpan(f[0].c_str(), f[1].c_str());
        const int seconds = ComputeDayTimeSpan(f[3].c_str(), f[4].c_str());
        if (days != std::stoi(f[2]) || seconds != std::stol(f[5])) {
            if (++wrong <= 10) ADD_FAILURE() << line << ": got " << days << " days, " << seconds << " s";
        }
    }
    EXPECT_EQ(lines, 10000);
    EXPECT_EQ(wrong, 0);
}

TEST(AbsDays, DifferencesCountDays) {
    const DateRecord a{2015, 3, 1}, b{2016, 3, 1}, c{2017, 3, 1}; // year, day, month: January 3
    EXPECT_EQ(GetAbsDays(&b) - GetAbsDays(&a), 365);
    EXPECT_EQ(GetAbsDays(&c) - GetAbsDays(&b), 366);
    const DateRecord first{1, 1, 1};
    EXPECT_EQ(GetAbsDays(&first), 2); // the day number's own origin
    EXPECT_EQ(GetAbsDays(nullptr), 0);
}

std::string Text(const DateRecord& d) {
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

TEST(DateByTimeSpan, WalksBack) {
    struct Case {
        DateRecord in; // year, day, month
        int days;
        int rc;
        const char* out;
    } cases[] = {
        {{2015, 10, 3}, 10, 1, "2015-2-28"},
        {{2015, 10, 3}, 38, 1, "2015-1-31"},
        {{2015, 10, 3}, 0, 1, "2015-3-10"},
        {{2015, 10, 3}, 9, 1, "2015-3-1"},
        {{2016, 1, 3}, 366, 1, "2015-3-1"}, // February 2016 has 29 days
        {{2016, 15, 1}, 15, 1, "2015-12-31"},
        {{2015, 31, 12}, 365 * 19, 1, "1997-1-4"},
        // Forward for negative spans, across month and year ends.
        {{2015, 30, 12}, -1, 1, "2015-12-31"},
        {{2015, 30, 12}, -2, 1, "2016-1-1"},
        {{2016, 28, 2}, -1, 1, "2016-2-29"},
        {{2016, 28, 2}, -32, 1, "2016-3-31"},
    };
    for (const auto& c : cases) {
        DateRecord out{-1, -1, -1};
        EXPECT_EQ(GetDateByTimeSpan(&c.in, c.days, &out), c.rc) << Text(c.in) << " " << c.days;
        EXPECT_EQ(Text(out), c.out) << Text(c.in) << " " << c.days;
    }
}

TEST(DateByTimeSpan, AgreesWithDaySpanWithinTwentyYears) {
    const DateRecord in{2020, 15, 6};
    for (int days = -7000; days <= 7300; days += 37) {
        DateRecord out{};
        ASSERT_EQ(GetDateByTimeSpan(&in, days, &out), 1) << days;
        EXPECT_EQ(GetAbsDays(&in) - GetAbsDays(&out), days) << days << " gave " << Text(out);
        EXPECT_GE(out.day, 1);
        EXPECT_LE(out.day, 31);
    }
}

TEST(DateByTimeSpan, LimitsAndBadArguments) {
    const DateRecord in{2015, 10, 3};
    DateRecord out{1, 2, 3};
    // The walk covers 240 months: the first day of them is the last one reachable.
    const DateRecord back{1995, 1, 3};
    const int reach = GetAbsDays(&in) - GetAbsDays(&back);
    EXPECT_EQ(GetDateByTimeSpan(&in, reach, &out), 1);
    EXPECT_EQ(Text(out), "1995-3-1");
    EXPECT_EQ(GetDateByTimeSpan(&in, reach + 1, &out), -2);
    EXPECT_EQ(GetDateByTimeSpan(&in, -1000000, &out), -2);
    EXPECT_EQ(Text(out), "1995-3-1"); // untouched on failure
    EXPECT_EQ(GetDateByTimeSpan(nullptr, 1, &out), 0);
    EXPECT_EQ(GetDateByTimeSpan(&in, 1, nullptr), -1);
    for (signed char month : {0, 13, -1}) {
        const DateRecord bad{2015, 10, month};
        EXPECT_EQ(GetDateByTimeSpan(&bad, 1, &out), 0) << int(month);
    }
}

TEST(TimeTexts, ChangTimeFormat) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"2015-03-04 08:05:09", "2015-03-04 8:05:09"},
        {"2015-03-04   18:05:09", "2015-03-04 18:05:09"},
        {"09:30", "9:30"},
        {"  2015-03-04 08:05:09  ", "2015-03-04 8:05:09"}, // outer spaces do not lose the time
        {"05-03-04 00:00:00 extra", "5-03-04 0:00:00"},
        {"", ""},
    };
    for (const auto& c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(ChangTimeFormat(c.in, out), 1) << c.in;
        EXPECT_STREQ(out, c.out) << c.in;
    }
    char out[8];
    EXPECT_EQ(ChangTimeFormat(nullptr, out), -1);
    EXPECT_EQ(ChangTimeFormat("x", nullptr), -2);
}

TEST(TimeTexts, GetTimeMinute) {
    struct Case {
        const char* in;
        int rc;
        const char* out;
    } cases[] = {
        {"8:5:30", 1, "08:05"},
        {"18:45", 1, "18:45"},
        {"7:", 1, "07:00"},
        {"7", 0, "7"},
        {"", 0, ""},
        {"-2147483648:-2147483648", 1, "-2147483648:-2147483648"}, // the longest it writes
    };
    for (const auto& c : cases) {
        char out[40];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(GetTimeMinute(c.in, out), c.rc) << c.in;
        EXPECT_STREQ(out, c.out) << c.in;
        EXPECT_EQ(out[24], 'x') << "written past 24 bytes: " << c.in;
    }
    char out[8];
    EXPECT_EQ(GetTimeMinute(nullptr, out), -1);
    EXPECT_EQ(GetTimeMinute("1:2", nullptr), -2);
}

class FileDayTime : public ::testing::Test {
  protected:
    // A file of the station's D: drive whose last write was at t (UTC), and
    // the local calendar time of t as the C runtime sees it.
    std::tm Stamp(const std::string& rel, std::chrono::system_clock::time_point t) {
        const std::string native = station_.At(rel);
        vz5test::Station::WriteNative(native, "data");
        vz5test::SetFileWriteTime(
            native, std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
        const std::time_t secs = std::chrono::system_clock::to_time_t(t);
        return *std::localtime(&secs);
    }
    vz5test::Station station_{"vz5-dates"};
};

TEST_F(FileDayTime, LocalLastWriteTimeByNameAndByPattern) {
    using namespace std::chrono;
    // An hour ago, whole seconds plus 300 ms: the record keeps 300 & 0xFF.
    const auto t = time_point_cast<seconds>(system_clock::now() - hours(1)) + milliseconds(300);
    const std::tm want = Stamp("d/logs/Report1.TXT", t);
    Stamp("d/logs/other.dat", t - hours(50));

    for (const char* path : {"D:\\logs\\Report1.TXT", "D:\\logs\\report1.txt", "D:\\logs\\Rep*.txt",
                             "D:\\logs\\report?.*", "D:\\LOGS\\*.TXT"}) {
        DateRecord date{0, 0, 0};
        TimeRecord time{0, 0, 0, 0};
        ASSERT_EQ(GetFileDayTime(path, &date, &time), 1) << path;
        EXPECT_EQ(date.year, want.tm_year + 1900) << path;
        EXPECT_EQ(date.month, want.tm_mon + 1) << path;
        EXPECT_EQ(date.day, want.tm_mday) << path;
        EXPECT_EQ(time.hour, want.tm_hour) << path;
        EXPECT_EQ(time.minute, want.tm_min) << path;
        EXPECT_EQ(time.second, want.tm_sec) << path;
        EXPECT_EQ(time.millisecond, 300 & 0xFF) << path;
    }
    // Either record may be left out.
    DateRecord date{0, 0, 0};
    EXPECT_EQ(GetFileDayTime("D:\\logs\\*.dat", &date, nullptr), 1);
    const std::time_t older = system_clock::to_time_t(t - hours(50));
    EXPECT_EQ(date.day, std::localtime(&older)->tm_mday);
    EXPECT_EQ(GetFileDayTime("D:\\logs\\*.dat", nullptr, nullptr), 1);
}

TEST_F(FileDayTime, MissingFilesAndNullPath) {
    station_.MakeFolder("D:\\empty");
    DateRecord date{7, 7, 7};
    TimeRecord time{7, 7, 7, 7};
    for (const char* path :
         {"D:\\empty\\none.txt", "D:\\empty\\*", "D:\\nofolder\\*.txt", "D:\\nofolder\\a.txt", ""}) {
        EXPECT_EQ(GetFileDayTime(path, &date, &time), -1) << path;
    }
    EXPECT_EQ(date.year, 7);
    EXPECT_EQ(time.hour, 7);
    EXPECT_EQ(GetFileDayTime(nullptr, &date, &time), -2);
}

} // namespace
