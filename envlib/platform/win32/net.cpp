// Winsock and iphlpapi calls of the network channel and its utilities.
// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "platform/win32/winapi.h"

#include <cstring>
#include <vector>

#include "platform/net.h"

namespace plat {
namespace {
SOCKET Sock(SocketHandle s) {
    return static_cast<SOCKET>(s);
}

SocketHandle Handle(SOCKET s) {
    return s == INVALID_SOCKET ? INVALID_SOCKET_HANDLE : static_cast<SocketHandle>(s);
}

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = address;
    return a;
}

timeval Micro(long long microseconds) {
    timeval tv;
    tv.tv_sec = static_cast<long>(microseconds / 1000000);
    tv.tv_usec = static_cast<long>(microseconds % 1000000);
    return tv;
}
} // namespace

bool StartSockets() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return false;
    }
    return true;
}

void StopSockets() {
    ::WSACleanup();
}

int LastSocketError() {
    return ::WSAGetLastError();
}

SocketHandle OpenUdpSocket() {
    return Handle(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
}

SocketHandle OpenTcpSocket() {
    return Handle(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

SocketHandle OpenIcmpSocket() {
    return Handle(::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP));
}

bool CloseSocket(SocketHandle s) {
    return s != INVALID_SOCKET_HANDLE && ::closesocket(Sock(s)) == 0;
}

bool SetReuseAddress(SocketHandle s) {
    const BOOL on = TRUE;
    return ::setsockopt(Sock(s), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) ==
           0;
}

bool SetBroadcast(SocketHandle s) {
    const BOOL on = TRUE;
    return ::setsockopt(Sock(s), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) ==
           0;
}

bool SetSocketTimeouts(SocketHandle s, int milliseconds) {
    const DWORD ms = static_cast<DWORD>(milliseconds);
    const bool snd =
        ::setsockopt(Sock(s), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms) == 0;
    const bool rcv =
        ::setsockopt(Sock(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms) == 0;
    return snd && rcv;
}

bool SetNonBlocking(SocketHandle s) {
    u_long on = 1;
    return ::ioctlsocket(Sock(s), FIONBIO, &on) == 0;
}

bool BindSocket(SocketHandle s, uint32_t address, uint16_t port) {
    const sockaddr_in a = Address(address, port);
    return ::bind(Sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

int SendDatagram(SocketHandle s, const void* data, int length, uint32_t address, uint16_t port) {
    const sockaddr_in a = Address(address, port);
    const int n = ::sendto(Sock(s), static_cast<const char*>(data), length, 0,
                           reinterpret_cast<const sockaddr*>(&a), sizeof a);
    return n == SOCKET_ERROR ? -1 : n;
}

int ReceiveDatagram(SocketHandle s, void* buffer, int size) {
    sockaddr_in from{};
    int len = sizeof from;
    const int n =
        ::recvfrom(Sock(s), static_cast<char*>(buffer), size, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n != SOCKET_ERROR) return n;
    // A longer datagram fills the buffer and is gone: the buffer holds its start.
    if (::WSAGetLastError() == WSAEMSGSIZE) return size;
    return -1;
}

int WaitReadable(SocketHandle s, int microseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Sock(s), &readable);
    timeval tv = Micro(microseconds);
    const int r = ::select(0, &readable, nullptr, nullptr, &tv);
    if (r == SOCKET_ERROR) return -1;
    return r > 0 ? 1 : 0;
}

void StartConnect(SocketHandle s, uint32_t address, uint16_t port) {
    const sockaddr_in a = Address(address, port);
    (void)::connect(Sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a);
}

int WaitConnected(SocketHandle s, int milliseconds) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(Sock(s), &writable);
    FD_SET(Sock(s), &failed);
    timeval tv = Micro(static_cast<long long>(milliseconds) * 1000);
    // A refused connection shows in the exception set: not connected, without waiting on.
    const int r = ::select(0, nullptr, &writable, &failed, &tv);
    if (r == SOCKET_ERROR) return -1;
    return FD_ISSET(Sock(s), &writable) ? 1 : 0;
}

uint32_t ParseIPv4(const char* text) {
    return ::inet_addr(text);
}

std::string IPv4Text(uint32_t address) {
    in_addr a{};
    a.s_addr = address;
    const char* text = ::inet_ntoa(a);
    return text ? text : "";
}

bool ResolveHost(const char* host, uint32_t& address) {
    const uint32_t dotted = ::inet_addr(host);
    if (dotted != INADDR_NONE) {
        address = dotted;
        return true;
    }
    const hostent* h = ::gethostbyname(host);
    if (!h || h->h_addrtype != AF_INET || !h->h_addr_list[0]) return false;
    std::memcpy(&address, h->h_addr_list[0], 4);
    return true;
}

bool LocalHostAddresses(std::string& hostName, std::vector<uint32_t>& addresses) {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return false;
    const hostent* h = ::gethostbyname(name);
    if (!h || h->h_addrtype != AF_INET) return false;
    hostName = name;
    addresses.clear();
    for (char** p = h->h_addr_list; *p; ++p) {
        uint32_t a;
        std::memcpy(&a, *p, 4);
        addresses.push_back(a);
    }
    return true;
}

uint32_t TickCount() {
    return ::GetTickCount();
}

bool ReadAdapters(std::vector<NetAdapter>& adapters) {
    adapters.clear();
    ULONG size = sizeof(IP_ADAPTER_INFO);
    std::vector<unsigned char> buffer(size);
    DWORD r = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    if (r == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        r = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (r != NO_ERROR) return false;
    for (const IP_ADAPTER_INFO* p = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); p; p = p->Next) {
        NetAdapter a;
        a.type = static_cast<int>(p->Type);
        a.hardwareLength = p->AddressLength;
        a.firstAddress.assign(
            p->IpAddressList.IpAddress.String,
            strnlen(p->IpAddressList.IpAddress.String, sizeof p->IpAddressList.IpAddress.String));
        a.index = p->Index;
        adapters.push_back(a);
    }
    return true;
}

bool InterfaceOperStatus(uint32_t index, int& status) {
    MIB_IFROW row{};
    row.dwIndex = index;
    if (::GetIfEntry(&row) != NO_ERROR) return false;
    status = static_cast<int>(row.dwOperStatus);
    return true;
}

} // namespace plat
