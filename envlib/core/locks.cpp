#include "core/locks.h"

namespace dorlix {
// Function-local statics: created on first use, so the attach code may take them
// before any other static of the library is initialised; deleted at unload.
plat::CriticalSection& EnvLock() { static plat::CriticalSection lock; return lock; }
plat::CriticalSection& ImportLock() { static plat::CriticalSection lock; return lock; }
plat::CriticalSection& TableLock() { static plat::CriticalSection lock; return lock; }
} // namespace dorlix
