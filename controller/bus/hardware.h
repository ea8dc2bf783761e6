// The board object: the expansion bus device, the register protocol, the card scan
// and the board's own output helpers.
#pragma once
#include <pthread.h>

#include <cstddef>

#include "public.h"

#define D0 0x01
#define D1 0x02
#define D2 0x04
#define D3 0x08
#define D4 0x10
#define D5 0x20
#define D6 0x40
#define D7 0x80

#define LED_POWER 0
#define LED_ALARM 1
#define LED_ZERO 2
#define LED_STEP 3
#define LED_RUN 4
#define LED_STAT 7

#define MAXCARDTYPE 7

struct CARDTYPE {
    unsigned char CardID;
    char szCardName[50];
};
extern const CARDTYPE CardType[MAXCARDTYPE];

// Scan record: entry k describes card index k (only 0..13 are used).
struct CARDINFO {
    int CardNum;
    unsigned char SlotID[28];
    unsigned char CardID[28];
};
extern CARDINFO GlobeCardInfo;

// Reads and writes of the bus descriptor. The board driver is reached through
// read/write on the device; the simulated rack answers the same calls in process.
class BusIo {
  public:
    virtual ~BusIo() = default;
    virtual long Read(int fd, unsigned char* buf, size_t len) = 0;
    virtual long Write(int fd, const unsigned char* buf, size_t len) = 0;
};

class HARDWARE {
  public:
    HARDWARE();
    ~HARDWARE();

    bool OpenHard();
    void CloseHard();
    unsigned char InB(short port);
    void OutB(short port, unsigned char byte);
    int ScanCard(CARDINFO* CardInfo);
    void OutLED(unsigned char bit, HILOW level);
    void OutHC(unsigned char bit, HILOW level);
    void OutExt(unsigned char bit, HILOW level);
    void OutRelay(unsigned char bit, HILOW level);

    unsigned int LineC;
    unsigned int SysAddr;
    unsigned int StaAddr;
    unsigned int OutExtAddr;
    unsigned int LEDAddr;
    unsigned int DGDelayAddr;
    unsigned int StepAddr;
    unsigned int StepStopAddr;
    unsigned int StepClrAddr;
    unsigned int StepStopEnAddr;
    unsigned int RelayAddr;
    unsigned int KeyAddr;
    unsigned int CPUStatAddr;
    unsigned int PS2Addr;
    unsigned int PS2ClrAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned int SubVerAddr;
    unsigned int SubTypeAddr;
    unsigned int OutHCAddr;
    unsigned int LineClrRegAddr;
    unsigned int LineAddr;
    unsigned int OutBase[3];
    unsigned int InBase;
    unsigned int InBaseAux;
    unsigned int FsLBase, FsMBase, FsHBase, FsHHBase;
    unsigned char OutLedReg;
    unsigned char OutRelayReg;
    unsigned char OutHCReg;
    unsigned char GOutReg;
    unsigned char OutRegs[3];
    unsigned char StepMotorStopDirReg;
    unsigned char CFModeReg;
    unsigned char CntCtrlReg;
    int MotorAlarmFlg;
    int Hard_fd;
    int HardInstalled; // 0: no bus device; 1 or 2: which device opened
    long LineOldPos;

  private:
    BusIo* Io; // device or simulated rack
};

extern HARDWARE Hardware;

// Process-wide locks of the card layer; HardLock guards one slot select plus access.
extern pthread_mutex_t HardLockOut;
extern pthread_mutex_t HardLockIn;
extern pthread_mutex_t HardLock;

// The only way to reach a bus register; addresses above 255 are refused.
unsigned char inportb(unsigned short port);
void outportb(unsigned short port, unsigned char byte);
