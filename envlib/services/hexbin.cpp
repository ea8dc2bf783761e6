// Hexadecimal and binary digit texts.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/export.h"
#include "dorlix.h"
#include "services/textcodec.h"

namespace dorlix {
namespace {

// Value of a hexadecimal digit as the pairs of Hex2String read it: both cases
// of A to F work; what other bytes give is of no concern.
inline unsigned PairDigit(unsigned char k) {
    return k > 64 ? (k % 16) + 9 : k % 16;
}

void ToHex(const unsigned char* data, size_t length, char* out) {
    for (size_t i = 0; i < length; ++i) {
        out[2 * i] = kUpperHex[data[i] >> 4];
        out[2 * i + 1] = kUpperHex[data[i] & 15];
    }
    out[2 * length] = '\0';
}

int HexValue(const char* text) {
    uint32_t value = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const int d = HexDigitValue(*p);
        if (d < 0) return 0;
        value = value << 4 | static_cast<uint32_t>(d);
    }
    return static_cast<int>(value);
}

int IntToBin(int value, char* out, int widthCode) {
    if (!out) return 0;
    static constexpr int kWidths[] = {4, 8, 16, 32};
    if (widthCode < 0 || widthCode > 3) return 0;
    const int width = kWidths[widthCode];
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < width; ++i)
        out[i] = (v >> (width - 1 - i)) & 1 ? '1' : '0';
    out[width] = '\0';
    return 1;
}

} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API char* DORLIX_CALL Hex2String(const char* hex) {
    return dorlix::Guarded<char*>(nullptr, [&]() -> char* {
        if (!hex) return nullptr;
        const size_t length = std::strlen(hex);
        if (length % 2 != 0) return nullptr;
        char* out = static_cast<char*>(std::calloc(length / 2 + 1, 1));
        if (!out) return nullptr;
        const unsigned char* h = reinterpret_cast<const unsigned char*>(hex);
        for (size_t i = 0; i < length / 2; ++i)
            out[i] =
                static_cast<char>(dorlix::PairDigit(h[2 * i]) << 4 | (dorlix::PairDigit(h[2 * i + 1]) & 15));
        return out;
    });
}

DORLIX_API char* DORLIX_CALL String2Hex(const char* text) {
    return dorlix::Guarded<char*>(nullptr, [&]() -> char* {
        if (!text) return nullptr;
        const size_t length = std::strlen(text);
        char* out = static_cast<char*>(std::calloc(3 * length + 1, 1));
        if (!out) return nullptr;
        dorlix::ToHex(reinterpret_cast<const unsigned char*>(text), length, out);
        return out;
    });
}

DORLIX_API int DORLIX_CALL StrToHex(const void* data, char* out, int length) {
    return dorlix::Guarded(0, [&] {
        if (!out) return 0;
        if (!data || length <= 0 || length > INT32_MAX / 2) {
            *out = '\0';
            return 0;
        }
        dorlix::ToHex(static_cast<const unsigned char*>(data), static_cast<size_t>(length), out);
        return 2 * length;
    });
}

DORLIX_API int DORLIX_CALL HexToInt(void) {
    return 0;
}

DORLIX_API int DORLIX_CALL strHexToInt(const char* hex) {
    return dorlix::Guarded(0, [&] { return hex ? dorlix::HexValue(hex) : 0; });
}

DORLIX_API int DORLIX_CALL strBinToInt(const char* bin) {
    return dorlix::Guarded(0, [&] {
        if (!bin) return 0;
        uint32_t value = 0;
        for (const char* p = bin; *p; ++p) {
            if (*p != '0' && *p != '1') return -1;
            value = value << 1 | static_cast<uint32_t>(*p - '0');
        }
        return static_cast<int>(value);
    });
}

DORLIX_API int DORLIX_CALL strIntToBin(int value, char* out, int widthCode) {
    return dorlix::Guarded(0, [&] { return dorlix::IntToBin(value, out, widthCode); });
}

DORLIX_API int DORLIX_CALL strHexToBin(const char* hex, char* out, int widthCode) {
    return dorlix::Guarded(0,
                           [&] { return dorlix::IntToBin(hex ? dorlix::HexValue(hex) : 0, out, widthCode); });
}

} // extern "C"
