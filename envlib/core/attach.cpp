// Attach and detach of the library.
//
// The attach sequence runs once per load of the library: at process attach
// on Windows, from the constructor on POSIX. It does not run again when the
// host starts a thread: that would repeat the file I/O of the environment
// load under the loader lock at every thread start, and race with exports
// already running on other threads.
#include <atomic>
#include <cstdio>
#include <initializer_list>
#include <mutex>

#include "core/lifecycle.h"
#include "platform/platform.h"

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

bool SupportedSystem(unsigned version, char* message, unsigned size) {
    const unsigned major = version & 0xFF, minor = (version >> 8) & 0xFF, build = (version >> 16) & 0x7FFF;
    if (major >= 5) return true;
    if (message && size) std::snprintf(message, size, "Win9x is not supported: %u.%u.%u", major, minor, build);
    return false;
}

bool Attach() {
    std::lock_guard<std::mutex> guard(AttachLock());
    g_ready.store(false);
    char message[128];
    if (!SupportedSystem(plat::GetVersion(), message, sizeof message)) {
        plat::ShowMessage("...", message);
        return false;
    }
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

void Detach(DetachKind how) {
    // Nothing is saved at detach; the log writes what is queued and ends.
    std::unique_lock<std::mutex> guard(AttachLock(), std::defer_lock);
    if (how == DetachKind::ThreadsGone) {
        if (!guard.try_lock()) return; // an attach was cut short by the system
    } else {
        guard.lock();
    }
    g_ready.store(false);
    // Ports and channels first: the log may still take their last lines.
    for (void (*hook)(DetachKind) : {SerialDetach, NetDetach, MemoryDetach, LogDetach}) {
        try {
            hook(how);
        } catch (...) {
        }
    }
}

bool LibraryReady() {
    return g_ready.load(std::memory_order_acquire) || t_attaching;
}
} // namespace dorlix
