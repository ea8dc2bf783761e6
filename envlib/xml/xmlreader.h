// The library's one XML reader: a document loaded whole, walked with a
// single cursor. Shared by every caller in the process, without a lock.
#pragma once
#include <cstddef>
#include <memory>

#include "xml/xmlparse.h"
#include "xml/xmlpool.h"

namespace dorlix {

class XmlReader {
  public:
    // 0 when the file cannot be read whole (the previous document and cursor
    // stay), 1 otherwise, also when the parse failed or found no element.
    int Load(const char* winPath);
    int FindItem(const char* name);
    int IntoItem();
    int NextItem();
    int ExitItem();
    // value gets at most XML_VALUE_SIZE bytes, NUL included.
    int GetAttr(const char* name, char* value) const;

    std::size_t PoolBlocks() const { return pool_.BlockCount(); }

  private:
    // Takes text[0..length) (followed by a NUL) as the new document.
    void Adopt(std::unique_ptr<char[]> text, std::size_t length);

    std::unique_ptr<char[]> text_;
    XmlElement* cursor_ = nullptr;
    XmlElementPool pool_;
};

// The reader of the process, made when the library is loaded and released
// when it is unloaded.
XmlReader& TheXmlReader();

} // namespace dorlix
