// The in-place parse of a document text into elements of a pool.
#pragma once
#include <cstddef>

#include "xml/xmlpool.h"

namespace dorlix {

enum class XmlParseResult {
    Ok,          // the text ended, or an end tag at top level ended the parse
    UnclosedTag, // a "<" without a ">" behind it
    NoMemory,    // the pool could not grow
};

// Cuts text[0..length) in place (each "<" and ">" becomes NUL, as does the
// "/" of a self-closing tag) and links one element per start tag. *root is
// the first top-level element, or null when there is none. Start tags,
// end tags, "<!...>" and "<?...>" are all the markup there is: text between
// tags is passed over, and any end tag closes the innermost open element.
// The text must be followed by a NUL at text[length].
XmlParseResult ParseXmlInPlace(char* text, std::size_t length, XmlElementPool& pool, XmlElement** root);

} // namespace dorlix
