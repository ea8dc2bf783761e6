// The network channel and utilities in an attached library: channels on
// 127.0.0.1 checked against plain sockets of the test, the framed block on the
// wire, received blocks of every shape, the echo and port tests and the text
// helpers. Nothing is ever sent beyond loopback.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "dorlix.h"
#include "netsock.h"
#include "services/netchannel.h"
#include "services/netutil.h"
#include "attachedstation.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-net");

std::string Bytes(const void* p, size_t n) {
    return std::string(static_cast<const char*>(p), n);
}

// Channels opened on 127.0.0.1, all closed again after each test.
class NetChannel : public ::testing::Test {
  protected:
    void TearDown() override {
        for (int i = 0; i < 100; ++i)
            CloseNet(i);
    }
    // Opens channel index on a free loopback port; returns the port.
    int Open(int index) {
        const int port = nettest::FreePort();
        EXPECT_EQ(OpenNet(index, "127.0.0.1", port, 0), 1);
        return port;
    }
    // Polls ReadNetData (or the plain form) until something other than "nothing waiting" comes.
    int Read(int index, void* buffer, int size, bool plain = false) {
        for (int i = 0; i < 3000; ++i) {
            const int r = plain ? ReadNetDataDir(index, buffer, size) : ReadNetData(index, buffer, size);
            if (r != 0) return r;
        }
        return 0;
    }
};

TEST_F(NetChannel, OpenTwiceKeepsTheFirstSocketAndBadIndexesAreRefused) {
    const int port = Open(5);
    EXPECT_EQ(OpenNet(5, "127.0.0.1", nettest::FreePort(), 0), 2);
    nettest::Udp peer;
    ASSERT_TRUE(peer.SendTo(port, nettest::Framed("still here")));
    char buf[64] = {};
    EXPECT_EQ(Read(5, buf, sizeof buf), 10);
    EXPECT_STREQ(buf, "still here");

    for (int bad : {100, -1, 1000}) {
        EXPECT_EQ(OpenNet(bad, "127.0.0.1", nettest::FreePort(), 0), 0) << bad;
        EXPECT_EQ(CloseNet(bad), 1) << bad;
        EXPECT_EQ(SendNetData(bad, "127.0.0.1", port, "x", 1), -1) << bad;
        EXPECT_EQ(ReadNetData(bad, buf, sizeof buf), -1) << bad;
        EXPECT_EQ(ReadNetDataDir(bad, buf, sizeof buf), -1) << bad;
    }
}

// Any local address (null) and the broadcast switch (address reuse, broadcast
// allowed) still give a channel that receives and sends on loopback.
TEST_F(NetChannel, OpenVariants) {
    const struct {
        const char* address;
        int broadcast;
    } cases[] = {{nullptr, 0}, {"127.0.0.1", 1}, {nullptr, 1}};
    nettest::Udp peer;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address ? c.address : "(any)") + " broadcast " +
                     std::to_string(c.broadcast));
        const int port = nettest::FreePort();
        ASSERT_EQ(OpenNet(60, c.address, port, c.broadcast), 1);
        ASSERT_TRUE(peer.SendTo(port, nettest::Framed("in")));
        char buf[32] = {};
        EXPECT_EQ(Read(60, buf, sizeof buf), 2);
        EXPECT_STREQ(buf, "in");
        EXPECT_EQ(SendNetDataDir(60, "127.0.0.1", peer.Port(), "out", 3), 3);
        EXPECT_EQ(peer.Receive(), "out");
        EXPECT_EQ(CloseNet(60), 1);
    }
}

TEST_F(NetChannel, ClosedChannelsAndNullArguments) {
    const int port = Open(7);
    char buf[16];
    EXPECT_EQ(SendNetData(7, "127.0.0.1", port, nullptr, 4), 0);
    EXPECT_EQ(SendNetDataDir(7, "127.0.0.1", port, nullptr, 4), 0);
    EXPECT_EQ(ReadNetData(7, nullptr, 16), -4);
    EXPECT_EQ(ReadNetDataDir(7, nullptr, 16), -4);
    EXPECT_EQ(ReadNetData(7, buf, sizeof buf), 0) << "nothing waiting";
    EXPECT_EQ(CloseNet(7), 1);
    EXPECT_EQ(CloseNet(7), 1);
    EXPECT_EQ(SendNetData(7, "127.0.0.1", port, "x", 1), -1);
    EXPECT_EQ(SendNetDataDir(7, "127.0.0.1", port, "x", 1), -1);
    EXPECT_EQ(ReadNetData(7, buf, sizeof buf), -1);
    EXPECT_EQ(ReadNetDataDir(7, buf, sizeof buf), -1);
    EXPECT_EQ(ReadNetData(7, nullptr, 16), -4);
    // Reopened after the close: a fresh channel.
    EXPECT_EQ(OpenNet(7, "127.0.0.1", nettest::FreePort(), 0), 1);
}

TEST_F(NetChannel, FramedBlockOnTheWire) {
    HostIPList hosts{};
    const std::string sender = GetHostIP(&hosts) == 1 && hosts.count > 0 ? hosts.addr[0] : "";
    const int port = Open(12);
    nettest::Udp peer;
    const std::string payload("weigh\0ing", 9);
    EXPECT_EQ(SendNetData(12, "127.0.0.1", peer.Port(), payload.data(), 9), 9 + 32);
    int from = 0;
    const std::string block = peer.Receive(3000, &from);
    ASSERT_EQ(block.size(), 9u + 32u) << block;
    EXPECT_EQ(from, port) << "sent from the channel's own socket";
    EXPECT_EQ(block.substr(0, 4), "!@#$");
    EXPECT_EQ(nettest::LittleInt(block, 4), 9);
    std::string text = sender;
    text.resize(16, '\0');
    EXPECT_EQ(block.substr(8, 16), text) << "the local address text, NUL-padded";
    EXPECT_EQ(nettest::LittleInt(block, 24), port);
    EXPECT_EQ(block.substr(28, 9), payload);
    EXPECT_EQ(block.substr(37), ")(*&");

    // The plain form: the payload alone; an empty payload makes an empty frame.
    EXPECT_EQ(SendNetDataDir(12, "127.0.0.1", peer.Port(), payload.data(), 9), 9);
    EXPECT_EQ(peer.Receive(), payload);
    EXPECT_EQ(SendNetData(12, "127.0.0.1", peer.Port(), "", 0), 32);
    EXPECT_EQ(peer.Receive().size(), 32u);
}

// Datagrams of every shape sent by a plain socket, read with ReadNetData.
TEST_F(NetChannel, ReceivedDatagrams) {
    struct Case {
        const char* what;
        std::string datagram;
        int size;
        int result;
        std::string written; // what lands at the buffer's start; the rest keeps its fill
    };
    const std::string frame7 = nettest::Framed("payload");
    const std::string markerInside = nettest::Framed("ab)(*&cd");
    const std::string longFrame = nettest::Framed(std::string(3000, 'L'));
    const int frameSize = static_cast<int>(frame7.size());
    const Case cases[] = {
        {"framed block", frame7, 100, 7, "payload" + std::string(32, '\0')},
        {"buffer exactly the payload", frame7, 7, 7, "payload"},
        {"buffer smaller than the payload", nettest::Framed("abcdefgh"), 4, 8, "abcd"},
        {"head after some bytes", "xyz" + frame7, 100, 7, "payload" + std::string(35, '\0')},
        {"tail marker inside the payload", markerInside, 100, static_cast<int>(markerInside.size()), ""},
        {"wrong length field", "!@#$" + std::string("\x03\0\0\0", 4) + frame7.substr(8), 100, frameSize, ""},
        {"tail before head", ")(*&" + frame7.substr(0, frame7.size() - 4), 100, frameSize, ""},
        {"not framed", "garbage", 100, 7, ""},
        {"longer than size + 1024: cut there, consumed", longFrame, 16, 16 + 1024, ""},
        {"negative size: nothing written", frame7, -5, 7, ""},
    };
    const int port = Open(20);
    nettest::Udp peer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char buf[200];
        std::memset(buf, 'x', sizeof buf);
        ASSERT_TRUE(peer.SendTo(port, c.datagram));
        EXPECT_EQ(Read(20, buf, c.size), c.result);
        EXPECT_EQ(Bytes(buf, c.written.size()), c.written);
        EXPECT_EQ(Bytes(buf + c.written.size(), sizeof buf - c.written.size()),
                  std::string(sizeof buf - c.written.size(), 'x'));
        EXPECT_EQ(ReadNetData(20, buf, c.size), 0) << "one datagram per read";
    }
    // An empty datagram reads as 0, like nothing waiting, and is gone.
    char buf[64] = {};
    ASSERT_TRUE(peer.SendTo(port, ""));
    ASSERT_TRUE(peer.SendTo(port, frame7));
    EXPECT_EQ(Read(20, buf, sizeof buf), 7);
}

TEST_F(NetChannel, PlainDatagramsArriveAsSent) {
    const int port = Open(30);
    nettest::Udp peer;
    const std::string framed = nettest::Framed("not decoded");
    char buf[200];
    std::memset(buf, 'x', sizeof buf);
    ASSERT_TRUE(peer.SendTo(port, framed));
    EXPECT_EQ(Read(30, buf, sizeof buf, true), static_cast<int>(framed.size()));
    EXPECT_EQ(Bytes(buf, framed.size()), framed);
    EXPECT_EQ(buf[framed.size()], 'x');

    // A buffer smaller than the datagram: size bytes, the datagram's length.
    std::memset(buf, 'x', sizeof buf);
    ASSERT_TRUE(peer.SendTo(port, "0123456789"));
    EXPECT_EQ(Read(30, buf, 4, true), 10);
    EXPECT_EQ(Bytes(buf, 5), "0123x");

    // Longer than size + 1024: the first size bytes, the length kept, the rest gone.
    std::memset(buf, 'x', sizeof buf);
    ASSERT_TRUE(peer.SendTo(port, std::string(5000, 'L')));
    EXPECT_EQ(Read(30, buf, 8, true), 8 + 1024);
    EXPECT_EQ(Bytes(buf, 9), "LLLLLLLLx");
    EXPECT_EQ(ReadNetDataDir(30, buf, 8), 0);
}

TEST_F(NetChannel, BlocksBetweenTwoChannels) {
    const int portA = Open(40), portB = Open(41);
    struct Case {
        const char* what;
        std::string payload;
        int size;
        int result;
        std::string read;
    };
    const Case cases[] = {
        {"framed block: the payload, then zeros up to the block's length", "weight=1520;", 64, 12,
         "weight=1520;" + std::string(32, '\0')},
        {"payload with the tail marker: refused, the received length", "a)(*&b", 64, 6 + 32, ""},
        {"buffer smaller than the payload", "0123456789", 3, 10, "012"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char buf[64];
        std::memset(buf, 'x', sizeof buf);
        ASSERT_EQ(SendNetData(40, "127.0.0.1", portB, c.payload.data(), static_cast<int>(c.payload.size())),
                  static_cast<int>(c.payload.size()) + 32);
        EXPECT_EQ(Read(41, buf, c.size), c.result);
        EXPECT_EQ(Bytes(buf, c.read.size()), c.read);
        EXPECT_EQ(buf[c.read.size()], 'x');
    }
    // And back, plain.
    char buf[64] = {};
    ASSERT_EQ(SendNetDataDir(41, "127.0.0.1", portA, "reply", 5), 5);
    EXPECT_EQ(Read(40, buf, sizeof buf, true), 5);
    EXPECT_STREQ(buf, "reply");
}

TEST_F(NetChannel, SendsThatCannotGo) {
    const int port = Open(50);
    nettest::Udp peer;
    // No broadcast switch: the system refuses a send to everyone before anything leaves.
    EXPECT_EQ(SendNetData(50, "ALL", port, "x", 1), -3);
    EXPECT_EQ(SendNetDataDir(50, "all", port, "x", 1), -3);
    // A target that is no address is not taken for the broadcast address.
    EXPECT_EQ(SendNetData(50, "no-such-address", peer.Port(), "x", 1), -3);
    EXPECT_EQ(SendNetData(50, "127.0.0.1", peer.Port(), "x", -1), -3);
    EXPECT_EQ(SendNetDataDir(50, "127.0.0.1", peer.Port(), "x", -1), -3);
    EXPECT_EQ(peer.Receive(200), "<none>");
}

TEST(NetTarget, AddressTexts) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t address; // octets as written
    };
    auto octets = [](int a, int b, int c, int d) {
        const unsigned char o[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                    static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
        uint32_t v;
        std::memcpy(&v, o, 4);
        return v;
    };
    const Case cases[] = {
        {"all", true, octets(255, 255, 255, 255)},
        {"ALL", true, octets(255, 255, 255, 255)},
        {"aLl", true, octets(255, 255, 255, 255)},
        {"255.255.255.255", true, octets(255, 255, 255, 255)},
        {"127.0.0.1", true, octets(127, 0, 0, 1)},
        {nullptr, true, 0},
        {"alls", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t address = 12345;
        const bool ok = dorlix::netchannel::TargetAddress(c.text, address);
        EXPECT_EQ(ok, c.ok) << (c.text ? c.text : "(null)");
        if (c.ok) {
            EXPECT_EQ(address, c.address) << (c.text ? c.text : "(null)");
        }
    }
}

TEST(NetText, IsIPV4) {
    const struct {
        const char* text;
        int result;
    } cases[] = {
        {"192.168.1.20", 1}, {"10.20.30", 1}, {"1.2.3.x", 1}, {" 1 . 2 . 3 ", 1}, {"1.a.3.4", -5},
        {"1.2", -5},         {"a.b.c", -5},   {"1..3", -5},   {"", -2},           {"   ", -2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsIPV4(c.text), c.result) << '"' << c.text << '"';
    EXPECT_EQ(IsIPV4(nullptr), 0);
}

TEST(NetText, ParseIP) {
    const struct {
        const char* text;
        int a, b, c, d;
    } cases[] = {
        {"192.168.1.20", 192, 168, 1, 20},
        {"10.20.30", 10, 20, 0, 30}, // inet_addr: the last part fills the low bytes
        {"0x7f.1", 127, 0, 0, 1},
        {"not an address", 255, 255, 255, 255},
        {"1.2.3.256", 255, 255, 255, 255},
        {nullptr, 255, 255, 255, 255},
    };
    for (const auto& c : cases) {
        int a = -1, b = -1, cc = -1, d = -1;
        EXPECT_EQ(ParseIP(c.text, &a, &b, &cc, &d), 1);
        EXPECT_EQ((std::vector<int>{a, b, cc, d}), (std::vector<int>{c.a, c.b, c.c, c.d}))
            << (c.text ? c.text : "(null)");
    }
    int a = 0;
    EXPECT_EQ(ParseIP("1.2.3.4", &a, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(a, 1);
}

TEST(NetEcho, RequestBytes) {
    unsigned char req[dorlix::echo::REQUEST_SIZE];
    dorlix::echo::BuildRequest(req, 0x0102, 0x0A0B, 0x11223344u);
    EXPECT_EQ(req[0], 8);
    EXPECT_EQ(req[1], 0);
    EXPECT_EQ(req[4] | req[5] << 8, 0x0102);
    EXPECT_EQ(req[6] | req[7] << 8, 0x0A0B);
    EXPECT_EQ(req[8], 0);
    EXPECT_EQ(req[9] | req[10] << 8 | req[11] << 16 | static_cast<uint32_t>(req[12]) << 24, 0x11223344u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(req[13 + i], 0x20 + i);
    // A correct checksum makes the sum over the whole request come out as zero.
    EXPECT_EQ(dorlix::echo::InternetChecksum(req, sizeof req), 0);
    // RFC 1071's own example.
    const unsigned char rfc[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(dorlix::echo::InternetChecksum(rfc, sizeof rfc), 0x220d);
}

TEST(NetHost, GetHostIP) {
    EXPECT_EQ(GetHostIP(nullptr), 0);
    HostIPList rec;
    std::memset(&rec, 'x', sizeof rec);
    ASSERT_EQ(GetHostIP(&rec), 1);
    char name[256] = {};
    nettest::StartSockets();
    ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
    EXPECT_STREQ(rec.hostName, name);
    ASSERT_GE(rec.count, 1);
    ASSERT_LE(rec.count, 100);
    for (int i = 0; i < rec.count; ++i) {
        EXPECT_EQ(IsIPV4(rec.addr[i]), 1) << rec.addr[i];
        EXPECT_NE(inet_addr(rec.addr[i]), INADDR_NONE) << rec.addr[i];
    }
}

TEST(NetScan, ListeningAndClosedPorts) {
    nettest::TcpListener listener;
    const int closed = nettest::FreePort(SOCK_STREAM);
    EXPECT_EQ(ScanPort("127.0.0.1", listener.Port()), 1);
    EXPECT_EQ(ScanPort("local", listener.Port()), 1);
    EXPECT_EQ(ScanPort("(Local)", listener.Port()), 1);
    EXPECT_EQ(ScanPort("127.0.0.1", closed), -4);
    EXPECT_EQ(ScanPort(nullptr, listener.Port()), -3);
}

} // namespace
