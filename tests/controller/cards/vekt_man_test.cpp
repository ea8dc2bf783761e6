// Card base class: notices and results of the unsupported operations, the forwarding
// OUT, calibration tables and the status envelope.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "calibtab.h"
#include "udpserver.h"
#include "vekt_man.h"

namespace {

struct NoticeCase {
    const char* notice;
    std::function<int(CVekt_MANAGER&)> call;
    int result;
};

TEST(CardBase, UnsupportedOperationsPrintTheirNoticeAndFixedResult) {
    char arg[] = "1";
    char out[64];
    const NoticeCase cases[] = {
        {"SetFaultReport:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) { return c.SetFaultReport(1); }, 0},
        {"GetFaultReport:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) { return c.GetFaultReport(nullptr); }, 0},
        {"InitHardware:Card Not Found or Do not support! 7\n",
         [](CVekt_MANAGER& c) {
             c.InitHardware();
             return 0;
         },
         0},
        {"GetHardVer:Card Not Found or Do not support!\n", [](CVekt_MANAGER& c) { return c.GetHardVer(); },
         1},
        {"GetHardType:Card Not Found or Do not support!\n", [](CVekt_MANAGER& c) { return c.GetHardType(); },
         1},
        {"SetRemoteIPPort:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) {
             c.SetRemoteIPPort(nullptr, nullptr, 0);
             return 0;
         },
         0},
        {"Parse:Card Not Found or Do not support!\n", [](CVekt_MANAGER& c) { return c.Parse(nullptr); }, 0},
        {"GetTaskNum:Card Not Found or Do not support!\n", [](CVekt_MANAGER& c) { return c.GetTaskNum(); },
         1},
        {"GetCPUSeting:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) { return c.GetCPUSeting(); }, 0},
        {"ReadHKey:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) { return static_cast<int>(c.ReadHKey()); }, HKEY_NUL},
        {"InB:Card Not Found!\n", [](CVekt_MANAGER& c) { return static_cast<int>(c.InB(3)); }, 255},
        {"OutB:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) {
             c.OutB(3, 1);
             return 0;
         },
         0},
        {"DigIn:Card Not Found or Do not support!\n",
         [](CVekt_MANAGER& c) { return static_cast<int>(c.DigIn(0)); }, LOW},
        {"Cmd_LD:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_LD(0, arg); }, 1},
        {"Cmd_OUTI:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_OUTI(0, arg); },
         1},
        {"Cmd_LDI:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_LDI(0, arg); },
         1},
        {"Cmd_MOT:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_MOT(0, arg); },
         1},
        {"Cmd_LMOT:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_LMOT(0, arg); },
         1},
        {"Cmd_RSTZ:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_RSTZ(0, arg); },
         0},
        {"Cmd_DG:Card Not Found!\n", [&](CVekt_MANAGER& c) { return c.Cmd_DG(0, arg); }, 1},
        {"Cmd_LDG:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_LDG(0, arg); },
         1},
        {"Cmd_ROW:Card Not Found or Do not support!\n", [&](CVekt_MANAGER& c) { return c.Cmd_ROW(0, arg); },
         0},
        {"Cmd_ROCLR:Card Not Found!\n", [&](CVekt_MANAGER& c) { return c.Cmd_ROCLR(0, nullptr); }, 1},
        {"Cmd_IF:Card Not Found or Do not support!\n",
         [&](CVekt_MANAGER& c) { return c.Cmd_IF(0, arg, out); }, 1},
        {"Cmd_SETPOT:Card Not Found or Do not support!\n",
         [&](CVekt_MANAGER& c) { return c.Cmd_SETPOT(0, arg); }, 1},
        {"Cmd_AV:Card Not Found or Do not support!\n",
         [&](CVekt_MANAGER& c) { return static_cast<int>(c.Cmd_AV(0, arg, out)); }, 0},
    };
    CVekt_MANAGER card;
    card.SetSlotID(7);
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        int r = c.call(card);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.notice);
        EXPECT_EQ(r, c.result) << c.notice;
    }
}

TEST(CardBase, QuietOperations) {
    CVekt_MANAGER card;
    EXPECT_EQ(card.TypeAddr, 1u);
    char name[16] = "xxxxxxxxxxxxxxx";
    char data[8] = "junk";
    testing::internal::CaptureStdout();
    card.SetSlotID(4);
    EXPECT_STREQ(card.GetHardTypeName(name), "Vekt_Man");
    EXPECT_EQ(card.GetHardData(data, sizeof data), 0);
    EXPECT_EQ(card.GetHardData(nullptr, 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(card.SlotID, 4);
    EXPECT_STREQ(name, "Vekt_Man");
    EXPECT_STREQ(data, "");
}

TEST(CardBase, OutForwardsToEveryPeer) {
    int rx = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(rx, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    getsockname(rx, reinterpret_cast<sockaddr*>(&a), &len);
    timeval tv{2, 0};
    setsockopt(rx, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);

    testing::internal::CaptureStdout();
    UDPServer.Network_Init(0);
    UDPServer.AddServiceIP("127.0.0.1", ntohs(a.sin_port));
    testing::internal::GetCapturedStdout();

    CVekt_MANAGER card;
    char arg[] = "1";
    EXPECT_EQ(card.Cmd_OUT(3, arg), 1);
    char buf[2048];
    ssize_t n = recv(rx, buf, sizeof buf - 1, 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "CMD_LINK:CMD=Cmd_OUT; ChIdx=3; pArgc=1");

    // A long argument is cut to the 1024-byte message, never beyond.
    std::string big(3000, 'a');
    EXPECT_EQ(card.Cmd_OUT(1, big.data()), 1);
    n = recv(rx, buf, sizeof buf - 1, 0);
    EXPECT_EQ(n, 1023);
    close(rx);
}

class CalibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-calib.XXXXXX";
        Dir = mkdtemp(tmpl);
        ASSERT_NE(getcwd(Old, sizeof Old), nullptr);
        ASSERT_EQ(chdir(Dir.c_str()), 0);
    }
    void TearDown() override {
        (void)chdir(Old);
        (void)system(("rm -rf '" + Dir + "'").c_str());
    }
    std::string Dir;
    char Old[PATH_MAX];
};

TEST_F(CalibTest, LoadsTablesOfSlotAndChannel) {
    CVekt_MANAGER card;
    card.SetSlotID(2);
    CALIBTAB t;
    EXPECT_EQ(card.GetCalibTable(nullptr, 1), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(card.GetCalibTable(&t, 1), -1); // no file
    std::ofstream("CalibTab.ini") << "[2_0]\nVoltage = 1\n[2_1]\nVoltage = 1,2,3,\nTrue = 10,20,30,\n"
                                  << "[2_2]\nTrue = 1,\n";
    EXPECT_EQ(card.GetCalibTable(&t, 0), -1); // no True key
    EXPECT_EQ(card.GetCalibTable(&t, 2), -1); // no Voltage key
    EXPECT_EQ(card.GetCalibTable(&t, 9), -1); // no section
    testing::internal::GetCapturedStdout();

    for (int i = 0; i < TABSIZE; ++i)
        t.Voltage[i] = t.TrueData[i] = 99;
    EXPECT_EQ(card.GetCalibTable(&t, 1), 1);
    EXPECT_EQ(t.Num, 4);
    const float volt[] = {1, 2, 3, 0, 99};
    const float truth[] = {10, 20, 30, 0, 99};
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(t.Voltage[i], volt[i]) << i;
        EXPECT_FLOAT_EQ(t.TrueData[i], truth[i]) << i;
    }
}

TEST_F(CalibTest, TakesAtMostTwentyPoints) {
    std::string list;
    for (int i = 0; i < 30; ++i)
        list += std::to_string(i) + ",";
    std::ofstream("CalibTab.ini") << "[0_0]\nVoltage = " << list << "\nTrue = " << list << "\n";
    CVekt_MANAGER card;
    CALIBTAB t;
    EXPECT_EQ(card.GetCalibTable(&t, 0), 1);
    EXPECT_EQ(t.Num, TABSIZE);
    EXPECT_FLOAT_EQ(t.TrueData[19], 19);
}

TEST(StatusEnvelope, WrapsBodyWithChecksumAndChecksRoom) {
    const std::string frame = "{CMD_HARD:abc:65242}#";
    char buf[64];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(WrapHardData("abc", buf, static_cast<int>(frame.size())), -1); // no room for the zero
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(WrapHardData("abc", buf, static_cast<int>(frame.size()) + 1), 1);
    EXPECT_EQ(std::string(buf), frame);
    EXPECT_EQ(WrapHardData("abc", nullptr, 64), -2);
}

} // namespace
