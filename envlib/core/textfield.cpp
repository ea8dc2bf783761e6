// Small text helpers shared by the library and its hosts: fields, trimming,
// number recognition and shortening for display. All work byte-wise on
// GB2312 texts; separators and trimmed characters are single bytes.
#include "core/textfield.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "core/export.h"
#include "dorlix.h"

namespace dorlix {
namespace {
// Bounds of field n: [begin, end) inside text, or false when it does not exist.
bool FieldBounds(const char* text, int n, char sep, const char*& begin, const char*& end) {
    if (n < 0) return false;
    const char* p = text;
    for (int i = 0; i < n; ++i) {
        p = std::strchr(p, sep);
        if (!p || sep == '\0') return false;
        ++p;
    }
    begin = p;
    end = std::strchr(p, sep);
    if (!end || sep == '\0') end = p + std::strlen(p);
    return true;
}

int Field(const char* text, char* out, int n, char sep) {
    if (!text || !out) return 0;
    const char *b, *e;
    if (!FieldBounds(text, n, sep, b, e)) {
        out[0] = '\0';
        return 0;
    }
    // memmove: a caller may cut a field of a text into the same buffer.
    std::memmove(out, b, static_cast<size_t>(e - b));
    out[e - b] = '\0';
    return 1;
}
} // namespace

int CutField(const char* text, char* out, size_t outSize, int n, char sep) {
    if (!text || !out || outSize == 0) return 0;
    const char *b, *e;
    if (!FieldBounds(text, n, sep, b, e)) {
        out[0] = '\0';
        return 0;
    }
    size_t len = static_cast<size_t>(e - b);
    if (len >= outSize) len = outSize - 1;
    std::memmove(out, b, len);
    out[len] = '\0';
    return 1;
}
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL GetField(const char* text, char* out, int n) {
    return dorlix::Guarded(0, [&] { return dorlix::Field(text, out, n, ','); });
}

DORLIX_API int DORLIX_CALL GetField2(const char* text, char* out, int n, char sep) {
    return dorlix::Guarded(0, [&] { return dorlix::Field(text, out, n, sep); });
}

DORLIX_API int DORLIX_CALL TrimLeft(char* text, char ch) {
    return dorlix::Guarded(0, [&] {
        if (!text || !*text) return 0;
        size_t skip = 0;
        while (text[skip] && text[skip] == ch)
            ++skip;
        if (skip) std::memmove(text, text + skip, std::strlen(text + skip) + 1);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL TrimRight(char* text, char ch) {
    return dorlix::Guarded(0, [&] {
        if (!text || !*text) return 0;
        size_t len = std::strlen(text);
        while (len > 0 && text[len - 1] == ch)
            text[--len] = '\0';
        return 1;
    });
}

DORLIX_API int DORLIX_CALL RemoveLastChar(char* text, char ch) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        size_t len = std::strlen(text);
        if (len == 0) return -1;
        if (text[len - 1] == ch) text[len - 1] = '\0';
        return 1;
    });
}

DORLIX_API int DORLIX_CALL IsDigital(const char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        size_t len = std::strlen(text);
        if (len > 500) return -2;
        size_t b = 0, e = len;
        while (b < e && text[b] == ' ')
            ++b;
        while (e > b && text[e - 1] == ' ')
            --e;
        if (b == e) return 0;
        auto digit = [](char c) { return c >= '0' && c <= '9'; };
        char first = text[b];
        if (!digit(first) && first != '-' && first != '+' && first != '.') return 0;
        int dots = first == '.' ? 1 : 0;
        for (size_t i = b + 1; i < e; ++i) {
            if (text[i] == '.')
                ++dots;
            else if (!digit(text[i]))
                return 0;
        }
        return dots <= 1 ? 1 : 0;
    });
}

DORLIX_API int DORLIX_CALL GetNumricFromString(const char* text, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!text || !out) return 0;
        auto digit = [](char c) { return c >= '0' && c <= '9'; };
        const char* p = text;
        // Everything before the first digit or sign is dropped, dots included.
        while (*p && !digit(*p) && *p != '-' && *p != '+')
            ++p;
        std::string number;
        if (*p) {
            number.push_back(*p++);
            bool dot = false;
            for (; *p; ++p) {
                if (digit(*p)) {
                    number.push_back(*p);
                } else if (*p == '.' && !dot) {
                    dot = true;
                    number.push_back(*p);
                } else {
                    break;
                }
            }
        }
        std::memcpy(out, number.c_str(), number.size() + 1);
        return static_cast<int>(number.size());
    });
}

DORLIX_API int DORLIX_CALL MakeByPassString(char* text, int width) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        long len = static_cast<long>(std::strlen(text));
        if (len < 2) return -1;
        if (len <= width) return -2;
        // Walk whole characters; a double-byte character is never split.
        long pos = 0;
        const unsigned char* u = reinterpret_cast<const unsigned char*>(text);
        while (pos < static_cast<long>(width) - 3 && pos < len) {
            pos += ((u[pos] & 0x80) && (u[pos + 1] & 0x80)) ? 2 : 1;
        }
        if (pos >= width) return 0;
        std::memset(text + pos, '.', static_cast<size_t>(width - pos));
        std::memset(text + width, '\0', static_cast<size_t>(len - width));
        return 1;
    });
}

} // extern "C"
