// Code page 936 and UTF-8 through iconv. Where iconv stops at a sequence it
// cannot convert, a "?" takes the place of its first byte and conversion goes
// on after it, as the Win32 calls replace what they cannot map.
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/codepage.h"

namespace plat {
namespace {

std::string Convert(const char* to, const char* from, const char* text, std::size_t length) {
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
        out.push_back('?');
        ++src;
        --left;
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
