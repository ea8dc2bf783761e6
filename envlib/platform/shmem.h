// Named shared memory: a page-file-backed named file mapping on Windows, a
// POSIX shared-memory object on POSIX, with the lifetime of the Windows one:
// the block lives while a process holds it, and a block whose holders have
// all ended counts as absent. The exact rules of the POSIX side are in
// posix/shmem.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace plat {

class SharedBlock {
  public:
    // Creates the block with size bytes, zero-filled, or opens it when
    // another holder has made it already (its size then stays), mapped for
    // writing; the block lives at least as long as the object. Null when
    // it can be neither created nor mapped.
    static std::unique_ptr<SharedBlock> Create(const char* name, uint32_t size);
    // Maps an existing block read-only, without holding it; null when no
    // block of that name exists or it cannot be mapped.
    static std::unique_ptr<SharedBlock> Open(const char* name);
    ~SharedBlock() { Release(); }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    unsigned char* Data() const { return data_; }
    // The block's size in bytes: the size its creator asked for, rounded up
    // to whole pages, which is what the system maps (the rest of the last
    // page reads as zero).
    std::size_t Size() const { return size_; }
    // Lets the block go: unmapped, and removed once no holder is left.
    void Release();

    struct Native;

  private:
    static std::unique_ptr<SharedBlock> Map(void* mapping, unsigned long access); // Windows
    explicit SharedBlock(Native* native, unsigned char* data, std::size_t size)
        : native_(native), data_(data), size_(size) {}
    Native* native_;
    unsigned char* data_;
    std::size_t size_;
};

} // namespace plat
