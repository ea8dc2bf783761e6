// The log object: record and dump formats, the writer's batches, the queue
// bound and the shutdown, on private writers with their own files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "services/cxlog.h"
#include "testhost.h"

namespace {

using dorlix::CxLog;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

class CxLogFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = vz5test::MakeTempFolder("vz5-cxlog");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { vz5test::RemoveTree(dir_); }
    std::string dir_;
};

CxLog::Item MakeItem(const char* function, int line, int level, const std::string& message) {
    CxLog::Item item;
    std::strcpy(item.timeText, "2015-03-04 08:09:10.123");
    item.function = function;
    item.line = line;
    item.level = level;
    item.message = message;
    return item;
}

TEST(CxLogFormat, RecordLines) {
    struct Case {
        const char* function;
        int level;
        std::string message;
        std::string expected;
    } cases[] = {
        {"SaveLog", 0, "(app.exe)->(Weigh)->(0): started",
         "2015-03-04 08:09:10.123 VZ5LOG (SaveLog, 120): (app.exe)->(Weigh)->(0): started\r\n"},
        // A message ending in CR LF gives one CR LF, not an empty line.
        {"SaveLog", 0, "done\r\n", "2015-03-04 08:09:10.123 VZ5LOG (SaveLog, 120): done\r\n"},
        {"Check", 1, "w", "2015-03-04 08:09:10.123 Warning (Check, 120): w\r\n"},
        {"Check", 2, "x", "2015-03-04 08:09:10.123 Exception (Check, 120): x\r\n"},
        {"", 3, "", "2015-03-04 08:09:10.123 Error (, 120): \r\n"},
        // A level outside the name table has no name rather than a stray read.
        {"f", 7, "m", "2015-03-04 08:09:10.123  (f, 120): m\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CxLog::FormatLine(MakeItem(c.function, 120, c.level, c.message)), c.expected) << c.message;
    }
}

TEST(CxLogFormat, OverlongLineIsCutButStaysOneLine) {
    // Double-byte characters ("\xB2\xE2" is one GB2312 character) must not be split.
    std::string message;
    for (int i = 0; i < 700; ++i)
        message += "\xB2\xE2";
    message += "\r\n";
    const std::string line = CxLog::FormatLine(MakeItem("SaveLog", 1, 0, message));
    ASSERT_LE(line.size(), dorlix::LOG_LINE_SIZE - 1);
    ASSERT_GE(line.size(), dorlix::LOG_LINE_SIZE - 3);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_EQ(line.find("\r\n"), line.size() - 2);
    const std::size_t prefix = line.find("): ") + 3;
    EXPECT_EQ((line.size() - 2 - prefix) % 2, 0u) << "a double-byte character was split";
}

TEST(CxLogFormat, AttachmentDumpRows) {
    unsigned char data[20];
    for (int i = 0; i < 20; ++i)
        data[i] = static_cast<unsigned char>('A' + i);
    data[1] = '\n';
    data[2] = 127;
    data[17] = 0;
    const std::string dump = CxLog::FormatDump(data, sizeof data);
    const std::string row1 = "00000000: 41 0A 7F 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 A  DEFGHIJKLMNOP\r\n";
    const std::string row2 =
        "00000010: 51 00 53 54" + std::string(12 * 3 + 1, ' ') + "Q ST" + std::string(12, ' ') + "\r\n";
    EXPECT_EQ(row1.size(), 76u);
    EXPECT_EQ(row2.size(), 76u);
    EXPECT_EQ(dump, row1 + row2);

    // An exact multiple of 16 has no half row; nothing at all gives no dump.
    EXPECT_EQ(CxLog::FormatDump(data, 16).size(), 76u);
    EXPECT_EQ(CxLog::FormatDump(data, 0), "");
}

TEST(CxLogFormat, DayFileName) {
    EXPECT_EQ(CxLog::DayFileName(plat::LocalTime{2015, 3, 4, 23, 59, 59, 999, 3}), ".\\Log\\20150304.log");
}

TEST_F(CxLogFile, BurstFromSeveralThreadsKeepsPostingOrder) {
    const std::string path = dir_ + "/burst.log";
    constexpr int kThreads = 4, kPerThread = 500;
    {
        CxLog log(path);
        std::vector<std::thread> posters;
        for (int t = 0; t < kThreads; ++t) {
            posters.emplace_back([&log, t] {
                for (int i = 0; i < kPerThread; ++i) {
                    const std::string msg = "t" + std::to_string(t) + " n" + std::to_string(i);
                    ASSERT_TRUE(log.Log("a\\b\\src.cpp", "Burst", i, 0, msg.c_str()));
                }
            });
        }
        for (auto& p : posters)
            p.join();
    }
    const auto lines = SplitLines(ReadFile(path));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (const auto& line : lines) {
        int t = -1, n = -1;
        ASSERT_EQ(std::sscanf(line.c_str() + line.find("): ") + 3, "t%d n%d", &t, &n), 2) << line;
        ASSERT_EQ(n, next[t]) << "records of one thread out of order";
        ++next[t];
    }
}

TEST_F(CxLogFile, AttachmentFollowsItsLineInTheFile) {
    const std::string path = dir_ + "/attach.log";
    const unsigned char bytes[3] = {1, 'x', 0xFF};
    {
        CxLog log(path);
        EXPECT_TRUE(log.Log(nullptr, "F", 7, 0, "with bytes", bytes, 3));
        EXPECT_TRUE(log.Log(nullptr, "F", 8, 0, "no bytes", bytes, 0)); // size 0: no attachment
    }
    const auto lines = SplitLines(ReadFile(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("(F, 7): with bytes"), std::string::npos);
    EXPECT_EQ(lines[1].substr(0, 19), "00000000: 01 78 FF ");
    EXPECT_NE(lines[2].find("(F, 8): no bytes"), std::string::npos);
}

TEST_F(CxLogFile, UnopenableFileKeepsRecordsBoundedAndShutdownWritesThem) {
    // The folder of the file does not exist yet: every batch fails to open it.
    const std::string folder = dir_ + "/later";
    const std::string path = folder + "/day.log";
    {
        CxLog log(path, 5, 1000);
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(log.Log(nullptr, "F", i, 0, "kept"));
        // Full by count, then a record too large for the byte bound.
        EXPECT_FALSE(log.Log(nullptr, "F", 5, 0, "refused"));
        EXPECT_EQ(log.Refused(), 1u);
        std::vector<unsigned char> big(2000, 'b');
        EXPECT_FALSE(log.Log(nullptr, "F", 6, 0, "too big", big.data(), static_cast<int>(big.size())));
        EXPECT_EQ(log.Refused(), 2u);
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        // Leaving the scope stops the writer, which writes what is still queued.
    }
    const auto lines = SplitLines(ReadFile(path));
    ASSERT_EQ(lines.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(lines[i].find("(F, " + std::to_string(i) + "): kept"), std::string::npos);
}

// The writer runs while there is work: one for a burst, a new one for a
// record after it has ended.
TEST_F(CxLogFile, WriterEndsWhenIdle) {
    const std::string path = dir_ + "/idle.log";
    CxLog log(path);
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(log.Log(nullptr, "F", i, 0, "burst"));
    // One writer takes the burst (a second only if this thread stalled for
    // longer than the writer lingers).
    EXPECT_LE(log.WritersStarted(), 2u);
    for (int i = 0; i < 500 && SplitLines(ReadFile(path)).size() < 1000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(SplitLines(ReadFile(path)).size(), 1000u) << "written while the log lives";
    std::this_thread::sleep_for(std::chrono::milliseconds(dorlix::LOG_WRITER_LINGER_MS * 3));
    const std::size_t before = log.WritersStarted();
    ASSERT_TRUE(log.Log(nullptr, "F", 1000, 0, "later"));
    EXPECT_EQ(log.WritersStarted(), before + 1) << "the idle writer had ended";
}

// A writer the system ended (a process exit on Windows ends every other
// thread before the library hears of it) may have died holding the queue:
// the shutdown then writes what is left on its own thread, without waiting.
class EndedWriter : public CxLog {
  public:
    using CxLog::CxLog;
    std::atomic<bool> gone{false};

  protected:
    void Run() override { gone = true; } // gone before it wrote anything
};

TEST_F(CxLogFile, ShutdownAfterTheSystemEndedTheWriterWritesWhatIsQueued) {
    const std::string path = dir_ + "/ended.log";
    EndedWriter log(path);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(log.Log(nullptr, "F", i, 0, "queued"));
    while (!log.gone)
        std::this_thread::yield();
    EXPECT_TRUE(log.Close(dorlix::DetachKind::ThreadsGone, 0));
    EXPECT_FALSE(log.Log(nullptr, "F", 3, 0, "late")) << "refused after the shutdown";
    const auto lines = SplitLines(ReadFile(path));
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(lines[i].find("(F, " + std::to_string(i) + "): queued"), std::string::npos);
}

TEST_F(CxLogFile, ProcessLogLivesInTheDayFileAndIsRefusedAfterShutdown) {
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir_);

    // Two threads making the first call together get the same object.
    const std::string dayBefore = CxLog::DayFileName(plat::GetLocalTime()).substr(6); // after ".\Log\"
    CxLog* seen[2] = {nullptr, nullptr};
    // The process log lives once per process: a repeated run finds it gone.
    const auto first = [&seen](int k) {
        try {
            seen[k] = &CxLog::Instance();
        } catch (const dorlix::LogDestroyed&) {
        }
    };
    std::thread a(first, 0);
    std::thread b(first, 1);
    a.join();
    b.join();
    ASSERT_NE(seen[0], nullptr) << "the process log can start only once per process";
    const std::string dayAfter = CxLog::DayFileName(plat::GetLocalTime()).substr(6);
    ASSERT_EQ(seen[0], seen[1]);

    EXPECT_TRUE(CxLog::Post(__FILE__, "Test", 1, 0, "first"));
    CxLog::Shutdown();
    CxLog::Shutdown(); // a second shutdown finds nothing to do

    EXPECT_THROW(CxLog::Instance(), dorlix::LogDestroyed);
    EXPECT_THROW(CxLog::Post(__FILE__, "Test", 2, 0, "late"), dorlix::LogDestroyed);
    std::filesystem::current_path(old);

    // The file is named for the day the log started (either side of a midnight during the test).
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir_ + "/Log"))
        files.push_back(e.path().filename().string());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0] == dayBefore || files[0] == dayAfter) << files[0];
    const auto lines = SplitLines(ReadFile(dir_ + "/Log/" + files[0]));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" VZ5LOG (Test, 1): first"), std::string::npos);
}

} // namespace
