// The UDP endpoint on loopback: receiving, learning peers, the three sends.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "public.h"
#include "udpserver.h"

namespace {

// A loopback socket with its own port.
struct Peer {
    int fd;
    int port;
    Peer() {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        timeval tv{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        int size = 1 << 20;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    }
    ~Peer() { close(fd); }
    void SendTo(int toPort, const std::string& data) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<unsigned short>(toPort));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    std::string Receive() const {
        char buf[2048];
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        return n < 0 ? "<nothing>" : std::string(buf, static_cast<size_t>(n));
    }
};

int BoundPort(const UDP& u) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(u.UDP_Sockfd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

// Recv does not wait; a datagram on loopback arrives within moments.
int RecvWait(UDP& u, char* data) {
    pollfd p{u.UDP_Sockfd, POLLIN, 0};
    poll(&p, 1, 2000);
    return u.Recv(data);
}

class UdpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        U = std::make_unique<UDP>();
        ASSERT_EQ(U->Network_Init(0), 1);
        Port = BoundPort(*U);
        Data.assign(BUFFER_SIZE + 1, '\0');
    }
    void TearDown() override { close(U->UDP_Sockfd); }
    std::unique_ptr<UDP> U;
    int Port = 0;
    std::vector<char> Data;
};

TEST_F(UdpTest, SendersBecomePeersOncePerAddressAndPort) {
    Peer a, b;
    testing::internal::CaptureStdout();
    EXPECT_EQ(U->Recv(Data.data()), 0); // nothing waiting
    a.SendTo(Port, "one");
    EXPECT_EQ(RecvWait(*U, Data.data()), 3);
    EXPECT_STREQ(Data.data(), "one");
    a.SendTo(Port, "two");
    EXPECT_EQ(RecvWait(*U, Data.data()), 3);
    b.SendTo(Port, "three");
    EXPECT_EQ(RecvWait(*U, Data.data()), 5);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(U->SndIPAddr.RemoteNum, 2);
    EXPECT_STREQ(U->RemoteIPAddr, "127.0.0.1");
    EXPECT_EQ(U->RemotePort, b.port);
    EXPECT_NE(out.find("Add [127.0.0.1 " + std::to_string(a.port) + "] to System ! Total=0 !\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Add [127.0.0.1 " + std::to_string(b.port) + "] to System ! Total=1 !\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("PLCNet: Recvfrom one 3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("PLCNet: Client IP is 127.0.0.1, Port is " + std::to_string(a.port) + " Rcv=3 16\n"),
              std::string::npos)
        << out;

    // Status sends go to every peer; the result is the last peer's byte count.
    EXPECT_EQ(U->Send("status"), 6);
    EXPECT_EQ(a.Receive(), "status");
    EXPECT_EQ(b.Receive(), "status");
    EXPECT_EQ(U->Send("abcdef", 3), 3);
    EXPECT_EQ(a.Receive(), "abc");
    EXPECT_EQ(b.Receive(), "abc");
}

TEST_F(UdpTest, LargestDatagramIsReturnedWholeAndTerminated) {
    Peer a;
    std::string big(BUFFER_SIZE, 'z');
    Data[BUFFER_SIZE] = 'x';
    testing::internal::CaptureStdout();
    a.SendTo(Port, big);
    EXPECT_EQ(RecvWait(*U, Data.data()), BUFFER_SIZE);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Data[BUFFER_SIZE - 1], 'z');
    EXPECT_EQ(Data[BUFFER_SIZE], '\0');
}

TEST_F(UdpTest, SendResultsWithoutPeersOrData) {
    Peer a;
    EXPECT_EQ(U->Send(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(U->Send(static_cast<const void*>(nullptr), 4), -1);
    EXPECT_EQ(U->Send("x"), -2);
    EXPECT_EQ(U->Send("xy", 2), -2);
    EXPECT_EQ(U->Send("127.0.0.1", a.port, nullptr), -1);
    EXPECT_EQ(U->Send("127.0.0.1", a.port, "direct"), 6);
    EXPECT_EQ(a.Receive(), "direct");
    EXPECT_EQ(U->SndIPAddr.RemoteNum, 0); // a direct send adds no peer
    testing::internal::CaptureStdout();
    EXPECT_EQ(U->Send("not-an-address", a.port, "x"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "PLCNet: Sendto error not-an-address Port " + std::to_string(a.port) + "\n");
}

TEST_F(UdpTest, PeerListStopsAtThirtyTwo) {
    testing::internal::CaptureStdout();
    for (int i = 0; i < MAXSNDIPNUM + 5; ++i)
        EXPECT_EQ(U->AddServiceIP("127.0.0.1", 40000 + i), 1);
    U->AddServiceIP("127.0.0.1", 40000);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(U->SndIPAddr.RemoteNum, MAXSNDIPNUM);
    EXPECT_NE(out.find("Total=31 !"), std::string::npos);
    EXPECT_EQ(out.find("Total=32 !"), std::string::npos);
    // An over-long address text is cut to its field.
    UDP v;
    std::string longIp(300, '1');
    testing::internal::CaptureStdout();
    v.AddServiceIP(longIp.c_str(), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(strlen(v.SndIPAddr.RemoteIPAddr[0]), 99u);
}

TEST(UdpBind, PortInUseIsReportedAndEndpointStaysUsable) {
    Peer holder; // keeps the port bound
    UDP u;
    testing::internal::CaptureStderr();
    EXPECT_EQ(u.Network_Init(holder.port), -2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("bind error", 0), 0u) << err;
    std::vector<char> data(BUFFER_SIZE + 1);
    EXPECT_EQ(u.Recv(data.data()), 0);
    close(u.UDP_Sockfd);
}

} // namespace
