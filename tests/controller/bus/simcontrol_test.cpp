// The simulated rack's control channel, over a real loopback socket.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "loopback.h"
#include "hardware.h"
#include "simrack.h"
#include "vekt_cpu.h"

namespace {

using vz5test::FreeUdpPort;

class SimControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-sim.XXXXXX";
        Dir = mkdtemp(tmpl);
        std::ofstream(Dir + "/rack.ini") << "[board]\nkind = 0xA3\ntasks = 2\n[slots]\n2 = 0x83\n";
        setenv("CORLAN_BUS", ("sim:" + Dir + "/rack.ini").c_str(), 1);
        Port = FreeUdpPort();
        setenv("CORLAN_SIM_PORT", std::to_string(Port).c_str(), 1);
        Hardware.CloseHard();
        testing::internal::CaptureStdout();
        ASSERT_TRUE(Hardware.OpenHard());
        std::string out = testing::internal::GetCapturedStdout();
        ASSERT_NE(out.find("control channel on 127.0.0.1:" + std::to_string(Port)), std::string::npos) << out;
        Sock = socket(AF_INET, SOCK_DGRAM, 0);
        timeval tv{2, 0};
        setsockopt(Sock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    void TearDown() override {
        close(Sock);
        Hardware.CloseHard();
        unsetenv("CORLAN_BUS");
        unsetenv("CORLAN_SIM_PORT");
        (void)system(("rm -rf '" + Dir + "'").c_str());
    }
    std::string Ask(const std::string& req) { return vz5test::AskOn(Sock, Port, req); }

    std::string Dir;
    int Port = 0;
    int Sock = -1;
};

TEST_F(SimControlTest, RequestsAndReplies) {
    struct {
        const char* req;
        const char* reply;
    } cases[] = {
        {"get 0 1", "163"},  {"get 0 0x8", "2"},  {"get 2 4", "131"},  {"set 2 8 0x81", "ok"},
        {"get 2 8", "129"},  {"last 2 8", "0"},   {"set 0 3 7", "ok"}, {"get 0 3", "7"},
        {"get 14 4", "255"}, {"trace off", "ok"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ask(c.req), c.reply) << c.req;
}

TEST_F(SimControlTest, MalformedRequestsGetAnError) {
    for (const char* req : {"", "get", "get 1", "get 1 2 3", "get x 1", "get 256 1", "get 1 -1", "set 1 2",
                            "set 1 2 300", "key", "key 0x", "trace maybe", "last 1 0x1g", "reboot"})
        EXPECT_EQ(Ask(req).rfind("error", 0), 0u) << "'" << req << "'";
}

TEST_F(SimControlTest, KeyIsPresentedOnceAndControllerWritesAreVisible) {
    CVekt_CPU cpu; // writes the cleared fault output
    EXPECT_EQ(Ask("last 0 2"), "0");
    EXPECT_EQ(Ask("key 0x5a"), "ok");
    EXPECT_EQ(Ask("get 0 2"), "90");
    EXPECT_EQ(Ask("trace on"), "ok");
    EXPECT_EQ(cpu.ReadHKey(), HKEY_Enter);
    EXPECT_EQ(cpu.ReadHKey(), HKEY_NUL);
    EXPECT_EQ(Ask("trace"), "W 0 0 0\nR 0 2 90\nW 0 0 0\nW 0 1 0\nW 0 0 0\nR 0 2 0\nW 0 0 0\nW 0 1 0\n");
    EXPECT_EQ(cpu.GetTaskNum(), 2);
    cpu.SetFaultReport(1);
    EXPECT_EQ(Ask("last 0 2"), "1");
    cpu.SetFaultReport(5); // only 0 and 1 reach the register
    EXPECT_EQ(Ask("last 0 2"), "1");
}

} // namespace
