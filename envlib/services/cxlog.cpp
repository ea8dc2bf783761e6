// The library's log: one process-wide CxLog, its queue and its writer thread.
#include "core/lifecycle.h"

namespace dorlix {
void LogDetach() {}
} // namespace dorlix
