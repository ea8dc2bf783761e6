// The shared block "MemServer": one program of the PC writes it, any other
// reads a copy of its beginning. The block has no header; a length beyond
// the mapping (the block's size rounded up to whole pages) is refused, so
// that neither side reaches past it.
#include <cstring>
#include <memory>
#include <mutex>

#include "core/export.h"
#include "core/lasting.h"
#include "core/lifecycle.h"
#include "dorlix.h"
#include "platform/shmem.h"

namespace {
constexpr const char* kBlockName = "MemServer";

// The writer's block, held until the library leaves the process. Never
// destroyed: at process exit on POSIX the static objects go before the
// library's detach, which still takes the lock and lets the block go.
struct WriterState {
    plat::CriticalSection lock;
    std::unique_ptr<plat::SharedBlock> block;
};
WriterState& Writer() {
    static dorlix::Lasting<WriterState> state;
    return *state;
}

bool Fits(int length, std::size_t size) {
    return length >= 0 && static_cast<std::size_t>(length) <= size;
}
} // namespace

namespace dorlix {
void MemoryDetach(DetachKind how) {
    if (how == DetachKind::ThreadsGone) return; // the system drops the mapping itself
    std::lock_guard<plat::CriticalSection> guard(Writer().lock);
    Writer().block.reset();
}
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL OpenMemory(int size) {
    return dorlix::Guarded(0, [&] {
        if (size <= 0) return 0;
        std::unique_ptr<plat::SharedBlock> block = plat::SharedBlock::Create(kBlockName, static_cast<uint32_t>(size));
        if (!block) return 0;
        // A second call replaces the view; the block stays held meanwhile.
        std::lock_guard<plat::CriticalSection> guard(Writer().lock);
        Writer().block = std::move(block);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL WriteDataInProcess(const void* data, int length) {
    return dorlix::Guarded(0, [&] {
        std::lock_guard<plat::CriticalSection> guard(Writer().lock);
        const plat::SharedBlock* block = Writer().block.get();
        if (!block || !data || !Fits(length, block->Size())) return 0;
        std::memcpy(block->Data(), data, static_cast<std::size_t>(length));
        return 1;
    });
}

DORLIX_API int DORLIX_CALL ReadDataInProcess(void* buffer, int length) {
    return dorlix::Guarded(0, [&] {
        if (!buffer) return 0;
        std::unique_ptr<plat::SharedBlock> block = plat::SharedBlock::Open(kBlockName);
        if (!block || !Fits(length, block->Size())) return 0;
        std::memcpy(buffer, block->Data(), static_cast<std::size_t>(length));
        return 1;
    });
}

} // extern "C"
