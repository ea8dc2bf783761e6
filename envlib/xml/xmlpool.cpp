// Element pool: blocks are appended when a document needs more and are
// released only with the pool, so a reader that loads documents of similar
// size allocates no elements after the first load.
#include "xml/xmlpool.h"

#include <new>

namespace dorlix {
namespace {
XmlElementBlock* NewBlock() {
    XmlElementBlock* block = new (std::nothrow) XmlElementBlock;
    if (!block) return nullptr;
    block->free = XmlElementBlock::SIZE;
    block->next = nullptr;
    return block;
}
} // namespace

XmlElementPool::XmlElementPool() : first_(NewBlock()), current_(first_) {}

XmlElementPool::~XmlElementPool() {
    for (XmlElementBlock* b = first_; b;) {
        XmlElementBlock* next = b->next;
        delete b;
        b = next;
    }
}

XmlElement* XmlElementPool::Take() {
    if (!current_) {
        // The first block could not be had when the pool was made.
        current_ = first_ = NewBlock();
        if (!current_) return nullptr;
    }
    if (current_->free == 0) {
        if (!current_->next) {
            current_->next = NewBlock();
            if (!current_->next) return nullptr;
        }
        current_ = current_->next;
    }
    return &current_->elements[--current_->free];
}

void XmlElementPool::Reset() {
    for (XmlElementBlock* b = first_; b; b = b->next)
        b->free = XmlElementBlock::SIZE;
    current_ = first_;
}

std::size_t XmlElementPool::BlockCount() const {
    std::size_t n = 0;
    for (const XmlElementBlock* b = first_; b; b = b->next)
        ++n;
    return n;
}

} // namespace dorlix
