// Attach and detach of the library. On POSIX a constructor and a destructor
// stand in for the process-attach and process-detach notifications.
#pragma once

namespace dorlix {
// True once the environment load succeeded; exports answer with their failure
// result while it is false.
bool LibraryReady();

// Hooks run by the attach and detach code, each owned by its service.
bool EnvAttach();   // default table, environment files, log switches, process name
void LogDetach();   // stops the log writer, writing what is queued
} // namespace dorlix
