// Plain loopback sockets of the tests, beside the library: BSD sockets on
// POSIX, Winsock in the Windows build. Ports come from the kernel (bind to
// port 0), so that test programs running side by side never collide.
#pragma once
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <string>

namespace nettest {

#ifdef _WIN32
using Fd = SOCKET;
constexpr Fd kNoSocket = INVALID_SOCKET;
inline void CloseFd(Fd s) {
    closesocket(s);
}
// Winsock is started once per test program and left to the process.
inline void StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
inline bool Readable(Fd s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}
#else
using Fd = int;
constexpr Fd kNoSocket = -1;
inline void CloseFd(Fd s) {
    close(s);
}
inline void StartSockets() {}
inline bool Readable(Fd s, int ms) {
    pollfd p{s, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}
#endif

inline sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

inline int BoundPort(Fd s) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

// A socket of the given kind (SOCK_DGRAM, SOCK_STREAM) bound to 127.0.0.1 on a
// port of the kernel's choice, which *port receives.
inline Fd BoundSocket(int type, int* port) {
    StartSockets();
    Fd s = socket(AF_INET, type, 0);
    sockaddr_in a = Loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    *port = BoundPort(s);
    return s;
}

// A port of the given kind free on 127.0.0.1 at the time of the call.
inline int FreePort(int type = SOCK_DGRAM) {
    int port = 0;
    CloseFd(BoundSocket(type, &port));
    return port;
}

// A UDP socket bound to 127.0.0.1 on a port of the kernel's choice.
class Udp {
  public:
    Udp() { fd_ = BoundSocket(SOCK_DGRAM, &port_); }
    ~Udp() { CloseFd(fd_); }
    Udp(const Udp&) = delete;
    Udp& operator=(const Udp&) = delete;
    int Port() const { return port_; }
    bool SendTo(int port, const std::string& bytes) {
        sockaddr_in to = Loopback(port);
        return sendto(fd_, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to),
                      sizeof to) == static_cast<int>(bytes.size());
    }
    // One datagram, or "<none>" when none came within ms.
    std::string Receive(int ms = 3000, int* fromPort = nullptr) {
        if (!Readable(fd_, ms)) return "<none>";
        std::string buf(70000, '\0');
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const int n =
            recvfrom(fd_, &buf[0], static_cast<int>(buf.size()), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) return "<error>";
        if (fromPort) *fromPort = ntohs(from.sin_port);
        buf.resize(static_cast<size_t>(n));
        return buf;
    }

  private:
    Fd fd_ = kNoSocket;
    int port_ = 0;
};

// A TCP socket listening on 127.0.0.1 on a port of the kernel's choice.
class TcpListener {
  public:
    TcpListener() {
        fd_ = BoundSocket(SOCK_STREAM, &port_);
        listen(fd_, 4);
    }
    ~TcpListener() { CloseFd(fd_); }
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;
    int Port() const { return port_; }

  private:
    Fd fd_ = kNoSocket;
    int port_ = 0;
};

// Little-endian 32-bit integer of a received block.
inline int32_t LittleInt(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return static_cast<int32_t>(v);
}

// A framed block as a peer program would build it.
inline std::string Framed(const std::string& payload, const std::string& sender = "127.0.0.1", int port = 0) {
    std::string b = "!@#$";
    const uint32_t n = static_cast<uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i)
        b += static_cast<char>((n >> (8 * i)) & 0xFF);
    std::string text = sender;
    text.resize(16, '\0');
    b += text;
    for (int i = 0; i < 4; ++i)
        b += static_cast<char>((static_cast<uint32_t>(port) >> (8 * i)) & 0xFF);
    return b + payload + ")(*&";
}

} // namespace nettest
