// The network channel as station programs use it: the real library loaded
// here and in a second process (test_envlib_net_host), exchanging framed
// blocks on loopback; and the log exports that read and close channels.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "netsock.h"
#include "station.h"

namespace {

using OpenNetFn = int (*)(int, const char*, int, int);
using IndexFn = int (*)(int);
using SendFn = int (*)(int, const char*, int, const void*, int);
using ReadFn = int (*)(int, void*, int);
using NoArgFn = int (*)();

class LibraryNet : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lib_.Load(vz5test::LibraryFile())) << lib_.Error();
        openNet_ = lib_.Function<OpenNetFn>("OpenNet");
        closeNet_ = lib_.Function<IndexFn>("CloseNet");
        send_ = lib_.Function<SendFn>("SendNetData");
        read_ = lib_.Function<ReadFn>("ReadNetData");
        ASSERT_TRUE(openNet_ && closeNet_ && send_ && read_);
    }
    void TearDown() override {
        if (closeNet_)
            for (int i = 0; i < 100; ++i)
                closeNet_(i);
        lib_.Unload();
    }
    // The next framed block on channel index within seconds, "<none>" without one.
    std::string Next(int index, int seconds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        char buf[2048];
        while (std::chrono::steady_clock::now() < deadline) {
            const int n = read_(index, buf, sizeof buf);
            if (n < 0) return "<error " + std::to_string(n) + ">";
            if (n > 0) return std::string(buf, static_cast<size_t>(n));
        }
        return "<none>";
    }

    vz5test::Station station_{"vz5-netdl"};
    vz5test::Library lib_;
    OpenNetFn openNet_ = nullptr;
    IndexFn closeNet_ = nullptr;
    SendFn send_ = nullptr;
    ReadFn read_ = nullptr;
};

TEST_F(LibraryNet, TwoProcessesExchangeFramedBlocks) {
    const int port = nettest::FreePort();
    ASSERT_EQ(openNet_(2, "127.0.0.1", port, 0), 1);
    vz5test::ProgramRun host;
    std::thread runner([&] {
        host = vz5test::RunProgram(vz5test::BuiltProgram("test_envlib_net_host"), {std::to_string(port)});
    });

    const std::string ready = Next(2, 60);
    int hostPort = 0;
    if (ready.rfind("ready ", 0) == 0) hostPort = std::atoi(ready.c_str() + 6);
    EXPECT_GT(hostPort, 0) << ready;
    if (hostPort > 0) {
        const std::string blocks[] = {"CMD=WEIGH;Axle=1;", std::string("bin\0ary\xff", 8),
                                      std::string(1500, 'z')};
        for (const std::string& b : blocks) {
            ASSERT_EQ(send_(2, "127.0.0.1", hostPort, b.data(), static_cast<int>(b.size())),
                      static_cast<int>(b.size()) + 32);
            EXPECT_EQ(Next(2, 20), "echo:" + b);
        }
        ASSERT_EQ(send_(2, "127.0.0.1", hostPort, "quit", 4), 36);
    }
    runner.join();
    EXPECT_EQ(host.exitCode, 0) << "the host program's exit code";
}

TEST_F(LibraryNet, GetLogReadsChannelZeroAndCloseLogClosesChannelOne) {
    auto getLog = lib_.Function<int (*)(void*, int)>("GetLog");
    auto closeLog = lib_.Function<NoArgFn>("CloseLog");
    ASSERT_TRUE(getLog && closeLog);
    char buf[64];
    EXPECT_EQ(getLog(buf, sizeof buf), -1) << "channel 0 not open";
    const int port = nettest::FreePort();
    ASSERT_EQ(openNet_(0, "127.0.0.1", port, 0), 1);
    nettest::Udp peer;
    ASSERT_TRUE(peer.SendTo(port, nettest::Framed("log line")));
    int n = 0;
    std::memset(buf, 'x', sizeof buf);
    for (int i = 0; i < 3000 && n == 0; ++i)
        n = getLog(buf, sizeof buf);
    EXPECT_EQ(n, 8);
    EXPECT_EQ(std::string(buf, 8), "log line");
    EXPECT_EQ(getLog(nullptr, 16), -4);

    ASSERT_EQ(openNet_(1, "127.0.0.1", nettest::FreePort(), 0), 1);
    EXPECT_EQ(closeLog(), 1);
    EXPECT_EQ(openNet_(1, "127.0.0.1", nettest::FreePort(), 0), 1) << "channel 1 was closed";
    EXPECT_EQ(openNet_(0, "127.0.0.1", nettest::FreePort(), 0), 2) << "channel 0 stays open";
    EXPECT_EQ(closeLog(), 1);
}

} // namespace
