// Finding a file by a name that may hold wildcards, for its time stamp.
#pragma once
#include "platform/platform.h"

namespace plat {

// Last-write time, in local time, of the first entry that the Windows path
// pattern names: its last component may hold "*" and "?" (as FindFirstFileA
// takes them; "." and ".." never count). false when nothing matches.
bool FindFileWriteTime(const char* winPattern, LocalTime& out);

} // namespace plat
