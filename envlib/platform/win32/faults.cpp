// Hardware faults inside exports on Windows.
//
// A host may hand an export a bad pointer; the access violation must not end
// the host program. RunGuarded marks a point to return to; a vectored
// exception handler, which sees the fault first on the faulting thread,
// jumps back there when the thread is inside a guarded call. The frames in
// between are left as they are (their memory is lost, nothing else), and the
// critical sections they took are released. Exceptions that are no faults
// (debugger output, C++ exceptions of other runtimes) pass on.
#include "platform/win32/winapi.h"

#include <atomic>

#include "platform/win32/heldlocks.h"

namespace plat {
namespace {

struct GuardFrame {
    void* jump[5]; // for __builtin_setjmp
    GuardFrame* outer;
    unsigned heldLocks;
    void* sehChain; // 32-bit x86: the frame-based handler chain at the start
};

thread_local GuardFrame* t_frame = nullptr;
std::atomic<void*> g_handler{nullptr};

bool IsFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
        return true;
    default:
        return false;
    }
}

LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
    GuardFrame* frame = t_frame;
    if (!frame || !IsFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
    __builtin_longjmp(frame->jump, 1);
}

void* SehChain() {
#if defined(__i386__)
    void* chain;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(chain));
    return chain;
#else
    return nullptr;
#endif
}

void SetSehChain(void* chain) {
#if defined(__i386__)
    __asm__ volatile("movl %0, %%fs:0" : : "r"(chain) : "memory");
#else
    (void)chain;
#endif
}

void EnsureHandler() {
    if (g_handler.load(std::memory_order_acquire)) return;
    void* handler = ::AddVectoredExceptionHandler(1, OnFault);
    void* none = nullptr;
    if (!g_handler.compare_exchange_strong(none, handler)) ::RemoveVectoredExceptionHandler(handler);
}

} // namespace

bool RunGuarded(void (*fn)(void*), void* arg) {
    EnsureHandler();
    GuardFrame frame;
    frame.outer = t_frame;
    frame.heldLocks = HeldLockCount();
    frame.sehChain = SehChain();
    if (__builtin_setjmp(frame.jump) != 0) {
        // Back from a fault: the handler chain of this frame again, the
        // locks taken since released.
        SetSehChain(frame.sehChain);
        t_frame = frame.outer;
        ReleaseHeldLocks(frame.heldLocks);
        return false;
    }
    t_frame = &frame;
    fn(arg);
    t_frame = frame.outer;
    return true;
}

void EndFaultGuard() {
    if (void* handler = g_handler.exchange(nullptr)) ::RemoveVectoredExceptionHandler(handler);
}

} // namespace plat
