// The ICMP echo request of the echo test (Ping), for the tests.
#pragma once
#include <cstddef>
#include <cstdint>

namespace dorlix {
namespace echo {
constexpr size_t REQUEST_SIZE = 45;
// RFC 1071 one's-complement sum of bytes, as the checksum field holds it.
uint16_t InternetChecksum(const unsigned char* bytes, size_t n);
// Type 8, code 0, checksum, identifier and sequence, a zero byte, the tick
// count and the 32 bytes 0x20..0x3F.
void BuildRequest(unsigned char* out, uint16_t identifier, uint16_t sequence, uint32_t tick);
} // namespace echo
} // namespace dorlix
