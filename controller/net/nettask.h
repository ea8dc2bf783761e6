// Command queue between the network receive task and the PLC tasks.
#pragma once
#include <pthread.h>

#ifndef MAXNETTASK
#define MAXNETTASK 32
#endif
#define MAXNETCMD 6
#define NETTASKBODY 2048 // room of one queued body
#define NETBODYMAX 1023  // longest body taken from a frame
#define NETTASKSTR 1200  // room of the caller's buffer of GetTask

enum NETCMDID { NUL = 0, CTL_STEP = 1, CTL_CLRCNT = 2, CTL_OUT = 3, CTL_DG = 4, CTL_LINK = 5 };

extern const char NETCMD[MAXNETCMD][20];

class NETTASK {
  public:
    NETTASK();
    // Queues the command of a frame text; 1 queued, 0 not a command frame.
    int AddTask(const char* NewTask);
    // Takes the oldest command: body into TaskString (NETTASKSTR bytes), result
    // its code; 0 with TaskString untouched when the queue is empty.
    int GetTask(char* TaskString);
    int IsTaskValid();

    char TaskBuff[MAXNETTASK][NETTASKBODY];
    int TaskCmd[MAXNETTASK];
    int TaskInIdx;
    int TaskOutIdx;

  private:
    pthread_mutex_t Lock; // AddTask and GetTask never interleave
};

extern NETTASK NetTask;
