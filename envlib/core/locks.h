// The library's process-wide locks, critical sections. The environment or the
// import lock may be held while the table lock is taken, never the reverse.
#pragma once
#include "platform/platform.h"

namespace dorlix {
plat::CriticalSection& EnvLock();
plat::CriticalSection& ImportLock();
plat::CriticalSection& TableLock();
} // namespace dorlix
