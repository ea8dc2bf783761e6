// Network card: virtual-device registration, link messages sent by OUT and
// stored by Parse, LD on link bytes and the status report.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hardware.h"
#include "nettask.h"
#include "protocol.h"
#include "udpserver.h"
#include "vekt_net.h"

namespace {

// Negated 16-bit byte sum, written out here so that a wrong checksum in the
// frames shows up rather than being compared with itself.
unsigned Sum(const std::string& s) {
    unsigned t = 0;
    for (unsigned char c : s)
        t += c;
    return (0x10000u - (t & 0xFFFFu)) & 0xFFFFu;
}

std::string Frame(const std::string& type, const std::string& body) {
    return "{" + type + ":" + body + ":" + std::to_string(Sum(body)) + "}#";
}

// ---- virtual devices ------------------------------------------------------

TEST(VirtualDeviceGroupTest, LookupFindsOldestOfTheNameWithoutRegardToCase) {
    VirtualDeviceGroup g;
    g.SetRemoteIPPort("B1", "10.0.0.2", 2017);
    g.SetRemoteIPPort("C7", "10.0.0.3", 2018);
    g.SetRemoteIPPort("b1", "10.0.0.9", 3000);
    EXPECT_EQ(g.VDNum, 3);

    VirtualDevice d{};
    ASSERT_EQ(g.GetRemoteFromBoxID("B1", &d), 1);
    EXPECT_STREQ(d.IP, "10.0.0.2");
    EXPECT_EQ(d.Port, 2017);
    ASSERT_EQ(g.GetRemoteFromBoxID("c7", &d), 1);
    EXPECT_STREQ(d.VDName, "C7");
    EXPECT_EQ(d.Port, 2018);

    EXPECT_EQ(g.GetRemoteFromBoxID("B", &d), 0);
    EXPECT_EQ(g.GetRemoteFromBoxID("B1 ", &d), 0);
    EXPECT_EQ(g.GetRemoteFromBoxID(nullptr, &d), 0);
    EXPECT_EQ(g.GetRemoteFromBoxID("B1", nullptr), -1);
}

TEST(VirtualDeviceGroupTest, FullTableDropsTheOldestRegistration) {
    VirtualDeviceGroup g;
    char name[16];
    for (int i = 0; i < MAXVD; ++i) {
        snprintf(name, sizeof name, "V%d", i);
        g.SetRemoteIPPort(name, "127.0.0.1", 1000 + i);
    }
    EXPECT_EQ(g.VDNum, MAXVD);
    VirtualDevice d{};
    EXPECT_EQ(g.GetRemoteFromBoxID("V0", &d), 1);

    g.SetRemoteIPPort("V128", "127.0.0.1", 1128); // the 129th
    EXPECT_EQ(g.VDNum, MAXVD);
    EXPECT_EQ(g.GetRemoteFromBoxID("V0", &d), 0);
    ASSERT_EQ(g.GetRemoteFromBoxID("V1", &d), 1);
    EXPECT_EQ(d.Port, 1001);
    EXPECT_STREQ(g.m_VirtualDevice[0].VDName, "V1");
    EXPECT_STREQ(g.m_VirtualDevice[MAXVD - 1].VDName, "V128");
    EXPECT_EQ(g.m_VirtualDevice[MAXVD - 2].Port, 1127);
}

TEST(VirtualDeviceGroupTest, LongTextsAreCutAndABadCountStartsOver) {
    VirtualDeviceGroup g;
    g.VDNum = -5;
    std::string name(300, 'n'), ip(100, '9');
    g.SetRemoteIPPort(name.c_str(), ip.c_str(), 7);
    EXPECT_EQ(g.VDNum, 1);
    EXPECT_EQ(std::string(g.m_VirtualDevice[0].VDName), name.substr(0, 199));
    EXPECT_EQ(std::string(g.m_VirtualDevice[0].IP), ip.substr(0, 63));
    VirtualDevice d{};
    EXPECT_EQ(g.GetRemoteFromBoxID(name.substr(0, 199).c_str(), &d), 1);

    g.SetRemoteIPPort(nullptr, "1.2.3.4", 1);
    g.SetRemoteIPPort("X", nullptr, 1);
    EXPECT_EQ(g.VDNum, 1);
}

// Several tasks register at once: every entry must stay whole (name and port
// of one registration) and the count must stay within the table.
TEST(VirtualDeviceGroupTest, ConcurrentRegistrationsKeepEntriesWhole) {
    VirtualDeviceGroup g;
    std::vector<std::thread> ts;
    for (int t = 0; t < 4; ++t)
        ts.emplace_back([&g, t] {
            char name[32];
            VirtualDevice d{};
            for (int i = 0; i < 300; ++i) {
                int port = t * 1000 + i;
                snprintf(name, sizeof name, "T%d", port);
                g.SetRemoteIPPort(name, "127.0.0.1", port);
                g.GetRemoteFromBoxID("T5", &d);
            }
        });
    for (auto& t : ts)
        t.join();
    ASSERT_EQ(g.VDNum, MAXVD);
    for (int i = 0; i < MAXVD; ++i)
        EXPECT_EQ(std::string(g.m_VirtualDevice[i].VDName), "T" + std::to_string(g.m_VirtualDevice[i].Port));
}

// ---- the card -------------------------------------------------------------

TEST(NetCardTest, FixedAnswersOfACardWithoutHardware) {
    CVekt_NET card;
    EXPECT_EQ(card.SlotID, 14);
    EXPECT_EQ(card.TypeID, 16);
    card.SetSlotID(3);
    EXPECT_EQ(card.SlotID, 14);
    EXPECT_EQ(card.GetHardType(), 16);
    EXPECT_EQ(card.GetHardVer(), 1);
    EXPECT_EQ(card.SetFaultReport(5), 1);
    EXPECT_EQ(card.GetFaultReport(nullptr), 1);
    char name[32] = "untouched";
    EXPECT_STREQ(card.GetHardTypeName(name), "Vekt_NET");
    EXPECT_STREQ(name, "untouched");
    char file[32] = "keep";
    EXPECT_EQ(card.Cmd_IF(0, const_cast<char*>("1"), file), 1);
    EXPECT_STREQ(file, "keep");
    for (int ch = 0; ch < MAXLINKCH; ++ch)
        ASSERT_EQ(card.DataZero[ch], 0) << ch;
}

TEST(NetCardTest, ParseStoresLinkBytesAndIgnoresMalformedMessages) {
    struct Case {
        const char* msg;
        int result;
        int ch;    // link byte changed, -1 none
        int value; // its new value
    };
    const Case cases[] = {
        {"Cmd=CTL_LINK;CTL_OUT=1;ChIdx=5;", 1, 5, 1},
        {"cmd=ctl_link;ctl_out=7;chidx=0;", 1, 0, 7},
        {" CMD = CTL_LINK ; CTL_OUT = 9 ; ChIdx = 17 ;", 1, 17, 9},
        {"ChIdx=3;CTL_OUT=4;CMD=CTL_LINK;", 1, 3, 4},
        {"Cmd=CTL_LINK;CTL_OUT=1;ChIdx=300;", 1, 255, 1},
        {"Cmd=CTL_LINK;CTL_OUT=258;ChIdx=6;", 1, 6, 2},
        {"Cmd=CTL_LINK;CTL_OUT=-1;ChIdx=7;", 1, 7, 255},
        {"Cmd=CTL_LINK;CTL_OUT=1;ChIdx=99999999999999;", 1, 255, 1},
        {"Cmd=CTL_LINK;CTL_OUT=1;ChIdx=-1;", 0, -1, 0},
        {"Cmd=CTL_OUT;CTL_OUT=1;ChIdx=5;", 0, -1, 0},
        {"Cmd=CTL_LINKX;CTL_OUT=1;ChIdx=5;", 0, -1, 0},
        {"CTL_OUT=1;ChIdx=5;", 0, -1, 0},
        {"Cmd=CTL_LINK;ChIdx=5;", 0, -1, 0},
        {"Cmd=CTL_LINK;CTL_OUT=1;", 0, -1, 0},
        {"", 0, -1, 0},
        {nullptr, 0, -1, 0},
    };
    for (const auto& c : cases) {
        CVekt_NET card;
        std::string copy = c.msg ? c.msg : "";
        testing::internal::CaptureStdout();
        int r = card.Parse(c.msg ? copy.data() : nullptr);
        std::string out = testing::internal::GetCapturedStdout();
        SCOPED_TRACE(c.msg ? c.msg : "(null)");
        EXPECT_EQ(r, c.result);
        for (int ch = 0; ch < MAXLINKCH; ++ch) {
            ASSERT_EQ(card.DataZero[ch], ch == c.ch ? c.value : 0) << ch;
        }
        if (c.result == 1) {
            EXPECT_NE(out.find("Debug: CVekt_NET: DataZero=ChIdx[" + std::to_string(c.ch) + "]="),
                      std::string::npos)
                << out;
        }
    }
}

TEST(NetCardTest, LdComparesTheLinkByte) {
    CVekt_NET card;
    card.DataZero[5] = 1;
    card.DataZero[255] = 200;
    struct Case {
        int ch;
        const char* arg;
        int result;
    };
    const Case cases[] = {
        {5, "1", 1},     {5, "01", 1},  {5, "0", 0},    {4, "0", 1},        {255, "200", 1},
        {5, nullptr, 0}, {-1, "0", -1}, {256, "1", -1}, {256, nullptr, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(card.Cmd_LD(c.ch, const_cast<char*>(c.arg)), c.result)
            << c.ch << " " << (c.arg ? c.arg : "null");

    card.InitHardware();
    EXPECT_EQ(card.Cmd_LD(5, const_cast<char*>("0")), 1);
    EXPECT_EQ(card.Cmd_LD(255, const_cast<char*>("0")), 1);
}

TEST(NetCardTest, StatusReportListsEveryLinkByteInOrder) {
    CVekt_NET card;
    card.DataZero[0] = 3;
    card.DataZero[5] = 1;
    card.DataZero[255] = 255;
    std::string body = "Type=Vekt_NET;TypeID=16;SlotID=14;";
    for (int ch = 0; ch < MAXLINKCH; ++ch)
        body += "D" + std::to_string(ch) + "=" +
                std::to_string(ch == 0     ? 3
                               : ch == 5   ? 1
                               : ch == 255 ? 255
                                           : 0) +
                ";";
    const std::string want = Frame("CMD_HARD", body);

    std::vector<char> buf(BUFFER_SIZE, 'x');
    ASSERT_EQ(card.GetHardData(buf.data(), BUFFER_SIZE), 1);
    EXPECT_EQ(std::string(buf.data()), want);
    EXPECT_LT(want.size(), 4000u); // far inside the report buffer

    // Exactly the frame and its zero fit; one byte less is refused untouched.
    std::vector<char> exact(want.size() + 1, 'x');
    EXPECT_EQ(card.GetHardData(exact.data(), static_cast<int>(exact.size())), 1);
    EXPECT_EQ(std::string(exact.data()), want);
    std::vector<char> small(want.size() + 1, 'x');
    EXPECT_EQ(card.GetHardData(small.data(), static_cast<int>(want.size())), -1);
    EXPECT_EQ(small[0], 'x');
    EXPECT_EQ(card.GetHardData(nullptr, BUFFER_SIZE), -2);
}

// ---- link messages on the wire -------------------------------------------

// A loopback socket standing in for the remote controller.
class NetOutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (UDPServer.UDP_Sockfd < 0) {
            testing::internal::CaptureStdout();
            UDPServer.Network_Init(0);
            testing::internal::GetCapturedStdout();
        }
        Rx = Open(&RxPort);
        Rx2 = Open(&Rx2Port);
    }
    void TearDown() override {
        close(Rx);
        close(Rx2);
    }
    static int Open(int* port) {
        int s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        *port = ntohs(a.sin_port);
        timeval tv{0, 300000};
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        return s;
    }
    // Every datagram that arrives within the receive timeout.
    static std::vector<std::string> Received(int s) {
        std::vector<std::string> got;
        char buf[2048];
        for (;;) {
            ssize_t n = recv(s, buf, sizeof buf, 0);
            if (n < 0) return got;
            got.emplace_back(buf, static_cast<size_t>(n));
        }
    }
    int Rx = -1, Rx2 = -1;
    int RxPort = 0, Rx2Port = 0;
};

TEST_F(NetOutTest, OutSendsThreeLinkFramesToTheFirstDeviceOfTheName) {
    CVekt_NET card;
    std::string ip = "127.0.0.1";
    std::string b1 = "B1";
    card.SetRemoteIPPort(b1.data(), ip.data(), RxPort);
    card.SetRemoteIPPort(b1.data(), ip.data(), Rx2Port); // later duplicate: not used

    char arg[] = "1@b1@5";
    EXPECT_EQ(card.Cmd_OUT(0, arg), 1);
    const std::string want = Frame("CMD_NET", "Cmd=CTL_LINK;CTL_OUT=1;ChIdx=5;");
    EXPECT_EQ(Received(Rx), std::vector<std::string>(3, want));
    EXPECT_TRUE(Received(Rx2).empty());

    char arg2[] = "0@B1@255";
    EXPECT_EQ(card.Cmd_OUT(7, arg2), 1);
    EXPECT_EQ(Received(Rx),
              std::vector<std::string>(3, Frame("CMD_NET", "Cmd=CTL_LINK;CTL_OUT=0;ChIdx=255;")));
}

TEST_F(NetOutTest, BadArgumentsAndUnknownDevicesSendNothing) {
    CVekt_NET card;
    std::string ip = "127.0.0.1", b1 = "B1", bad = "BAD", badip = "10.0.0.300";
    card.SetRemoteIPPort(b1.data(), ip.data(), RxPort);
    card.SetRemoteIPPort(bad.data(), badip.data(), RxPort);
    const char* args[] = {nullptr, "", "1", "1@B1", "1@B2@5", "1@@5", "1@BAD@5"};
    testing::internal::CaptureStdout();
    for (const char* a : args) {
        std::string copy = a ? a : "";
        EXPECT_EQ(card.Cmd_OUT(0, a ? copy.data() : nullptr), 0) << (a ? a : "null");
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(Received(Rx).empty());
}

// What OUT sends, taken in by the receive side and run by the command step,
// ends in the link byte of the card at index 13.
TEST_F(NetOutTest, LinkFrameReachesTheLinkByteThroughTheCommandQueue) {
    CVekt_NET sender, receiver;
    std::string ip = "127.0.0.1", b1 = "B1";
    sender.SetRemoteIPPort(b1.data(), ip.data(), RxPort);
    char arg[] = "1@B1@42";
    ASSERT_EQ(sender.Cmd_OUT(0, arg), 1);
    std::vector<std::string> got = Received(Rx);
    ASSERT_EQ(got.size(), 3u);

    CVekt_MANAGER* saved = Vekt_CardMan[13];
    int savedNum = GlobeCardInfo.CardNum;
    Vekt_CardMan[13] = &receiver;
    GlobeCardInfo.CardNum = MAXCARDNO;
    testing::internal::CaptureStdout();
    char buf[NETTASKSTR];
    while (NetTask.GetTask(buf) != 0 || NetTask.IsTaskValid()) {
    }
    for (const auto& d : got)
        NetFeed(d.data(), static_cast<int>(d.size()));
    int steps = 0;
    while (NetTask.IsTaskValid())
        if (NetCmdStep(buf) == CTL_LINK) ++steps;
    std::string out = testing::internal::GetCapturedStdout();
    Vekt_CardMan[13] = saved;
    GlobeCardInfo.CardNum = savedNum;

    EXPECT_EQ(steps, 3);
    EXPECT_EQ(receiver.DataZero[42], 1);
    EXPECT_EQ(receiver.Cmd_LD(42, const_cast<char*>("1")), 1);
    EXPECT_NE(out.find("AddMsg2VD: Cmd=CTL_LINK;CTL_OUT=1;ChIdx=42;"), std::string::npos) << out;
}

} // namespace
