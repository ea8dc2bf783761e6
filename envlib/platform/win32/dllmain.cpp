// Load and unload of Dorlix.dll.
//
// Process attach runs the attach sequence once, under the loader lock: the
// environment load with its file I/O. A refused attach makes LoadLibrary
// fail. Thread attach and detach do nothing: the host's threads need no
// state of the library.
//
// Process detach never waits for a thread. On FreeLibrary no log writer runs
// any more: a writer holds its own reference on the module, so the unload
// (and this notification) comes only after the writer has ended. At process
// exit the system has already ended every other thread, writer included; the
// records still queued are written here, on this thread.
#include "platform/win32/winapi.h"

#include "core/lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return dorlix::Attach() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        dorlix::Detach(reserved ? dorlix::DetachKind::ThreadsGone : dorlix::DetachKind::Unload);
        plat::EndFaultGuard();
        return TRUE;
    default:
        return TRUE;
    }
}
