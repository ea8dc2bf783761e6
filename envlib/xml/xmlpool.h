// The elements of a loaded document and the pool they come from. Elements
// point into the document text and are handed out from blocks of 1024 that
// stay with the pool and serve every later document again.
#pragma once
#include <cstddef>

namespace dorlix {

struct XmlElement {
    XmlElement* next;   // next sibling, null for the last child
    XmlElement* child;  // first child, null for a leaf
    XmlElement* parent; // null for a top-level element
    char* tag;          // text between "<" and ">", cut in place; first token is the name
};

struct XmlElementBlock {
    static constexpr int SIZE = 1024;
    int free;              // elements still to hand out, taken from the end
    XmlElementBlock* next; // next block of the chain
    XmlElement elements[SIZE];
};

class XmlElementPool {
  public:
    XmlElementPool(); // one empty block
    ~XmlElementPool();
    XmlElementPool(const XmlElementPool&) = delete;
    XmlElementPool& operator=(const XmlElementPool&) = delete;

    // A fresh element; null when no block can be allocated.
    XmlElement* Take();
    // Every block back to 1024 free elements, taking again from the first.
    void Reset();
    std::size_t BlockCount() const;

  private:
    XmlElementBlock* first_;
    XmlElementBlock* current_;
};

} // namespace dorlix
