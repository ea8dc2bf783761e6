// Loopback helpers shared by tests that talk UDP to a program under test.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace vz5test {

// A UDP port free on 127.0.0.1 at the moment of the call.
inline int FreeUdpPort() {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

// Sends one request datagram from socket s to 127.0.0.1:port and returns the
// reply, or "<no reply>" when none came within the socket's receive timeout.
inline std::string AskOn(int s, int port, const std::string& req) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(s, req.data(), req.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::string buf(65536, '\0');
    ssize_t n = recv(s, buf.data(), buf.size(), 0);
    if (n < 0) return "<no reply>";
    buf.resize(static_cast<size_t>(n));
    return buf;
}

// The same on a fresh socket with a two-second timeout.
inline std::string UdpAsk(int port, const std::string& req) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    timeval tv{2, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string reply = AskOn(s, port, req);
    close(s);
    return reply;
}

// A host on loopback: one bound socket that sends to a program under test (and so
// becomes its peer) and receives what the program sends back, e.g. status reports.
class HostPeer {
  public:
    HostPeer() {
        Sock = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(Sock, reinterpret_cast<sockaddr*>(&a), sizeof a);
        timeval tv{0, 200000};
        setsockopt(Sock, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~HostPeer() { close(Sock); }
    HostPeer(const HostPeer&) = delete;
    HostPeer& operator=(const HostPeer&) = delete;

    void Send(int port, const std::string& data) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<unsigned short>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(Sock, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    // The first datagram within ms that starts with prefix and holds part, or "".
    std::string Receive(const std::string& prefix, const std::string& part, int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::string buf(65536, '\0');
        while (std::chrono::steady_clock::now() < end) {
            ssize_t n = recv(Sock, buf.data(), buf.size(), 0);
            if (n <= 0) continue;
            std::string d(buf.data(), static_cast<size_t>(n));
            if (d.rfind(prefix, 0) == 0 && d.find(part) != std::string::npos) return d;
        }
        return "";
    }

    int Sock = -1;
};

} // namespace vz5test
