// Read access of the other library parts to the in-memory WorkingCopy.
#pragma once

namespace dorlix {
// Value of item index (0..299) of the WorkingCopy, copied with a bound into out.
// Returns 1, or 0 for a bad index or null out (out then empty when it can be).
int WorkingItemValue(int index, char* out, int size);
// The log switches read from item 189 DebugSet at load (which 0 or 1).
int LogSwitch(int which);
} // namespace dorlix
