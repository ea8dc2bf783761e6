// Board monitor: request files in the run directory, stopping the station
// programs by name, and the USB stick helpers.
#pragma once

#define CORWATCH_VERSION "0.2.1.1"

// Same value as LINUX_REBOOT_CMD_RESTART / RB_AUTOBOOT.
#define CORWATCH_REBOOT_CMD 0x01234567

// Entry types of readdir's d_type field that the search cares about.
#define CORWATCH_DT_DIR 4
#define CORWATCH_DT_REG 8

// Size of the process-id arrays handed to GetProcessID.
#define CORWATCH_MAXPID 100

// 1 when basePath directly holds a regular file named FileName. Subfolders
// are walked as well, but a hit there does not count.
int FindFile(char* basePath, char* FileName);

// Ids of every process whose executable is named ProcName, 0-terminated in
// foundpid (CORWATCH_MAXPID entries); their number, -1 without "/proc".
int GetProcessID(char* ProcName, int* foundpid);
// The same search over another proc-style folder, storing at most
// capacity - 1 ids and the terminating 0 (capacity >= 1).
int GetProcessIDIn(const char* procRoot, const char* ProcName, int* foundpid, int capacity);

// SIGTERM to every process named ProcessName; the last id signalled, 0 when none.
int KillProcess(char* ProcessName);

// Waits for one kernel device event; 1 when it is an "add" event.
int MonitorNetlinkUevent();

// Reads one kernel event from an open uevent socket (split out so the event
// parsing can be fed from another socket); 1 when its text holds "add".
int ReadUevent(int fd);

// n (1-8) of the first stick found writable at /mnt/usb<n>, 0 when none.
int IsUsbMount();

// Copies /mnt/<USBDirName>/<FileName> into the run directory; 1 when the
// copy was started, 0 when the stick is not writable.
int CopyUSBFile(char* USBDirName, char* FileName);

// The same two helpers with their folders spelled out: devPrefix is the
// stick's block device without its number ("/dev/sda"), mntRoot the folder holding the
// mount points, destDir the folder the copy lands in.
int IsUsbMountAt(const char* devPrefix, const char* mntRoot);
int CopyUSBFileTo(const char* mntRoot, const char* USBDirName, const char* FileName, const char* destDir);

// CORWATCH_RUNDIR, default "/mnt/mmc".
const char* WatchRunDir();
// CORWATCH_DRYRUN set: print the reboot instead of doing it.
bool WatchDryRun();

// Banner and change into the run directory.
void WatchStartup();
// One pass over the request files (reboot first, then shutdown).
void WatchOnce();
// Start-up, then a pass every 3 seconds, forever.
int WatchMain();
