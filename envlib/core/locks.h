// The library's process-wide locks. The environment or the import lock may be
// held while the table lock is taken, never the reverse.
#pragma once
#include <mutex>

namespace dorlix {
std::recursive_mutex& EnvLock();
std::recursive_mutex& ImportLock();
std::recursive_mutex& TableLock();
} // namespace dorlix
