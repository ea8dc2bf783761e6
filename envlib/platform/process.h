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
