// The digit code of fixed message formats: digits as the letters A to J and
// a checksum after "&" (123 is "BCD&150").
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/export.h"
#include "dorlix.h"

namespace dorlix {
namespace {

// Longest text either direction takes.
constexpr size_t kMaxText = 500;

// Sum of the character codes of the digits, modulo 256.
int Checksum(const std::string& digits) {
    unsigned sum = 0;
    for (unsigned char c : digits)
        sum += c;
    return static_cast<int>(sum % 256);
}

void Encode(const char* text, char* out) {
    const size_t length = std::strlen(text);
    std::string digits(text, length);
    bool allDigits = length > 0;
    for (char c : digits)
        allDigits = allDigits && c >= '0' && c <= '9';
    if (!allDigits) {
        std::memcpy(out, text, length + 1);
        return;
    }
    std::string code;
    for (char c : digits)
        code.push_back(static_cast<char>('A' + (c - '0')));
    code += "&" + std::to_string(Checksum(digits));
    std::memcpy(out, code.c_str(), code.size() + 1);
}

int Decode(const char* text, char* out) {
    const size_t length = std::strlen(text);
    std::string decoded(length, '\0'); // NUL where a position held no letter
    std::string checksum;
    long marker = -1;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '&') {
            marker = static_cast<long>(i);
            checksum.clear();
        } else if (c >= 'A' && c <= 'J') {
            decoded[i] = static_cast<char>('0' + (c - 'A'));
        } else if (marker >= 0) {
            checksum.push_back(c);
        }
    }
    if (marker <= 0) {
        std::memcpy(out, text, length + 1);
        return 0;
    }
    const std::string digits = decoded.substr(0, decoded.find('\0'));
    if (digits.empty() || Checksum(digits) != std::atoi(checksum.c_str())) {
        std::memcpy(out, text, length + 1);
        return -1;
    }
    std::memcpy(out, digits.c_str(), digits.size() + 1);
    return 1;
}

} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL EnCodeDigital(const char* text, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!text || !out || std::strlen(text) > dorlix::kMaxText) return 0;
        dorlix::Encode(text, out);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL DeCodeDigital(const char* text, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!text || !out || std::strlen(text) > dorlix::kMaxText) return 0;
        return dorlix::Decode(text, out);
    });
}

} // extern "C"
