// The critical sections of the library a thread holds, innermost last, so
// that a fault in an export can release what the export took.
#pragma once

namespace plat {
class CriticalSection;
unsigned HeldLockCount();
// Leaves every critical section taken after the first count ones.
void ReleaseHeldLocks(unsigned count);
} // namespace plat
