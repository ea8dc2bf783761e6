// MD5 message digest (RFC 1321) and its text form.
#include "services/md5.h"
#include "core/export.h"
#include "dorlix.h"

#include <cstring>

namespace dorlix {

namespace {
inline uint32_t Rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t LoadLe(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One step of a round: a = b + ((a + f(b, c, d) + word + sine) <<< shift).
#define MD5_STEP(f, a, b, c, d, word, sine, shift)                                                           \
    a += f(b, c, d) + (word) + (sine);                                                                       \
    a = Rotl(a, shift) + b

// The four round functions; F and G in forms with one operation fewer.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
} // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, buffer_{} {}

// The 64 steps written out, with the sine table (floor(abs(sin(i + 1)) * 2^32))
// and the message word order of RFC 1321: a loop with a switch per step runs
// at half the speed.
void Md5::Block(const uint8_t* block) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLe(block + 4 * i);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

    MD5_STEP(MD5_F, a, b, c, d, m[0], 0xd76aa478, 7);
    MD5_STEP(MD5_F, d, a, b, c, m[1], 0xe8c7b756, 12);
    MD5_STEP(MD5_F, c, d, a, b, m[2], 0x242070db, 17);
    MD5_STEP(MD5_F, b, c, d, a, m[3], 0xc1bdceee, 22);
    MD5_STEP(MD5_F, a, b, c, d, m[4], 0xf57c0faf, 7);
    MD5_STEP(MD5_F, d, a, b, c, m[5], 0x4787c62a, 12);
    MD5_STEP(MD5_F, c, d, a, b, m[6], 0xa8304613, 17);
    MD5_STEP(MD5_F, b, c, d, a, m[7], 0xfd469501, 22);
    MD5_STEP(MD5_F, a, b, c, d, m[8], 0x698098d8, 7);
    MD5_STEP(MD5_F, d, a, b, c, m[9], 0x8b44f7af, 12);
    MD5_STEP(MD5_F, c, d, a, b, m[10], 0xffff5bb1, 17);
    MD5_STEP(MD5_F, b, c, d, a, m[11], 0x895cd7be, 22);
    MD5_STEP(MD5_F, a, b, c, d, m[12], 0x6b901122, 7);
    MD5_STEP(MD5_F, d, a, b, c, m[13], 0xfd987193, 12);
    MD5_STEP(MD5_F, c, d, a, b, m[14], 0xa679438e, 17);
    MD5_STEP(MD5_F, b, c, d, a, m[15], 0x49b40821, 22);

    MD5_STEP(MD5_G, a, b, c, d, m[1], 0xf61e2562, 5);
    MD5_STEP(MD5_G, d, a, b, c, m[6], 0xc040b340, 9);
    MD5_STEP(MD5_G, c, d, a, b, m[11], 0x265e5a51, 14);
    MD5_STEP(MD5_G, b, c, d, a, m[0], 0xe9b6c7aa, 20);
    MD5_STEP(MD5_G, a, b, c, d, m[5], 0xd62f105d, 5);
    MD5_STEP(MD5_G, d, a, b, c, m[10], 0x02441453, 9);
    MD5_STEP(MD5_G, c, d, a, b, m[15], 0xd8a1e681, 14);
    MD5_STEP(MD5_G, b, c, d, a, m[4], 0xe7d3fbc8, 20);
    MD5_STEP(MD5_G, a, b, c, d, m[9], 0x21e1cde6, 5);
    MD5_STEP(MD5_G, d, a, b, c, m[14], 0xc33707d6, 9);
    MD5_STEP(MD5_G, c, d, a, b, m[3], 0xf4d50d87, 14);
    MD5_STEP(MD5_G, b, c, d, a, m[8], 0x455a14ed, 20);
    MD5_STEP(MD5_G, a, b, c, d, m[13], 0xa9e3e905, 5);
    MD5_STEP(MD5_G, d, a, b, c, m[2], 0xfcefa3f8, 9);
    MD5_STEP(MD5_G, c, d, a, b, m[7], 0x676f02d9, 14);
    MD5_STEP(MD5_G, b, c, d, a, m[12], 0x8d2a4c8a, 20);

    MD5_STEP(MD5_H, a, b, c, d, m[5], 0xfffa3942, 4);
    MD5_STEP(MD5_H, d, a, b, c, m[8], 0x8771f681, 11);
    MD5_STEP(MD5_H, c, d, a, b, m[11], 0x6d9d6122, 16);
    MD5_STEP(MD5_H, b, c, d, a, m[14], 0xfde5380c, 23);
    MD5_STEP(MD5_H, a, b, c, d, m[1], 0xa4beea44, 4);
    MD5_STEP(MD5_H, d, a, b, c, m[4], 0x4bdecfa9, 11);
    MD5_STEP(MD5_H, c, d, a, b, m[7], 0xf6bb4b60, 16);
    MD5_STEP(MD5_H, b, c, d, a, m[10], 0xbebfbc70, 23);
    MD5_STEP(MD5_H, a, b, c, d, m[13], 0x289b7ec6, 4);
    MD5_STEP(MD5_H, d, a, b, c, m[0], 0xeaa127fa, 11);
    MD5_STEP(MD5_H, c, d, a, b, m[3], 0xd4ef3085, 16);
    MD5_STEP(MD5_H, b, c, d, a, m[6], 0x04881d05, 23);
    MD5_STEP(MD5_H, a, b, c, d, m[9], 0xd9d4d039, 4);
    MD5_STEP(MD5_H, d, a, b, c, m[12], 0xe6db99e5, 11);
    MD5_STEP(MD5_H, c, d, a, b, m[15], 0x1fa27cf8, 16);
    MD5_STEP(MD5_H, b, c, d, a, m[2], 0xc4ac5665, 23);

    MD5_STEP(MD5_I, a, b, c, d, m[0], 0xf4292244, 6);
    MD5_STEP(MD5_I, d, a, b, c, m[7], 0x432aff97, 10);
    MD5_STEP(MD5_I, c, d, a, b, m[14], 0xab9423a7, 15);
    MD5_STEP(MD5_I, b, c, d, a, m[5], 0xfc93a039, 21);
    MD5_STEP(MD5_I, a, b, c, d, m[12], 0x655b59c3, 6);
    MD5_STEP(MD5_I, d, a, b, c, m[3], 0x8f0ccc92, 10);
    MD5_STEP(MD5_I, c, d, a, b, m[10], 0xffeff47d, 15);
    MD5_STEP(MD5_I, b, c, d, a, m[1], 0x85845dd1, 21);
    MD5_STEP(MD5_I, a, b, c, d, m[8], 0x6fa87e4f, 6);
    MD5_STEP(MD5_I, d, a, b, c, m[15], 0xfe2ce6e0, 10);
    MD5_STEP(MD5_I, c, d, a, b, m[6], 0xa3014314, 15);
    MD5_STEP(MD5_I, b, c, d, a, m[13], 0x4e0811a1, 21);
    MD5_STEP(MD5_I, a, b, c, d, m[4], 0xf7537e82, 6);
    MD5_STEP(MD5_I, d, a, b, c, m[11], 0xbd3af235, 10);
    MD5_STEP(MD5_I, c, d, a, b, m[2], 0x2ad7d2bb, 15);
    MD5_STEP(MD5_I, b, c, d, a, m[9], 0xeb86d391, 21);

    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

void Md5::Update(const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    length_ += length;
    if (used_ > 0) {
        size_t take = sizeof buffer_ - used_;
        if (take > length) take = length;
        memcpy(buffer_ + used_, p, take);
        used_ += take;
        p += take;
        length -= take;
        if (used_ < sizeof buffer_) return;
        Block(buffer_);
        used_ = 0;
    }
    // Whole blocks straight from the caller's bytes.
    for (; length >= sizeof buffer_; p += sizeof buffer_, length -= sizeof buffer_)
        Block(p);
    memcpy(buffer_, p, length);
    used_ = length;
}

void Md5::Final(uint8_t digest[16]) {
    uint64_t bits = length_ * 8;
    static const uint8_t pad[64] = {0x80};
    size_t padLen = (used_ < 56) ? 56 - used_ : 120 - used_;
    Update(pad, padLen);
    uint8_t tail[8];
    for (int i = 0; i < 8; ++i)
        tail[i] = uint8_t(bits >> (8 * i));
    Update(tail, 8);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k)
            digest[i * 4 + k] = uint8_t(state_[i] >> (8 * k));
}

void Md5HexFinal(Md5& md5, char out[33]) {
    static const char hex[] = "0123456789abcdef";
    uint8_t digest[16];
    md5.Final(digest);
    for (int i = 0; i < 16; ++i) {
        out[i * 2] = hex[digest[i] >> 4];
        out[i * 2 + 1] = hex[digest[i] & 0x0f];
    }
    out[32] = '\0';
}

void Md5Hex(const void* data, size_t length, char out[33]) {
    Md5 md5;
    md5.Update(data, length);
    Md5HexFinal(md5, out);
}

} // namespace dorlix

extern "C" DORLIX_API int DORLIX_CALL GetMD5Code(const char* data, int length, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!data || !out || length < 0) return 0;
        dorlix::Md5Hex(data, static_cast<size_t>(length), out);
        return 1;
    });
}
