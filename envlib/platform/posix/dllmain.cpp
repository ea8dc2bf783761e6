// Load and unload of the shared library: the POSIX stand-in for DllMain.
//
// The destructor runs at dlclose or at process exit. A log writer still busy
// keeps the library loaded (plat::StartLibraryThread), so at dlclose none is
// running; at process exit the other threads run on while exit handlers run,
// and the log may wait a bounded time for a writer that is still busy.
#include "core/lifecycle.h"

__attribute__((constructor)) static void DorlixLoad() {
    dorlix::Attach();
}
__attribute__((destructor)) static void DorlixUnload() {
    dorlix::Detach(dorlix::DetachKind::Unload);
}
