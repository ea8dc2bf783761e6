// Escapes in place: line breaks as "\n" and "\r", and the XML entities.
#include <cstring>
#include <string>

#include "core/export.h"
#include "dorlix.h"
#include "services/textcodec.h"

namespace dorlix {
namespace {

// The line-break escapes work in a buffer of this many result bytes.
constexpr size_t kEscWork = 1024;
// EscapeXML's work buffer is the text's length plus this, its NUL included.
constexpr size_t kXmlGrowth = 500;

struct Entity {
    char ch;
    const char* text;
};
// In this order: the unescape takes them one after the other.
constexpr Entity kEntities[] = {{'<', "&lt;"},    {'>', "&gt;"},   {'&', "&amp;"},
                                {'\'', "&apos;"}, {'"', "&quot;"}, {'#', "&#35;"}};

const char* EntityOf(char c) {
    for (const Entity& e : kEntities)
        if (e.ch == c) return e.text;
    return nullptr;
}

// -1 for a text or a result beyond the work buffer (the text stays).
int EscapeBreaks(char* text) {
    const size_t length = std::strlen(text);
    if (length > kEscWork) return -1;
    std::string out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n')
            out += "\\n";
        else if (text[i] == '\r')
            out += "\\r";
        else
            out.push_back(text[i]);
    }
    if (out.size() > kEscWork) return -1;
    if (!out.empty()) WriteBack(text, out);
    return static_cast<int>(out.size());
}

int UnescapeBreaks(char* text) {
    const size_t length = std::strlen(text);
    if (length > kEscWork) return -1;
    size_t o = 0;
    for (size_t i = 0; i < length; ++i) {
        const char next = i + 1 < length ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == 'n' || next == 'N')) {
            text[o++] = '\n';
            ++i;
        } else if (text[i] == '\\' && (next == 'r' || next == 'R')) {
            text[o++] = '\r';
            ++i;
        } else {
            text[o++] = text[i];
        }
    }
    text[o] = '\0';
    return static_cast<int>(o);
}

// 0 when the result would not fit the work buffer (the text stays).
int EscapeEntities(char* text) {
    const size_t length = std::strlen(text);
    std::string out;
    out.reserve(length + length / 4);
    for (size_t i = 0; i < length; ++i) {
        if (const char* e = EntityOf(text[i]))
            out += e;
        else
            out.push_back(text[i]);
    }
    if (out.size() + 1 > length + kXmlGrowth) return 0;
    WriteBack(text, out);
    return 1;
}

// Each entity in table order: its first occurrence becomes the character and
// the search goes on, until it no longer occurs. A replacement can only make
// a new occurrence that reaches the replaced character, so the search resumes
// just before it, which finds what a search from the start would.
void UnescapeEntities(char* text) {
    std::string s(text);
    for (const Entity& e : kEntities) {
        const size_t n = std::strlen(e.text);
        size_t from = 0;
        for (size_t at; (at = s.find(e.text, from)) != std::string::npos;) {
            s.replace(at, n, 1, e.ch);
            from = at >= n - 1 ? at - (n - 1) : 0;
        }
    }
    WriteBack(text, s);
}

} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL EnCodeESC(char* text) {
    return dorlix::Guarded(0, [&] { return text ? dorlix::EscapeBreaks(text) : 0; });
}

DORLIX_API int DORLIX_CALL DeCodeESC(char* text) {
    return dorlix::Guarded(0, [&] { return text ? dorlix::UnescapeBreaks(text) : 0; });
}

DORLIX_API int DORLIX_CALL EscapeXML(char* text) {
    return dorlix::Guarded(0, [&] { return text ? dorlix::EscapeEntities(text) : 0; });
}

DORLIX_API int DORLIX_CALL XMLEscape(char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        dorlix::UnescapeEntities(text);
        return 1;
    });
}

} // extern "C"
