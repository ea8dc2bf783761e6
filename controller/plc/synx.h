// The PLC language: keyword table, line parser, label search, step-mode gate,
// and the alarm group shared by all PLC tasks.
#pragma once
#include <pthread.h>

#include <cstdio>

#include "public.h"

#define SYNMAX 44       // entries of the keyword table
#define SYNLINEMAX 1000 // a line this long or longer is never an instruction
#define MAXALARMNO 32

// Instruction codes; the value is the index into SYNXCMD.
enum SYNXIDX {
    SYN_NUL = 0,
    SYN_LD = 1,
    SYN_OUT = 2,
    SYN_FL = 3,
    SYN_PARAM = 4,
    SYN_DG = 5,
    SYN_LINE = 6,
    SYN_END = 7,
    SYN_MOT = 8,
    SYN_LDG = 9,
    SYN_DLY = 10,
    SYN_GO = 11,
    SYN_RSTZ = 12,
    SYN_MFL0 = 13,
    SYN_MFL1 = 14,
    SYN_MFL2 = 15,
    SYN_MFL0END = 16,
    SYN_MFL1END = 17,
    SYN_MFL2END = 18,
    SYN_EXIT = 19,
    SYN_RSTMOT = 20,
    SYN_LMOT = 21,
    SYN_SMOT = 22,
    SYN_MOZ = 23,
    SYN_IF = 24,
    SYN_RSTMOZ = 25,
    SYN_LMOZ = 26,
    SYN_LED = 27,
    SYN_G_ST = 28,
    SYN_DGO = 29,
    SYN_LDGI = 30,
    SYN_ROW = 31,
    SYN_ROCLR = 32,
    SYN_OUTE = 33,
    SYN_G_AR = 34,
    SYN_G_AL = 35,
    SYN_G_DEBUG = 36,
    SYN_G_ADD_VD = 37,
    SYN_G_C_NET = 38,
    SYN_LDI = 39,
    SYN_OUTI = 40,
    SYN_LINK = 41,
    SYN_G_SETPOT = 42,
    SYN_G_CALIB = 43
};

extern const char SYNXCMD[SYNMAX][20];

class SYNX {
  public:
    // Parses one trimmed program line. Param and CommentStr hold 1000 bytes;
    // Param may be null for card instructions, which then stop after the channel.
    // SlotIdx keeps its value for instructions without a number; ChIdx is -1
    // unless the instruction names a channel.
    SYNXIDX Explain(const char* CmdName, int* SlotIdx, int* ChIdx, char* Param, char* CommentStr);
};

extern SYNX SynxClass;

// Positions Fptr after the first label line "#LE:<LineIdx>" and returns its
// 1-based line number; 0 (file at its end) when there is no such label.
int GoFileLine(FILE* Fptr, int LineIdx);

// Step-mode gate between two lines: 1 holds the task on this pass, 0 lets the
// next line run. Serialised over all tasks by SynxLock.
int FilterStep(HKEY InKey, int IsStep, SYNXIDX* CmdIdx);

extern pthread_mutex_t SynxLock;

// Digital inputs that stop every PLC task while one of them is at its alarm level.
class ALGROUP {
  public:
    ALGROUP();
    void AddAlarmPoint(int SlotIdx, int ChIdx, int Level);
    // 1 while an alarm point is active; drives the CPU board's fault output.
    int ScanAlarm();

    int SlotID[MAXALARMNO];
    int ChIdx[MAXALARMNO];
    int InLevel[MAXALARMNO];
    int AlarmNum;

  private:
    pthread_mutex_t Lock; // points are never read half-written
};

extern ALGROUP AlarmGroup;
