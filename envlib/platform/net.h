// Sockets and network interfaces for the network channel and its utilities.
// On Windows these are Winsock and iphlpapi calls; on POSIX the BSD socket
// calls give the same results (posix/net.cpp says where they had to be
// adapted). Addresses are IPv4 in network byte order, ports in host order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// A socket handle (a SOCKET on Windows, a file descriptor on POSIX).
using SocketHandle = std::intptr_t;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

// ---- The socket library ----
// WSAStartup asking for version 1.1 and accepting only that version; on POSIX
// always true. Every successful start is paired with one StopSockets.
bool StartSockets();
void StopSockets();
// The error code of the last failed socket call (WSAGetLastError, errno).
int LastSocketError();

// ---- Sockets ----
SocketHandle OpenUdpSocket();
SocketHandle OpenTcpSocket();
// An ICMP socket for the echo test: a raw one where the process may open it,
// else (POSIX) the unprivileged ICMP datagram socket. INVALID_SOCKET_HANDLE
// when neither can be had.
SocketHandle OpenIcmpSocket();
bool CloseSocket(SocketHandle s);
bool SetReuseAddress(SocketHandle s);
bool SetBroadcast(SocketHandle s);
// Send and receive time-outs of a blocking call.
bool SetSocketTimeouts(SocketHandle s, int milliseconds);
bool SetNonBlocking(SocketHandle s);
bool BindSocket(SocketHandle s, uint32_t address, uint16_t port);
// One datagram to address:port; bytes sent, or -1.
int SendDatagram(SocketHandle s, const void* data, int length, uint32_t address, uint16_t port);
// One datagram into buffer: the bytes kept (a longer datagram is consumed and
// cut to size), or -1.
int ReceiveDatagram(SocketHandle s, void* buffer, int size);
// Waits for the socket to become readable: 1 ready, 0 time-out, -1 error.
int WaitReadable(SocketHandle s, int microseconds);
// Starts a connection of a non-blocking TCP socket.
void StartConnect(SocketHandle s, uint32_t address, uint16_t port);
// Waits for a started connection: 1 connected, 0 not connected within the
// time (refused ones included), -1 the wait failed.
int WaitConnected(SocketHandle s, int milliseconds);

// ---- Addresses and names ----
// inet_addr: the address of a dotted text, 0xFFFFFFFF (INADDR_NONE) when it does not parse.
uint32_t ParseIPv4(const char* text);
// The dotted text of an address (inet_ntoa).
std::string IPv4Text(uint32_t address);
// The address of a dotted text or, failing that, of a host name (its first).
bool ResolveHost(const char* host, uint32_t& address);
// The local host name and every IPv4 address it resolves to, in order.
bool LocalHostAddresses(std::string& hostName, std::vector<uint32_t>& addresses);
// A millisecond tick count (GetTickCount).
uint32_t TickCount();

// ---- Network adapters (GetAdaptersInfo, GetIfEntry) ----
constexpr int ADAPTER_TYPE_ETHERNET = 6; // MIB_IF_TYPE_ETHERNET
struct NetAdapter {
    int type = 0;                // MIB_IF_TYPE_* value
    uint32_t hardwareLength = 0; // length of the hardware address
    std::string firstAddress;    // the first IPv4 address text, "0.0.0.0" when none
    uint32_t index = 0;          // the interface index for InterfaceOperStatus
};
// The adapter list, in the system's order. false when it cannot be read or
// holds no adapter (as GetAdaptersInfo's ERROR_NO_DATA).
bool ReadAdapters(std::vector<NetAdapter>& adapters);
// The operational status of an interface: 0 non-operational, 1 unreachable,
// 2 disconnected, 3 connecting, 4 connected, 5 operational (MIB_IF_OPER_STATUS).
bool InterfaceOperStatus(uint32_t index, int& status);

} // namespace plat
