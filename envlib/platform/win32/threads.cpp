// Critical sections and library threads on the Win32 calls.
#include "platform/win32/winapi.h"

#include <new>

namespace plat {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(CriticalSection), "room for a CRITICAL_SECTION");

namespace {
CRITICAL_SECTION* Section(unsigned char* state) {
    return reinterpret_cast<CRITICAL_SECTION*>(state);
}
} // namespace

// The spin-count form reports a failure instead of raising an exception.
CriticalSection::CriticalSection() {
    ::InitializeCriticalSectionAndSpinCount(Section(state_), 4000);
}
CriticalSection::~CriticalSection() {
    ::DeleteCriticalSection(Section(state_));
}
void CriticalSection::lock() {
    ::EnterCriticalSection(Section(state_));
}
void CriticalSection::unlock() {
    ::LeaveCriticalSection(Section(state_));
}
bool CriticalSection::try_lock() {
    return ::TryEnterCriticalSection(Section(state_)) != 0;
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
