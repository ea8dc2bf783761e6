// Named shared memory on Windows: a page-file-backed named file mapping.
#include "platform/win32/winapi.h"

#include "platform/shmem.h"

#include <new>

namespace plat {

struct SharedBlock::Native {
    HANDLE mapping;
};

namespace {
// The view covers whole pages.
std::size_t ViewSize(const void* view) {
    MEMORY_BASIC_INFORMATION region{};
    return ::VirtualQuery(view, &region, sizeof region) ? region.RegionSize : 0;
}
} // namespace

// A view of the whole mapping, which the block then owns with the handle.
std::unique_ptr<SharedBlock> SharedBlock::Map(void* mapping, unsigned long access) {
    void* view = ::MapViewOfFile(mapping, access, 0, 0, 0);
    Native* native = view ? new (std::nothrow) Native{mapping} : nullptr;
    SharedBlock* block = native ? new (std::nothrow)
                                      SharedBlock(native, static_cast<unsigned char*>(view), ViewSize(view))
                                : nullptr;
    if (!block) {
        delete native;
        if (view) ::UnmapViewOfFile(view);
        ::CloseHandle(mapping);
        return nullptr;
    }
    return std::unique_ptr<SharedBlock>(block);
}

std::unique_ptr<SharedBlock> SharedBlock::Create(const char* name, uint32_t size) {
    if (!name || size == 0) return nullptr;
    HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (!mapping) return nullptr;
    return Map(mapping, FILE_MAP_WRITE);
}

std::unique_ptr<SharedBlock> SharedBlock::Open(const char* name) {
    if (!name) return nullptr;
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ | SECTION_QUERY, FALSE, name);
    if (!mapping) return nullptr;
    return Map(mapping, FILE_MAP_READ);
}

void SharedBlock::Release() {
    if (!native_) return;
    if (data_) ::UnmapViewOfFile(data_);
    ::CloseHandle(native_->mapping);
    delete native_;
    native_ = nullptr;
    data_ = nullptr;
    size_ = 0;
}

} // namespace plat
