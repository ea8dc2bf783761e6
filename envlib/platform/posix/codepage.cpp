// Code page 936 and UTF-8 through iconv. Where iconv stops at a sequence it
// cannot convert, a "?" takes the place of its first byte and conversion goes
// on after it, as the Win32 calls replace what they cannot map. A well-formed
// UTF-8 character that code page 936 lacks is replaced whole, as Windows does
// it through UTF-16: one "?", two for a character beyond U+FFFF.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/codepage.h"

namespace plat {
namespace {

// Length of the well-formed UTF-8 character at p (of left bytes), 0 when the
// bytes there are none.
std::size_t Utf8CharLength(const unsigned char* p, std::size_t left) {
    std::size_t n;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        n = 2;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        n = 3;
        if (p[0] == 0xE0) low = 0xA0;  // no overlong forms
        if (p[0] == 0xED) high = 0x9F; // no surrogates
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        n = 4;
        if (p[0] == 0xF0) low = 0x90;
        if (p[0] == 0xF4) high = 0x8F; // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (left < n || p[1] < low || p[1] > high) return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    }
    return n;
}

std::string Convert(const char* to, const char* from, const char* text, std::size_t length) {
    const bool fromUtf8 = std::strcmp(from, "UTF-8") == 0;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
    std::string out;
    out.reserve(length + length / 2 + 4);
    char* src = const_cast<char*>(text);
    std::size_t left = length;
    char chunk[4096];
    while (left > 0) {
        char* dst = chunk;
        std::size_t room = sizeof chunk;
        std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(chunk, static_cast<std::size_t>(dst - chunk));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ (not a character, or none in the target) or EINVAL (cut at the end).
        const std::size_t whole =
            fromUtf8 ? Utf8CharLength(reinterpret_cast<const unsigned char*>(src), left) : 0;
        out.append(whole == 4 ? 2 : 1, '?');
        const std::size_t skip = whole ? whole : 1;
        src += skip;
        left -= skip;
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string LocalToUtf8(const char* text, std::size_t length) {
    return Convert("UTF-8", "CP936", text, length);
}

std::string Utf8ToLocal(const char* text, std::size_t length) {
    return Convert("CP936", "UTF-8", text, length);
}

} // namespace plat
