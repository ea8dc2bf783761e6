// Board object, card scan, board utilities, single-instance lock and process helpers.
#pragma once
#include <pthread.h>

#include "hardware.h"
#include "process.h"

extern pthread_mutex_t FileLock; // every open, line read and close of a PLC program file
extern char GlobeLocalIP[60];    // own IPv4 address, "127.0.0.0" until read

// Network identity of the configured interface.
int GetMAC(unsigned char* MacAddr, char* MacStr);
int GetLocalIP(unsigned char* nIP4, char* IPName);
// Writes NewIP as IPAddress of section LOCAL_MACHINE into "userinfo.txt".
int Fix_Userinfo_IP(const char* NewIP);
// Start scripts: line ends converted, made executable, run.sh copied home.
int ChangFileMod();
int CnvDos2UnixFile(const char* FileName);
int copyFile(const char* SrcFile, const char* DstFile);

// Single instance: -1 when another instance holds the pid-file lock, 1 otherwise.
int Check_Running();
int lock_reg(int fd, int cmd, int type, long offset, int whence, long len);
int write_lock(int fd, long offset, int whence, long len);
// Creates the seven process-wide locks; ends the process on failure.
void CreateLocks();
