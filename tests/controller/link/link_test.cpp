// Two controllers on loopback: A registers B as a virtual device and, on a go
// from its own input, sends a link signal; B's program waits for that link
// byte with LD, then sets an output. B's report of its network card shows the byte.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "corlanchild.h"
#include "corlanrun.h"

namespace {

using vz5test::CorlanChild;
using vz5test::CorlanRun;

const char* Rack = "[board]\nkind = 0xA3\ntasks = 1\n[slots]\n2 = 0x83\n";
constexpr int IosOutL = 5; // outputs 0-7 of the I/O card
constexpr int IosInL = 8;  // inputs 0-7

using Peer = vz5test::HostPeer;

unsigned ByteSum(const std::string& s) {
    unsigned sum = 0;
    for (unsigned char c : s)
        sum += c;
    return sum;
}

TEST(ControllerLinkTest, OutOnTheNetworkCardReleasesTheLdOfTheOtherController) {
    CorlanRun b(Rack, {{"plc1/RESET.PLC", "LD:13,5,1 ; wait for station A\nOUT:2,7,1\nEXIT\n"}});
    const std::string a_prog = "G_ADD_VD:13,0,B1@127.0.0.1@" + std::to_string(b.Port) +
                               "\n"
                               "LD:2,0,1 ; go from the test\n"
                               "OUT:13,0,1@B9@5 ; not registered: nothing sent\n"
                               "OUT:13,0,1@B1@5\n"
                               "EXIT\n";
    CorlanRun a(Rack, {{"plc1/RESET.PLC", a_prog}});
    CorlanChild cb(b.Env());
    CorlanChild ca(a.Env());

    ASSERT_TRUE(cb.WaitFor("SYN_LD: SlotIdx:13  ChIdx:5 1")) << cb.Out;
    ASSERT_TRUE(ca.WaitFor("Task_G_ADD_VD: VDName=B1 IP=127.0.0.1 Port=" + std::to_string(b.Port) + "\n"))
        << ca.Out;
    ASSERT_TRUE(ca.WaitFor("SYN_LD: SlotIdx:2  ChIdx:0 1")) << ca.Out;
    usleep(300000);
    EXPECT_EQ(b.Reg(2, IosOutL), 0) << "B went on before the link came";

    Peer host;
    host.Send(b.Port, "hello"); // be a peer of B for its reports

    ASSERT_EQ(a.Sim("set 2 " + std::to_string(IosInL) + " 1"), "ok");
    EXPECT_TRUE(CorlanRun::Until([&] { return b.Reg(2, IosOutL) == 0x80; }))
        << "B's output register " << b.Reg(2, IosOutL) << "\nA:\n"
        << ca.Out << "\nB:\n"
        << cb.Out;
    EXPECT_TRUE(ca.WaitFor("Task_OUT Fail[0]:SlotIDx:13, ChIdx:0 1@B9@5", 2000)) << ca.Out;
    EXPECT_TRUE(cb.WaitFor("AddMsg2VD: Cmd=CTL_LINK;CTL_OUT=1;ChIdx=5;\n", 2000)) << cb.Out;
    EXPECT_TRUE(cb.WaitFor("Debug: CVekt_NET: DataZero=ChIdx[5]=1\n", 2000)) << cb.Out;
    // The link datagrams made A a peer of B.
    EXPECT_TRUE(cb.WaitFor("Add [127.0.0.1 " + std::to_string(a.Port) + "]", 2000)) << cb.Out;

    // Reports come every few seconds; an earlier cycle may still show 0.
    std::string frame = host.Receive("{CMD_HARD:Type=Vekt_NET;TypeID=16;SlotID=14;D0=0;", ";D5=1;", 15000);
    ASSERT_FALSE(frame.empty()) << "no report of B's network card with D5=1";
    ASSERT_EQ(frame.compare(frame.size() - 2, 2, "}#"), 0) << frame;
    size_t colon = frame.rfind(':');
    std::string body = frame.substr(10, colon - 10);
    unsigned checksum = static_cast<unsigned>(std::stoul(frame.substr(colon + 1)));
    EXPECT_EQ((ByteSum(body) + checksum) % 65536, 0u) << frame;
    EXPECT_NE(body.find(";D4=0;D5=1;D6=0;"), std::string::npos) << body;
    EXPECT_EQ(body.substr(body.size() - 7), "D255=0;") << body;
}

} // namespace
