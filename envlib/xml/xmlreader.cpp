// The reader of the process: the whole-file load and the walk with one cursor.
#include "xml/xmlreader.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/platform.h"
#include "xml/xmltoken.h"

namespace dorlix {
namespace {

XmlReader g_reader;

// The whole file and a NUL behind it; false when it cannot be opened, read,
// or held in memory.
bool ReadWhole(const char* winPath, std::unique_ptr<char[]>& text, std::size_t& length) {
    // A folder opens for reading on POSIX, with a meaningless length.
    if (plat::DirectoryExists(winPath)) return false;
    const std::string native = plat::MapPath(winPath);
    std::FILE* file = std::fopen(native.c_str(), "rb");
    if (!file) return false;
    bool ok = false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        text.reset(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]);
        if (text) {
            length = std::fread(text.get(), 1, static_cast<std::size_t>(size), file);
            text[length] = '\0';
            ok = !std::ferror(file);
        }
    }
    std::fclose(file);
    return ok;
}

} // namespace

XmlReader& TheXmlReader() {
    return g_reader;
}

int XmlReader::Load(const char* winPath) {
    if (!winPath) return 0;
    std::unique_ptr<char[]> text;
    std::size_t length = 0;
    if (!ReadWhole(winPath, text, length)) return 0;
    Adopt(std::move(text), length);
    return 1;
}

void XmlReader::Adopt(std::unique_ptr<char[]> text, std::size_t length) {
    cursor_ = nullptr;
    pool_.Reset();
    text_ = std::move(text);
    if (length == 0) return;
    XmlElement* root = nullptr;
    // A failed parse leaves no document to walk, though its elements were made.
    if (ParseXmlInPlace(text_.get(), length, pool_, &root) == XmlParseResult::Ok) cursor_ = root;
}

int XmlReader::FindItem(const char* name) {
    if (!name) return 0;
    while (cursor_ && !XmlTokenIs(XmlElementName(cursor_->tag), name))
        cursor_ = cursor_->next;
    return cursor_ ? 1 : 0;
}

int XmlReader::IntoItem() {
    if (!cursor_ || !cursor_->child) return 0;
    cursor_ = cursor_->child;
    return 1;
}

int XmlReader::NextItem() {
    if (!cursor_ || !cursor_->next) return 0;
    cursor_ = cursor_->next;
    return 1;
}

int XmlReader::ExitItem() {
    if (cursor_) cursor_ = cursor_->parent;
    return 1;
}

int XmlReader::GetAttr(const char* name, char* value) const {
    if (!cursor_ || !name || !value) return 0;
    const char* pos = cursor_->tag;
    XmlToken token;
    while (NextXmlToken(pos, token)) {
        if (!XmlTokenIs(token, name)) continue;
        // A name that ends the tag text has an empty value.
        XmlToken v{pos, 0};
        NextXmlToken(pos, v);
        const std::size_t n = XmlValueLength(v);
        std::memcpy(value, v.text, n);
        value[n] = '\0';
        return 1;
    }
    return 0;
}

} // namespace dorlix
