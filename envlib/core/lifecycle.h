// Attach and detach of the library. The shared library runs Attach from a
// constructor and Detach from a destructor (platform/posix/dllmain.cpp), the
// POSIX stand-ins for the process-attach and process-detach notifications.
// Unit tests linking the static archive call them explicitly, after pointing
// DORLIX_ROOT at their own temporary folder.
#pragma once

namespace dorlix {
// Runs the attach sequence; returns false when the library must refuse to load.
bool Attach();
void Detach();
// True once an attach succeeded, until Detach; exports answer with their failure
// result while it is false. Also true on the thread running Attach, so that the
// environment load may call exports (log, text fields) before the library is ready.
bool LibraryReady();

// Hooks run by Attach and Detach, each owned by its service.
bool EnvAttach(); // default table, environment files, log switches, process name
void LogDetach(); // stops the log writer after writing what is queued
} // namespace dorlix
