// Texts between the local code page and UTF-8, in place, and the URL
// percent-encoding in either code.
#include <cstring>
#include <string>

#include "core/export.h"
#include "dorlix.h"
#include "platform/codepage.h"
#include "services/textcodec.h"

namespace dorlix {
namespace {

// A letter or digit stays, white space becomes "+", every other byte "%XX".
std::string PercentEncode(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        if (IsAsciiAlnum(c)) {
            out.push_back(static_cast<char>(c));
        } else if (IsAsciiSpace(c)) {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kUpperHex[c >> 4]);
            out.push_back(kUpperHex[c & 15]);
        }
    }
    return out;
}

// "+" is a space and "%" with two hexadecimal digits the byte they give;
// anything else, a lone "%" too, stays as it is.
std::string PercentDecode(const char* text) {
    std::string out;
    const size_t length = std::strlen(text);
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '+') {
            out.push_back(' ');
            continue;
        }
        if (c == '%' && i + 2 < length) {
            const int hi = HexDigitValue(static_cast<unsigned char>(text[i + 1]));
            const int lo = hi < 0 ? -1 : HexDigitValue(static_cast<unsigned char>(text[i + 2]));
            if (lo >= 0) {
                out.push_back(static_cast<char>(hi << 4 | lo));
                i += 2;
                continue;
            }
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string ToUtf8(const char* text) {
    return plat::LocalToUtf8(text, std::strlen(text));
}

std::string ToLocal(const std::string& utf8) {
    return plat::Utf8ToLocal(utf8.data(), utf8.size());
}

// The in-place exports that answer 1: the text replaced by transform(text).
template <class F> int Replace(char* text, F transform) {
    if (!text) return 0;
    WriteBack(text, transform(text));
    return 1;
}

} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL UTFEncode(char* text) {
    return dorlix::Guarded(0, [&] { return dorlix::Replace(text, dorlix::ToUtf8); });
}

DORLIX_API int DORLIX_CALL UTFDecode(char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        const std::string local = dorlix::ToLocal(text);
        // Every character takes no more bytes in code page 936 than in UTF-8,
        // and each byte it cannot read becomes one "?": the text never grows.
        if (local.size() > std::strlen(text)) return 0;
        dorlix::WriteBack(text, local);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL UTFEncode_UTF8(char* text) {
    return dorlix::Guarded(0, [&] { return text ? 1 : 0; });
}

DORLIX_API int DORLIX_CALL UTFDecode_UTF8(char* text) {
    return dorlix::Guarded(0, [&] { return text ? 1 : 0; });
}

DORLIX_API int DORLIX_CALL UrlUTFEncode_GB2312(char* text) {
    return dorlix::Guarded(
        0, [&] { return dorlix::Replace(text, [](const char* t) { return dorlix::PercentEncode(t); }); });
}

DORLIX_API int DORLIX_CALL UrlUTFDecode_GB2312(char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        const std::string bytes = dorlix::PercentDecode(text);
        dorlix::WriteBack(text, bytes);
        return static_cast<int>(bytes.size());
    });
}

DORLIX_API int DORLIX_CALL UrlUTFEncode_UTF8(char* text) {
    return dorlix::Guarded(0, [&] {
        return dorlix::Replace(text, [](const char* t) { return dorlix::PercentEncode(dorlix::ToUtf8(t)); });
    });
}

DORLIX_API int DORLIX_CALL UrlUTFDecode_UTF8(char* text) {
    return dorlix::Guarded(0, [&] {
        return dorlix::Replace(text, [](const char* t) { return dorlix::ToLocal(dorlix::PercentDecode(t)); });
    });
}

} // extern "C"
