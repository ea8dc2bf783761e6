// Attach and detach of the library.
//
// The Windows build refuses to load on an operating system older than major
// version 5; POSIX has no such thing to check, so the POSIX attach goes
// straight to the environment load. Windows also repeats the attach sequence
// on every thread attach; a shared object has no thread-attach notification,
// so here it runs once per load (or once per explicit Attach call).
#include <atomic>
#include <mutex>

#include "core/lifecycle.h"

namespace dorlix {
namespace {
std::atomic<bool> g_ready{false};
// The thread running the attach sequence may already call exports (the
// environment load writes log lines and cuts fields) before the library is
// declared ready for everyone else.
thread_local bool t_attaching = false;

std::mutex& AttachLock() {
    static std::mutex m;
    return m;
}
} // namespace

bool Attach() {
    std::lock_guard<std::mutex> guard(AttachLock());
    g_ready.store(false);
    bool ok = false;
    t_attaching = true;
    try {
        ok = EnvAttach();
    } catch (...) {
        ok = false;
    }
    t_attaching = false;
    g_ready.store(ok);
    return ok;
}

void Detach() {
    std::lock_guard<std::mutex> guard(AttachLock());
    // Nothing is saved at detach; the log writer drains its queue and stops.
    try {
        LogDetach();
    } catch (...) {
    }
    g_ready.store(false);
}

bool LibraryReady() {
    return g_ready.load(std::memory_order_acquire) || t_attaching;
}
} // namespace dorlix
