// The parse walks the text once, without recursion: the open elements are
// the parent chain of the element last opened, so the depth of a document is
// bounded by its length, not by the stack of the calling thread.
#include "xml/xmlparse.h"

#include <cstring>

namespace dorlix {

XmlParseResult ParseXmlInPlace(char* text, std::size_t length, XmlElementPool& pool, XmlElement** root) {
    *root = nullptr;
    char* pos = text;
    char* const end = text + length;
    XmlElement* parent = nullptr; // innermost open element
    XmlElement* last = nullptr;   // last element made at the current level
    for (;;) {
        char* open = static_cast<char*>(std::memchr(pos, '<', static_cast<std::size_t>(end - pos)));
        if (!open) return XmlParseResult::Ok; // the end of the text closes what is open
        *open = '\0';
        char* tag = open + 1;
        char* close = static_cast<char*>(std::memchr(tag, '>', static_cast<std::size_t>(end - tag)));
        if (!close) return XmlParseResult::UnclosedTag;
        *close = '\0';
        pos = close + 1;

        if (*tag == '!' || *tag == '?') continue; // comments, declarations, instructions
        if (*tag == '/') {
            if (!parent) return XmlParseResult::Ok; // at top level it ends the document
            last = parent;
            parent = parent->parent;
            continue;
        }
        XmlElement* e = pool.Take();
        if (!e) return XmlParseResult::NoMemory;
        e->next = nullptr;
        e->child = nullptr;
        e->parent = parent;
        e->tag = tag;
        if (last)
            last->next = e;
        else if (parent)
            parent->child = e;
        else
            *root = e;
        if (close > tag && close[-1] == '/') {
            close[-1] = '\0';
            last = e;
        } else {
            parent = e;
            last = nullptr;
        }
    }
}

} // namespace dorlix
