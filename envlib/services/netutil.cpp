// Network utilities beside the channel: the ICMP echo test, the TCP port
// test, the local host's addresses, IPv4 text checks and the link state of
// the Ethernet adapter. Each starts and releases the socket library around
// its own work.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "core/export.h"
#include "core/lasting.h"
#include "core/textfield.h"
#include "dorlix.h"
#include "platform/net.h"
#include "services/netutil.h"
#include "services/netchannel.h"

namespace dorlix {
namespace {

// Serialises the echo tests.
plat::CriticalSection& PingLock() {
    static Lasting<plat::CriticalSection> lock;
    return *lock;
}

std::atomic<uint32_t> g_echoIdentifier{1};
std::atomic<uint32_t> g_echoSequence{1};

// "local" in any case, with or without parentheses, is the loopback address.
std::string HostText(const char* host) {
    std::string upper(host);
    for (char& ch : upper)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    if (upper == "(LOCAL)" || upper == "LOCAL") return "127.0.0.1";
    return host;
}

int PingHost(const char* host) {
    const std::string target = HostText(host);
    std::lock_guard<plat::CriticalSection> guard(PingLock());
    const plat::SocketHandle s = plat::OpenIcmpSocket();
    if (s == plat::INVALID_SOCKET_HANDLE) return -2;
    uint32_t address;
    if (!plat::ResolveHost(target.c_str(), address)) {
        plat::CloseSocket(s);
        return -3;
    }
    unsigned char request[echo::REQUEST_SIZE];
    echo::BuildRequest(request, static_cast<uint16_t>(g_echoIdentifier.fetch_add(1)),
                       static_cast<uint16_t>(g_echoSequence.fetch_add(1)), plat::TickCount());
    plat::SendDatagram(s, request, sizeof request, address, 0);
    const int ready = plat::WaitReadable(s, 1000000);
    if (ready <= 0) {
        const int result = ready < 0 ? -4 : -5;
        return plat::CloseSocket(s) ? result : -6;
    }
    char reply[321];
    plat::ReceiveDatagram(s, reply, sizeof reply);
    plat::CloseSocket(s);
    return 1;
}

int ScanHostPort(const char* host, int port) {
    const std::string target = HostText(host);
    const plat::SocketHandle s = plat::OpenTcpSocket();
    if (s == plat::INVALID_SOCKET_HANDLE) return -1;
    int result;
    uint32_t address;
    if (!plat::SetNonBlocking(s)) {
        result = -2;
    } else if (!plat::ResolveHost(target.c_str(), address)) {
        result = -3;
    } else {
        plat::StartConnect(s, address, static_cast<uint16_t>(port));
        const int r = plat::WaitConnected(s, 1000);
        result = r > 0 ? 1 : (r == 0 ? -4 : -3);
    }
    plat::CloseSocket(s);
    return result;
}

// A copy of text without the spaces at both ends.
std::string TrimSpaces(const std::string& text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

int CheckIPv4(const char* text) {
    const std::string copy = TrimSpaces(text);
    if (copy.empty()) return -2;
    std::string field(copy.size() + 1, '\0');
    for (int i = 0; i < 3; ++i) {
        if (!CutField(copy.c_str(), field.data(), field.size(), i, '.')) return -5;
        const std::string number = TrimSpaces(field.c_str());
        if (IsDigital(number.c_str()) != 1) return -5;
    }
    return 1; // a fourth field and any further one are not looked at
}

bool SameText(const std::string& a, const char* b) {
    if (!b || a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The status of the first Ethernet adapter the adapter list holds, or of the
// first whose first address is address. 0 when the list cannot be read.
int EthernetStatus(const char* address, bool byAddress, int* status) {
    std::vector<plat::NetAdapter> adapters;
    if (!plat::ReadAdapters(adapters)) return 0;
    for (const plat::NetAdapter& a : adapters) {
        if (a.hardwareLength >= 4096) break;
        if (a.type != plat::ADAPTER_TYPE_ETHERNET) continue;
        if (byAddress && !SameText(a.firstAddress, address)) continue;
        int value;
        if ((byAddress || a.hardwareLength > 0) && plat::InterfaceOperStatus(a.index, value) && status)
            *status = value;
        break;
    }
    return 1;
}

} // namespace

bool LocalHostIPs(std::string& hostName, std::vector<std::string>& addresses) {
    if (!plat::StartSockets()) return false;
    std::vector<uint32_t> list;
    const bool ok = plat::LocalHostAddresses(hostName, list);
    plat::StopSockets();
    addresses.clear();
    if (!ok) return false;
    for (uint32_t a : list)
        addresses.push_back(plat::IPv4Text(a));
    return true;
}

namespace echo {
uint16_t InternetChecksum(const unsigned char* bytes, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < n; i += 2)
        sum += static_cast<uint32_t>(bytes[i]) << 8 | bytes[i + 1];
    if (n % 2) sum += static_cast<uint32_t>(bytes[n - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

void BuildRequest(unsigned char* out, uint16_t identifier, uint16_t sequence, uint32_t tick) {
    std::memset(out, 0, REQUEST_SIZE);
    out[0] = 8; // echo request, code 0
    out[4] = static_cast<unsigned char>(identifier & 0xFF);
    out[5] = static_cast<unsigned char>(identifier >> 8);
    out[6] = static_cast<unsigned char>(sequence & 0xFF);
    out[7] = static_cast<unsigned char>(sequence >> 8);
    for (int i = 0; i < 4; ++i)
        out[9 + i] = static_cast<unsigned char>((tick >> (8 * i)) & 0xFF);
    for (int i = 0; i < 32; ++i)
        out[13 + i] = static_cast<unsigned char>(0x20 + i);
    const uint16_t sum = InternetChecksum(out, REQUEST_SIZE);
    out[2] = static_cast<unsigned char>(sum >> 8);
    out[3] = static_cast<unsigned char>(sum & 0xFF);
}
} // namespace echo

} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL Ping(const char* host) {
    return dorlix::Guarded(-8, [&] {
        if (!host) return -9;
        if (!plat::StartSockets()) return -8;
        const int result = dorlix::PingHost(host);
        plat::StopSockets();
        return result;
    });
}

DORLIX_API int DORLIX_CALL ScanPort(const char* host, int port) {
    return dorlix::Guarded(0, [&] {
        if (!plat::StartSockets()) return 0;
        // A null host is no host name: it cannot be resolved.
        const int result = host ? dorlix::ScanHostPort(host, port) : -3;
        plat::StopSockets();
        return result;
    });
}

DORLIX_API int DORLIX_CALL GetHostIP(HostIPList* record) {
    return dorlix::Guarded(0, [&] {
        std::string host;
        std::vector<std::string> addresses;
        if (!dorlix::LocalHostIPs(host, addresses) || !record) return 0;
        const size_t nameLength = std::min(host.size(), sizeof record->hostName - 1);
        std::memcpy(record->hostName, host.data(), nameLength);
        record->hostName[nameLength] = '\0';
        int count = 0;
        for (const std::string& a : addresses) {
            if (count == 100) break;
            std::memset(record->addr[count], 0, sizeof record->addr[count]);
            std::memcpy(record->addr[count], a.data(), std::min(a.size(), sizeof record->addr[count] - 1));
            ++count;
        }
        record->count = count;
        return 1;
    });
}

DORLIX_API int DORLIX_CALL IsIPV4(const char* text) {
    return dorlix::Guarded(-1, [&] {
        if (!text) return 0;
        try {
            return dorlix::CheckIPv4(text);
        } catch (const std::bad_alloc&) {
            return -1;
        }
    });
}

DORLIX_API int DORLIX_CALL ParseIP(const char* text, int* a, int* b, int* c, int* d) {
    return dorlix::Guarded(1, [&] {
        const uint32_t address = text ? plat::ParseIPv4(text) : 0xFFFFFFFFu;
        unsigned char octets[4];
        std::memcpy(octets, &address, 4); // network order: as written
        int* outs[4] = {a, b, c, d};
        for (int i = 0; i < 4; ++i)
            if (outs[i]) *outs[i] = octets[i];
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetEtherNetStatus(int* status) {
    return dorlix::Guarded(0, [&] { return dorlix::EthernetStatus(nullptr, false, status); });
}

DORLIX_API int DORLIX_CALL GetEtherNetStatusEx(const char* address, int* status) {
    return dorlix::Guarded(0, [&] {
        if (status) *status = 0;
        return dorlix::EthernetStatus(address, true, status);
    });
}

} // extern "C"
