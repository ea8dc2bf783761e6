// The token scan of a tag text, and the bounded copy of a value.
#include "xml/xmltoken.h"

#include <cstring>

namespace dorlix {
namespace {
bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '=';
}
} // namespace

bool NextXmlToken(const char*& pos, XmlToken& token) {
    const char* p = pos;
    while (IsSeparator(*p))
        ++p;
    if (*p == '\0') {
        pos = p;
        return false;
    }
    if (*p == '"' || *p == '\'') {
        const char quote = *p++;
        const char* end = p;
        while (*end && *end != quote)
            ++end;
        token = {p, static_cast<std::size_t>(end - p)};
        pos = *end ? end + 1 : end;
        return true;
    }
    const char* end = p;
    while (*end && !IsSeparator(*end))
        ++end;
    token = {p, static_cast<std::size_t>(end - p)};
    pos = *end ? end + 1 : end;
    return true;
}

XmlToken XmlElementName(const char* tag) {
    XmlToken name{tag, 0};
    NextXmlToken(tag, name);
    return name;
}

bool XmlTokenIs(const XmlToken& token, const char* name) {
    return std::strlen(name) == token.length && std::memcmp(token.text, name, token.length) == 0;
}

std::size_t XmlValueLength(const XmlToken& token) {
    if (token.length <= XML_VALUE_MAX) return token.length;
    // GB2312 and GBK: a byte from 0x81 on leads a two-byte character.
    std::size_t n = 0;
    while (n < XML_VALUE_MAX) {
        const std::size_t step = static_cast<unsigned char>(token.text[n]) >= 0x81 ? 2 : 1;
        if (n + step > XML_VALUE_MAX) break;
        n += step;
    }
    return n;
}

} // namespace dorlix
