// Critical sections and library threads on POSIX threads.
//
// A library thread keeps the shared library mapped the way the C++ runtime
// keeps a library alive for the thread_local objects of its threads: the
// thread owns a thread_local object of the library, and dlclose leaves a
// library with such objects still to be destroyed in place (glibc counts
// them per library). Between its creation and that object, the thread rides
// on a reference the starter took with dlopen.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <new>

#include "platform/platform.h"

namespace plat {

static_assert(sizeof(pthread_mutex_t) <= sizeof(CriticalSection), "room for a pthread mutex");

namespace {
pthread_mutex_t* Mutex(unsigned char* state) {
    return reinterpret_cast<pthread_mutex_t*>(state);
}
} // namespace

CriticalSection::CriticalSection() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(Mutex(state_), &attr);
    pthread_mutexattr_destroy(&attr);
}
CriticalSection::~CriticalSection() {
    pthread_mutex_destroy(Mutex(state_));
}
void CriticalSection::lock() {
    pthread_mutex_lock(Mutex(state_));
}
void CriticalSection::unlock() {
    pthread_mutex_unlock(Mutex(state_));
}
bool CriticalSection::try_lock() {
    return pthread_mutex_trylock(Mutex(state_)) == 0;
}

namespace {
struct ThreadStart {
    void (*fn)(void*);
    void* arg;
    void* self; // dlopen reference of the library, or null inside a program
};

std::atomic<unsigned> g_pinsReleased{0};

// Its destructor is library code that runs after the thread function has
// returned: the library cannot go away before that. (The count it keeps is
// what makes the destructor a real one, which the registration needs.)
struct LibraryPin {
    LibraryPin() noexcept {}
    ~LibraryPin() { g_pinsReleased.fetch_add(1, std::memory_order_relaxed); }
};

void* LibraryThreadMain(void* param) {
    ThreadStart start = *static_cast<ThreadStart*>(param);
    delete static_cast<ThreadStart*>(param);
    static thread_local LibraryPin pin;
    (void)&pin;
    if (start.self) dlclose(start.self);
    start.fn(start.arg);
    return nullptr;
}

// A reference on the shared object that holds this code; null when the code
// is part of the program itself.
void* ReferenceSelf() {
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&LibraryThreadMain), &info) || !info.dli_fname) return nullptr;
    return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
}
} // namespace

bool StartLibraryThread(void (*fn)(void*), void* arg) {
    auto* start = new (std::nothrow) ThreadStart{fn, arg, ReferenceSelf()};
    if (!start) return false;
    void* self = start->self;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, LibraryThreadMain, start);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete start;
        if (self) dlclose(self);
        return false;
    }
    return true;
}

} // namespace plat
