// Base64 with the standard alphabet and "=" padding, no line breaks.
#include <cstdint>
#include <cstring>

#include "core/export.h"
#include "dorlix.h"

namespace dorlix {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Digit values by byte; bytes outside the alphabet (the pad included) count as 0.
struct DecodeTable {
    uint8_t value[256] = {};
    constexpr DecodeTable() {
        for (int i = 0; i < 64; ++i)
            value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<uint8_t>(i);
    }
};
constexpr DecodeTable kDecode;

// Two digits for each 12-bit value: a group of 3 bytes takes two lookups.
struct PairTable {
    char pair[4096][2] = {};
    constexpr PairTable() {
        for (int v = 0; v < 4096; ++v) {
            pair[v][0] = kAlphabet[v >> 6];
            pair[v][1] = kAlphabet[v & 63];
        }
    }
};
constexpr PairTable kPairs;

int Encode(const uint8_t* in, int length, char* out) {
    char* o = out;
    int i = 0;
    for (; i + 3 <= length; i += 3) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        std::memcpy(o, kPairs.pair[v >> 12], 2);
        std::memcpy(o + 2, kPairs.pair[v & 0xfff], 2);
        o += 4;
    }
    if (i < length) {
        const bool two = i + 1 < length;
        const uint32_t v = uint32_t(in[i]) << 16 | (two ? uint32_t(in[i + 1]) << 8 : 0);
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = two ? kAlphabet[(v >> 6) & 63] : '=';
        o[3] = '=';
        o += 4;
    }
    *o = '\0';
    return static_cast<int>(o - out);
}

int Decode(const char* text, size_t length, uint8_t* out) {
    uint8_t* o = out;
    for (size_t i = 0; i < length; i += 4) {
        const unsigned char* q = reinterpret_cast<const unsigned char*>(text + i);
        const uint32_t v = uint32_t(kDecode.value[q[0]]) << 18 | uint32_t(kDecode.value[q[1]]) << 12 |
                           uint32_t(kDecode.value[q[2]]) << 6 | kDecode.value[q[3]];
        *o++ = static_cast<uint8_t>(v >> 16);
        if (q[2] == '=') break;
        *o++ = static_cast<uint8_t>(v >> 8);
        if (q[3] == '=') break;
        *o++ = static_cast<uint8_t>(v);
    }
    return static_cast<int>(o - out);
}

} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL Base64EnCode(const void* data, int length, char* out) {
    return dorlix::Guarded(0, [&] {
        if (length <= 0) {
            if (out) *out = '\0';
            return 0;
        }
        if (!data || !out || length > (INT32_MAX / 4) * 3 - 3) return 0;
        return dorlix::Encode(static_cast<const uint8_t*>(data), length, out);
    });
}

DORLIX_API int DORLIX_CALL Base64DeCode(const char* text, void* out) {
    return dorlix::Guarded(0, [&] {
        if (!text || !out) return 0;
        const size_t length = std::strlen(text);
        if (length % 4 != 0 || length / 4 * 3 > INT32_MAX) return 0;
        return dorlix::Decode(text, length, static_cast<uint8_t*>(out));
    });
}

DORLIX_API int DORLIX_CALL GetBase64EnCodeLen(const void* /*data*/, int length) {
    return dorlix::Guarded(0, [&] {
        const int64_t digits = (int64_t(length) * 8 + 5) / 6;
        // A count an int cannot hold is no count.
        return (length <= 0 || digits > INT32_MAX) ? 0 : static_cast<int>(digits);
    });
}

DORLIX_API int DORLIX_CALL GetBase64DeCodeLen(const char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        return static_cast<int>(uint64_t(std::strlen(text)) * 6 / 8);
    });
}

} // extern "C"
