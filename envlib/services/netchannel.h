// The UDP data channel between station PCs (OpenNet, SendNetData, ...) and
// the pieces of it that other services and tests use directly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace dorlix {
namespace netchannel {

constexpr int CHANNEL_COUNT = 100;
// Header (markers, length, sender text and port) plus tail of a framed block.
constexpr int FRAME_HEAD_SIZE = 28;
constexpr int FRAME_OVERHEAD = 32;
constexpr char HEAD_MARKER[] = "!@#$";
constexpr char TAIL_MARKER[] = ")(*&";
// No datagram is longer: receive buffers need not be.
constexpr int MAX_DATAGRAM = 65535;

// Where a send goes: "all" (any case) is the limited broadcast address, any
// other text a dotted address, null 0.0.0.0. Network byte order. false for a
// text that is no address: such a send fails rather than go to everyone.
bool TargetAddress(const char* text, uint32_t& address);
// The framed block of a payload, sent from the address text (at most 15
// characters kept) and port.
std::vector<char> BuildFrame(const std::string& sender, int port, const void* data, int length);
// Finds the framed block in n received bytes: the offset and length of its
// payload, false when the bytes are no valid framed block.
bool FindFrame(const char* bytes, int n, int& payloadOffset, int& payloadLength);

// ReadNetData and CloseNet for the log exports.
int ReadFramed(int index, void* buffer, int size);
int Close(int index);

} // namespace netchannel

// The first local IPv4 address text and the host name, as GetHostIP reports
// them (netutil.cpp). false when the host name does not resolve.
bool LocalHostIPs(std::string& hostName, std::vector<std::string>& addresses);

} // namespace dorlix
