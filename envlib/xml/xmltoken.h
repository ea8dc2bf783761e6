// Tokens of a tag text: element names, attribute names and values. Blanks,
// tabs, CR, LF and "=" separate them; a token opened by a quote runs to the
// same quote. Nothing is decoded, and the scan never leaves the tag text.
#pragma once
#include <cstddef>

namespace dorlix {

struct XmlToken {
    const char* text;
    std::size_t length;
};

// Longest value GetAttr hands out, in bytes: the caller's buffer holds
// XML_VALUE_SIZE bytes with the NUL.
constexpr std::size_t XML_VALUE_MAX = 255;
constexpr std::size_t XML_VALUE_SIZE = XML_VALUE_MAX + 1;

// Reads the token at pos (a place in a NUL-terminated tag text) and moves pos
// behind it; false, with pos at the end, when the tag text holds no more.
bool NextXmlToken(const char*& pos, XmlToken& token);
// The element name: the first token, empty when the tag text has none.
XmlToken XmlElementName(const char* tag);
// Byte-for-byte comparison of a whole token with a name, whatever their length.
bool XmlTokenIs(const XmlToken& token, const char* name);
// The length of token to copy into a value buffer: all of it up to
// XML_VALUE_MAX bytes, else cut there without splitting a double-byte character.
std::size_t XmlValueLength(const XmlToken& token);

} // namespace dorlix
