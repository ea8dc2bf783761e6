// Load and unload of the shared library: the POSIX stand-in for DllMain.
#include "core/lifecycle.h"

__attribute__((constructor)) static void DorlixLoad() {
    dorlix::Attach();
}
__attribute__((destructor)) static void DorlixUnload() {
    dorlix::Detach();
}
