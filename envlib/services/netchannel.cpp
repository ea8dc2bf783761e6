// The UDP data channel: 100 numbered sockets that a station program opens on
// a local address and port, sends blocks from (framed or plain) and polls
// without blocking. Each channel is driven by one thread at a time; opening
// and closing take a lock, because they share the socket-library state.
#include "services/netchannel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include "core/export.h"
#include "core/lasting.h"
#include "core/lifecycle.h"
#include "dorlix.h"
#include "platform/net.h"

namespace dorlix {
namespace netchannel {
namespace {

struct Channel {
    std::atomic<int> open{0};
    plat::SocketHandle socket = plat::INVALID_SOCKET_HANDLE;
    int port = 0;
};

struct State {
    Channel channels[CHANNEL_COUNT];
    plat::CriticalSection lock; // open, close and the fields below
    bool held = false;          // the open channels hold a reference on the socket library
    char localText[16] = {};    // the sender address of framed blocks
};

State& Table() {
    static Lasting<State> state;
    return *state;
}

bool ValidIndex(int index) {
    return index >= 0 && index < CHANNEL_COUNT;
}

Channel* OpenChannel(int index) {
    if (!ValidIndex(index)) return nullptr;
    Channel& c = Table().channels[index];
    return c.open.load() ? &c : nullptr;
}

bool AnyOpen() {
    for (const Channel& c : Table().channels)
        if (c.open.load()) return true;
    return false;
}

void PutInt(char* at, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

int32_t GetInt(const char* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    return static_cast<int32_t>(v);
}

// First occurrence of a four-byte marker in bytes[0, n), or -1.
int Find(const char* bytes, int n, const char* marker) {
    for (int i = 0; i + 4 <= n; ++i)
        if (std::memcmp(bytes + i, marker, 4) == 0) return i;
    return -1;
}

// Starts the socket library for the channels when none is open yet.
void StartForChannels(State& st) {
    if (AnyOpen()) return;
    st.held = plat::StartSockets();
    std::string host;
    std::vector<std::string> addresses;
    std::memset(st.localText, 0, sizeof st.localText);
    if (LocalHostIPs(host, addresses) && !addresses.empty())
        std::memcpy(st.localText, addresses[0].data(), std::min<size_t>(addresses[0].size(), 15));
}

void ReleaseIfIdle(State& st) {
    if (AnyOpen()) return;
    // Only a reference taken here is given back: Ping and ScanPort hold their own.
    if (st.held) plat::StopSockets();
    st.held = false;
}

int Send(int index, const char* target, int port, const void* data, int length, bool framed) {
    if (!data) return 0;
    Channel* c = OpenChannel(index);
    if (!c) return -1;
    uint32_t address;
    // A target that is no address, a negative length or one no datagram can
    // carry cannot be sent.
    if (!TargetAddress(target, address) || length < 0 || length > MAX_DATAGRAM) return -3;
    std::vector<char> frame;
    const char* bytes = static_cast<const char*>(data);
    int total = length;
    if (framed) {
        std::string sender;
        {
            std::lock_guard<plat::CriticalSection> guard(Table().lock);
            sender = Table().localText;
        }
        try {
            frame = BuildFrame(sender, c->port, data, length);
        } catch (const std::bad_alloc&) {
            return -2;
        }
        bytes = frame.data();
        total = static_cast<int>(frame.size());
    }
    int sent = 0;
    do {
        const int n =
            plat::SendDatagram(c->socket, bytes + sent, total - sent, address, static_cast<uint16_t>(port));
        if (n < 0 || (n == 0 && total > 0)) return -3;
        plat::Sleep(1);
        sent += n;
    } while (sent < total);
    plat::Sleep(1);
    return framed ? sent : length;
}

// Polls the channel for 1 ms and takes one datagram into work (cut to its
// size). Result: the bytes taken, or the export's result when none was.
int Receive(int index, void* buffer, int size, std::vector<char>& work, bool& got) {
    got = false;
    if (!buffer) return -4;
    Channel* c = OpenChannel(index);
    if (!c) return -1;
    const int ready = plat::WaitReadable(c->socket, 1000);
    if (ready < 0) return -2;
    if (ready == 0) return 0;
    // The caller's size plus 1024, no more than a datagram can need.
    const int capacity = std::min(std::max(size, 0), MAX_DATAGRAM) + 1024;
    work.assign(static_cast<size_t>(capacity), '\0');
    const int n = plat::ReceiveDatagram(c->socket, work.data(), capacity);
    if (n < 0) return -3;
    got = n > 0;
    return n;
}

} // namespace

bool TargetAddress(const char* text, uint32_t& address) {
    address = 0;
    if (!text) return true;
    address = 0xFFFFFFFFu;
    if ((text[0] == 'a' || text[0] == 'A') && (text[1] == 'l' || text[1] == 'L') &&
        (text[2] == 'l' || text[2] == 'L') && text[3] == '\0')
        return true;
    address = plat::ParseIPv4(text);
    // inet_addr answers an unparsable text with the broadcast address itself.
    return address != 0xFFFFFFFFu || std::strcmp(text, "255.255.255.255") == 0;
}

std::vector<char> BuildFrame(const std::string& sender, int port, const void* data, int length) {
    std::vector<char> frame(static_cast<size_t>(length) + FRAME_OVERHEAD, '\0');
    std::memcpy(frame.data(), HEAD_MARKER, 4);
    PutInt(frame.data() + 4, length);
    std::memcpy(frame.data() + 8, sender.data(), std::min<size_t>(sender.size(), 15));
    PutInt(frame.data() + 24, port);
    if (length > 0) std::memcpy(frame.data() + FRAME_HEAD_SIZE, data, static_cast<size_t>(length));
    std::memcpy(frame.data() + FRAME_HEAD_SIZE + length, TAIL_MARKER, 4);
    return frame;
}

bool FindFrame(const char* bytes, int n, int& payloadOffset, int& payloadLength) {
    const int head = Find(bytes, n, HEAD_MARKER);
    const int tail = Find(bytes, n, TAIL_MARKER);
    // The markers share no character, so a tail after the head leaves room for the length.
    if (head < 0 || tail < 0 || tail <= head) return false;
    const int32_t length = GetInt(bytes + head + 4);
    if (static_cast<int64_t>(tail) - head != static_cast<int64_t>(length) + FRAME_HEAD_SIZE) return false;
    payloadOffset = head + FRAME_HEAD_SIZE;
    payloadLength = length;
    return true;
}

int ReadFramed(int index, void* buffer, int size) {
    std::vector<char> work;
    bool got;
    const int n = Receive(index, buffer, size, work, got);
    if (!got) return n;
    int offset, length;
    if (!FindFrame(work.data(), n, offset, length)) return n;
    // The payload, then zero bytes up to the received length, as far as the buffer goes.
    const int copy = std::min(std::max(size, 0), n);
    const int payload = std::min(length, copy);
    char* out = static_cast<char*>(buffer);
    std::memcpy(out, work.data() + offset, static_cast<size_t>(payload));
    std::memset(out + payload, 0, static_cast<size_t>(copy - payload));
    return length;
}

int Close(int index) {
    State& st = Table();
    std::lock_guard<plat::CriticalSection> guard(st.lock);
    if (ValidIndex(index)) {
        Channel& c = st.channels[index];
        if (c.open.load()) {
            c.open.store(0);
            plat::CloseSocket(c.socket);
            c.socket = plat::INVALID_SOCKET_HANDLE;
        }
    }
    ReleaseIfIdle(st);
    return 1;
}

} // namespace netchannel

// Channels still open at unload are closed. The socket library is left to
// the process: WSACleanup must not run inside DllMain.
void NetDetach(DetachKind how) {
    if (how != DetachKind::Unload) return;
    for (netchannel::Channel& c : netchannel::Table().channels) {
        if (c.open.exchange(0)) {
            plat::CloseSocket(c.socket);
            c.socket = plat::INVALID_SOCKET_HANDLE;
        }
    }
}

} // namespace dorlix

using namespace dorlix::netchannel;

extern "C" {

DORLIX_API int DORLIX_CALL OpenNet(int index, const char* address, int port, int broadcast) {
    return dorlix::Guarded(0, [&] {
        if (!ValidIndex(index)) return 0;
        State& st = Table();
        std::lock_guard<plat::CriticalSection> guard(st.lock);
        Channel& c = st.channels[index];
        if (c.open.load()) return 2;
        StartForChannels(st);
        c.port = port;
        const uint32_t local = address ? plat::ParseIPv4(address) : 0;
        // Failures up to the bind are not reported: sends and receives report their own.
        c.socket = plat::OpenUdpSocket();
        if (broadcast) plat::SetReuseAddress(c.socket);
        plat::SetSocketTimeouts(c.socket, 1000);
        plat::BindSocket(c.socket, local, static_cast<uint16_t>(port));
        plat::SetNonBlocking(c.socket);
        c.open.store(1);
        if (broadcast && !plat::SetBroadcast(c.socket)) {
            const int error = plat::LastSocketError();
            plat::CloseSocket(c.socket);
            c.socket = plat::INVALID_SOCKET_HANDLE;
            c.open.store(0);
            ReleaseIfIdle(st);
            errno = error;
            return -3;
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL CloseNet(int index) {
    return dorlix::Guarded(1, [&] { return Close(index); });
}

DORLIX_API int DORLIX_CALL SendNetData(int index, const char* target, int port, const void* data,
                                       int length) {
    return dorlix::Guarded(-3, [&] { return Send(index, target, port, data, length, true); });
}

DORLIX_API int DORLIX_CALL SendNetDataDir(int index, const char* target, int port, const void* data,
                                          int length) {
    return dorlix::Guarded(-3, [&] { return Send(index, target, port, data, length, false); });
}

DORLIX_API int DORLIX_CALL ReadNetData(int index, void* buffer, int size) {
    return dorlix::Guarded(-3, [&] { return ReadFramed(index, buffer, size); });
}

DORLIX_API int DORLIX_CALL ReadNetDataDir(int index, void* buffer, int size) {
    return dorlix::Guarded(-3, [&] {
        std::vector<char> work;
        bool got;
        const int n = Receive(index, buffer, size, work, got);
        if (!got) return n;
        std::memcpy(buffer, work.data(), static_cast<size_t>(std::min(std::max(size, 0), n)));
        return n;
    });
}

} // extern "C"
