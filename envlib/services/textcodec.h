// Helpers shared by the text-encoding exports: the classic ASCII character
// classes (bytes 128 to 255 belong to none) and the write-back of an in-place
// result.
#pragma once
#include <cstring>
#include <string>

namespace dorlix {

inline bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline bool IsAsciiSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Value of a hexadecimal digit of either case, -1 for any other byte.
inline int HexDigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline constexpr char kUpperHex[] = "0123456789ABCDEF";

// Replaces the text in the caller's buffer with result and its NUL.
inline void WriteBack(char* text, const std::string& result) {
    std::memcpy(text, result.data(), result.size());
    text[result.size()] = '\0';
}

} // namespace dorlix
