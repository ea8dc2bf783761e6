// The processes of the machine, as the process-information query of the
// system lists them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct ProcessEntry {
    uint32_t id;
    std::string imageName; // executable file name ("app.exe"), in the local code page
};
// Every process the caller can see; empty when the list cannot be read.
std::vector<ProcessEntry> ListProcesses();
uint32_t CurrentProcessId();
// The full path of a process's executable, in the local code page; empty
// when the caller may not see it.
std::string ProcessImagePath(uint32_t id);
// Starts the program of a command line and waits until it has ended; false
// when it cannot be started. On Windows, CreateProcess with the window show
// state show. On POSIX the line is split by the Windows rules (cmdline.h);
// a program named by a station path ("D:\VZ5\tool") is mapped, any other
// name is searched on the PATH; show means nothing there.
bool RunAndWait(const std::string& commandLine, int show);
// Ends a process at once (TerminateProcess; SIGKILL on POSIX). false when
// it cannot be opened for that.
bool EndProcess(uint32_t id, uint32_t exitCode);
// Lets the caller open other users' processes (the debug privilege).
// Nothing to do on POSIX.
void EnableDebugPrivilege();
// Empties the working set of a process. POSIX has no working sets to trim:
// false there, and nothing happens.
bool EmptyWorkingSet(uint32_t id);

} // namespace plat
