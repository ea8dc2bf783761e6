// Cylinder card: up to three position-programmed electric actuators ("DG" channels).
// An actuator takes a position number 0-15, a setup (return to origin) or an alarm
// reset, and reports a status byte per channel.
#pragma once
#include <mutex>

#include "vekt_man.h"

#define MAXDGNUM 3      // actuator channels of the card
#define DGDELAYTMR 0x3F // normal delay byte; setup and reset run with 254

// Time limits of the setup and reset waits. An actuator that never answers must not
// hold its PLC task for ever; a return to origin at the slow setup delay takes a few
// seconds on a long stroke, an alarm reset well under one.
#define DGSETUPLIMITMS 20000
#define DGRESETLIMITMS 5000

class CVekt_CYMSTR : public CVekt_MANAGER {
  public:
    CVekt_CYMSTR();

    int SetFaultReport(int ErrorNo) override;
    int GetFaultReport(void* ErrorInfo) override;
    void SetSlotID(unsigned char nSlotID) override;
    void InitHardware() override;
    int GetHardVer() override;
    int GetHardType() override;
    char* GetHardTypeName(char* TypeName) override;
    int GetHardData(char* HardInfo, int HardInfoLen) override;
    unsigned char InB(unsigned short port) override;
    void OutB(unsigned short port, unsigned char byte) override;
    int Cmd_RSTZ(int ChIdx, void* pArgc) override;
    int Cmd_DG(int ChIdx, void* pArgc) override;
    int Cmd_LDG(int ChIdx, void* pArgc) override;

    void OutportDG(unsigned char ch, unsigned char Byte);
    unsigned char InportDG(unsigned char ch);
    void SetDGDelay(unsigned char ch, unsigned char Delay);
    unsigned char GetState(unsigned char ch);
    int IsPosDG(unsigned char ch);
    int IsMotRunEnd(unsigned char ch);
    int IsAlarmDG(unsigned char ch);
    // The waits: 1 the actuator finished, 0 it is in alarm, -1 the time limit ran out
    // (handled as an alarm: fault output set).
    int WaitResetEnd(unsigned char ch);
    int WaitSetupEnd(unsigned char ch);
    int ResetDG(unsigned char ch);
    int SetupDG(unsigned char ch);
    void OutDG(unsigned char ch, unsigned char Pos);

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned int DGChAddr;
    unsigned int DGAddr;
    unsigned int DGStart;
    unsigned int DGDelayAddr;
    unsigned int DGDirectAddr;
    unsigned int FaultAddr;
    unsigned char SlotID;
    unsigned char TypeID;
    unsigned char FaultByte;
    unsigned char OutDGReg[MAXDGNUM];

    // Time limits of the waits in milliseconds (DGSETUPLIMITMS, DGRESETLIMITMS).
    int SetupLimitMs;
    int ResetLimitMs;

  private:
    // The channel-select register is shared by the three channels and every task:
    // a select and the accesses that depend on it are done under this lock, so that
    // a command or a status read never reaches another channel's actuator.
    std::mutex ChLock;
    int WaitExpired(unsigned char ch, const char* Which);
};
