// Sockets and adapters on POSIX, with the results of their Winsock and
// iphlpapi counterparts:
// - waits use poll (select cannot take descriptors above FD_SETSIZE);
// - a refused connection is "not connected": poll reports such a socket
//   writable, Winsock's select does not;
// - the echo test opens a raw ICMP socket where the process may, else the
//   unprivileged ICMP datagram socket (net.ipv4.ping_group_range);
// - the adapter list is the interface list (getifaddrs) with each link's
//   type and operational state from /sys/class/net, see InterfaceOperStatus.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/net.h"
#include "platform/posix/posixutil.h"

namespace plat {
namespace {
int Fd(SocketHandle s) {
    return static_cast<int>(s);
}

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = address;
    return a;
}

int PollFor(SocketHandle s, short events, int milliseconds, short& revents) {
    if (s < 0) {
        errno = EBADF; // select on no socket fails
        return -1;
    }
    pollfd p{Fd(s), events, 0};
    int r;
    do {
        r = ::poll(&p, 1, milliseconds);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -1;
    if (p.revents & POLLNVAL) {
        errno = EBADF;
        return -1;
    }
    revents = p.revents;
    return r > 0 ? 1 : 0;
}

std::string SysNet(const std::string& name, const char* attribute) {
    return ReadFirstLine("/sys/class/net/" + name + "/" + attribute);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

constexpr int ARPHRD_ETHER_TYPE = 1;      // ARPHRD_ETHER
constexpr int ARPHRD_LOOPBACK_TYPE = 772; // ARPHRD_LOOPBACK

// MIB_IF_TYPE_* of a link: Ethernet for wired Ethernet-like links; Wi-Fi
// reports ARPHRD_ETHER too, but Windows lists it as IEEE 802.11 (71).
int AdapterType(const std::string& name) {
    const int arphrd = std::atoi(SysNet(name, "type").c_str());
    if (arphrd == ARPHRD_LOOPBACK_TYPE) return 24;
    if (arphrd != ARPHRD_ETHER_TYPE) return 1; // MIB_IF_TYPE_OTHER
    if (IsDirectory("/sys/class/net/" + name + "/wireless") ||
        IsDirectory("/sys/class/net/" + name + "/phy80211"))
        return 71;
    return ADAPTER_TYPE_ETHERNET;
}
} // namespace

bool StartSockets() {
    return true;
}

void StopSockets() {}

int LastSocketError() {
    return errno;
}

SocketHandle OpenUdpSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return fd < 0 ? INVALID_SOCKET_HANDLE : fd;
}

SocketHandle OpenTcpSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd < 0 ? INVALID_SOCKET_HANDLE : fd;
}

SocketHandle OpenIcmpSocket() {
    int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0 && (errno == EPERM || errno == EACCES))
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    return fd < 0 ? INVALID_SOCKET_HANDLE : fd;
}

bool CloseSocket(SocketHandle s) {
    return s >= 0 && ::close(Fd(s)) == 0;
}

bool SetReuseAddress(SocketHandle s) {
    const int on = 1;
    return ::setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

bool SetBroadcast(SocketHandle s) {
    const int on = 1;
    return ::setsockopt(Fd(s), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool SetSocketTimeouts(SocketHandle s, int milliseconds) {
    timeval tv{milliseconds / 1000, (milliseconds % 1000) * 1000};
    const bool snd = ::setsockopt(Fd(s), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
    const bool rcv = ::setsockopt(Fd(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0;
    return snd && rcv;
}

bool SetNonBlocking(SocketHandle s) {
    const int flags = ::fcntl(Fd(s), F_GETFL);
    return flags >= 0 && ::fcntl(Fd(s), F_SETFL, flags | O_NONBLOCK) == 0;
}

bool BindSocket(SocketHandle s, uint32_t address, uint16_t port) {
    const sockaddr_in a = Address(address, port);
    return ::bind(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

int SendDatagram(SocketHandle s, const void* data, int length, uint32_t address, uint16_t port) {
    if (length < 0) {
        errno = EINVAL;
        return -1;
    }
    const sockaddr_in a = Address(address, port);
    ssize_t n;
    do {
        n = ::sendto(Fd(s), data, static_cast<size_t>(length), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&a), sizeof a);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int ReceiveDatagram(SocketHandle s, void* buffer, int size) {
    if (size < 0) {
        errno = EINVAL;
        return -1;
    }
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n;
    do {
        n = ::recvfrom(Fd(s), buffer, static_cast<size_t>(size), 0, reinterpret_cast<sockaddr*>(&from), &len);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int WaitReadable(SocketHandle s, int microseconds) {
    short revents = 0;
    // poll counts in milliseconds: round a wait up rather than spin.
    return PollFor(s, POLLIN, (microseconds + 999) / 1000, revents);
}

void StartConnect(SocketHandle s, uint32_t address, uint16_t port) {
    const sockaddr_in a = Address(address, port);
    (void)::connect(Fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a);
}

int WaitConnected(SocketHandle s, int milliseconds) {
    short revents = 0;
    const int r = PollFor(s, POLLOUT, milliseconds, revents);
    if (r <= 0) return r;
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(Fd(s), SOL_SOCKET, SO_ERROR, &error, &len) != 0) return -1;
    return error == 0 ? 1 : 0;
}

uint32_t ParseIPv4(const char* text) {
    return ::inet_addr(text);
}

std::string IPv4Text(uint32_t address) {
    in_addr a{};
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

bool ResolveHost(const char* host, uint32_t& address) {
    const uint32_t dotted = ParseIPv4(host);
    if (dotted != INADDR_NONE) {
        address = dotted;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return false;
    address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(list);
    return true;
}

bool LocalHostAddresses(std::string& hostName, std::vector<uint32_t>& addresses) {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM; // one entry per address
    addrinfo* list = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &list) != 0) return false;
    hostName = name;
    addresses.clear();
    for (const addrinfo* p = list; p; p = p->ai_next) {
        const uint32_t a = reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (uint32_t b : addresses)
            seen = seen || a == b;
        if (!seen) addresses.push_back(a);
    }
    ::freeaddrinfo(list);
    return true;
}

uint32_t TickCount() {
    return static_cast<uint32_t>(MonotonicMs());
}

// GetAdaptersInfo lists the adapters but not the loopback interface, ordered
// by interface index here; each adapter's first IPv4 address or "0.0.0.0".
bool ReadAdapters(std::vector<NetAdapter>& adapters) {
    adapters.clear();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    std::map<uint32_t, NetAdapter> byIndex;
    for (const ifaddrs* p = list; p; p = p->ifa_next) {
        if (!p->ifa_name || (p->ifa_flags & IFF_LOOPBACK)) continue;
        const uint32_t index = ::if_nametoindex(p->ifa_name);
        if (index == 0) continue;
        auto [it, added] = byIndex.try_emplace(index);
        NetAdapter& a = it->second;
        if (added) {
            a.index = index;
            a.type = AdapterType(p->ifa_name);
            a.hardwareLength = static_cast<uint32_t>(std::atoi(SysNet(p->ifa_name, "addr_len").c_str()));
            a.firstAddress = "0.0.0.0";
        }
        if (p->ifa_addr && p->ifa_addr->sa_family == AF_INET && a.firstAddress == "0.0.0.0")
            a.firstAddress = IPv4Text(reinterpret_cast<const sockaddr_in*>(p->ifa_addr)->sin_addr.s_addr);
    }
    ::freeifaddrs(list);
    for (auto& [index, a] : byIndex)
        adapters.push_back(a);
    return !adapters.empty();
}

// The link's operational state (RFC 2863, as /sys/class/net/<if>/operstate
// shows it) in MIB_IF_OPER_STATUS terms:
//   administratively down (no IFF_UP)     0 non-operational
//   "notpresent", "testing"               0 non-operational
//   "down", "lowerlayerdown" (no carrier) 2 disconnected
//   "dormant" (waiting, e.g. for 802.1X)  3 connecting
//   "up"                                  5 operational
//   "unknown": by the carrier flag        5 with IFF_RUNNING, else 2
// 1 (unreachable) and 4 (connected) are WAN states no Ethernet link has.
bool InterfaceOperStatus(uint32_t index, int& status) {
    char name[IF_NAMESIZE] = {};
    if (!::if_indextoname(index, name)) return false;
    const std::string operstate = SysNet(name, "operstate");
    if (operstate.empty()) return false;
    // The flags with the carrier (IFF_RUNNING), which sysfs's "flags" leaves out.
    ifreq req{};
    std::memcpy(req.ifr_name, name, sizeof req.ifr_name - 1);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool got = ::ioctl(fd, SIOCGIFFLAGS, &req) == 0;
    ::close(fd);
    if (!got) return false;
    const unsigned flags = static_cast<unsigned short>(req.ifr_flags);
    if (!(flags & IFF_UP) || operstate == "notpresent" || operstate == "testing")
        status = 0;
    else if (operstate == "up")
        status = 5;
    else if (operstate == "dormant")
        status = 3;
    else if (operstate == "unknown")
        status = (flags & IFF_RUNNING) ? 5 : 2;
    else
        status = 2;
    return true;
}

} // namespace plat
