// Critical sections and library threads on the Win32 calls.
#include "platform/win32/winapi.h"

#include <new>

#include "platform/win32/heldlocks.h"

namespace plat {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(CriticalSection), "room for a CRITICAL_SECTION");

namespace {
CRITICAL_SECTION* Section(unsigned char* state) {
    return reinterpret_cast<CRITICAL_SECTION*>(state);
}

// The critical sections this thread holds, innermost last. Locks nest far
// less deep than this; deeper ones are counted, not remembered.
constexpr unsigned kMaxHeld = 32;
struct HeldLocks {
    CriticalSection* lock[kMaxHeld];
    unsigned count = 0;
};
thread_local HeldLocks t_held;
} // namespace

unsigned HeldLockCount() {
    return t_held.count;
}

void ReleaseHeldLocks(unsigned count) {
    HeldLocks& held = t_held;
    while (held.count > count) {
        if (held.count <= kMaxHeld)
            held.lock[held.count - 1]->unlock(); // which also drops it from the list
        else
            --held.count; // beyond the remembered ones: it cannot be named
    }
}

// The spin-count form reports a failure instead of raising an exception.
CriticalSection::CriticalSection() {
    ::InitializeCriticalSectionAndSpinCount(Section(state_), 4000);
}
CriticalSection::~CriticalSection() {
    ::DeleteCriticalSection(Section(state_));
}
void CriticalSection::lock() {
    ::EnterCriticalSection(Section(state_));
    HeldLocks& held = t_held;
    if (held.count < kMaxHeld) held.lock[held.count] = this;
    ++held.count;
}
void CriticalSection::unlock() {
    // Locks are left in the reverse order of taking; look further down only
    // for one left out of turn.
    HeldLocks& held = t_held;
    unsigned top = held.count < kMaxHeld ? held.count : kMaxHeld;
    for (unsigned i = top; i-- > 0;) {
        if (held.lock[i] == this) {
            for (unsigned k = i; k + 1 < top; ++k)
                held.lock[k] = held.lock[k + 1];
            break;
        }
    }
    if (held.count > 0) --held.count;
    ::LeaveCriticalSection(Section(state_));
}
bool CriticalSection::try_lock() {
    if (!::TryEnterCriticalSection(Section(state_))) return false;
    HeldLocks& held = t_held;
    if (held.count < kMaxHeld) held.lock[held.count] = this;
    ++held.count;
    return true;
}

namespace {
struct ThreadStart {
    void (*fn)(void*);
    void* arg;
    HMODULE module;
};

// The thread holds its own reference on the module that contains this code,
// taken before the thread was created. FreeLibraryAndExitThread drops it and
// ends the thread without returning into the module, which may be unloaded
// by that very call.
DWORD WINAPI LibraryThreadMain(LPVOID param) {
    ThreadStart start = *static_cast<ThreadStart*>(param);
    delete static_cast<ThreadStart*>(param);
    start.fn(start.arg);
    ::FreeLibraryAndExitThread(start.module, 0);
    return 0;
}
} // namespace

bool StartLibraryThread(void (*fn)(void*), void* arg) {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCSTR>(&LibraryThreadMain), &self))
        return false;
    auto* start = new (std::nothrow) ThreadStart{fn, arg, self};
    HANDLE thread = start ? ::CreateThread(nullptr, 0, LibraryThreadMain, start, 0, nullptr) : nullptr;
    if (!thread) {
        delete start;
        ::FreeLibrary(self);
        return false;
    }
    ::CloseHandle(thread);
    return true;
}

} // namespace plat
