// Attach and detach of the library. The platform's load hooks run them: the
// DllMain of Dorlix.dll (platform/win32/dllmain.cpp) and the constructor and
// destructor of the shared object (platform/posix/dllmain.cpp). Unit tests
// linking the static archive call them explicitly, after choosing their own
// station folders.
#pragma once

namespace dorlix {
// How the library leaves the process, as its platform reports it.
enum class DetachKind {
    // Unload, or a process exit during which the library's threads still run.
    Unload,
    // Process exit after the system ended every other thread (Windows): a
    // thread of the library that was running is gone, and the locks it held
    // may never be released.
    ThreadsGone,
};

// Runs the attach sequence; returns false when the library must refuse to load.
bool Attach();
// Ends what the library runs; how tells whether the process's other threads
// are still there. Never waits for a thread of the library (see cxlog.h).
void Detach(DetachKind how = DetachKind::Unload);
// True once an attach succeeded, until Detach; exports answer with their failure
// result while it is false. Also true on the thread running Attach, so that the
// environment load may call exports (log, text fields) before the library is ready.
bool LibraryReady();

// Decides whether the operating system is one the library runs on; when not,
// message gets the text shown to the operator. version as plat::GetVersion.
bool SupportedSystem(unsigned version, char* message, unsigned size);

// Hooks run by Attach and Detach, each owned by its service.
bool EnvAttach(); // default table, environment files, log switches, process name
void LogDetach(DetachKind how); // ends the log (see CxLog::Shutdown)
void SerialDetach(DetachKind how); // closes the serial ports; the reader ends on its own
void NetDetach(DetachKind how); // closes the network channels
void MemoryDetach(DetachKind how); // lets the shared block go
} // namespace dorlix
