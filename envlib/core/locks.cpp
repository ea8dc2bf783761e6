#include "core/locks.h"

namespace dorlix {
// Function-local statics: created on first use, so the attach code may take them
// before any other static of the library is initialised.
std::recursive_mutex& EnvLock() { static std::recursive_mutex m; return m; }
std::recursive_mutex& ImportLock() { static std::recursive_mutex m; return m; }
std::recursive_mutex& TableLock() { static std::recursive_mutex m; return m; }
} // namespace dorlix
