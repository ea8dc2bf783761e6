// Card base class and the card table. Every card class derives from CVekt_MANAGER
// and replaces the operations its hardware supports; the rest print a notice.
#pragma once
#include "hardware.h"
#include "public.h"

struct CALIBTAB;

class CVekt_MANAGER {
  public:
    CVekt_MANAGER();
    virtual ~CVekt_MANAGER() = default;

    virtual int SetFaultReport(int ErrorNo);
    virtual int GetFaultReport(void* ErrorInfo);
    virtual void SetSlotID(unsigned char nSlotID);
    virtual void InitHardware();
    virtual int GetHardVer();
    virtual int GetHardType();
    virtual char* GetHardTypeName(char* TypeName);
    virtual int GetHardData(char* HardInfo, int HardInfoLen);
    virtual int GetCalibTable(CALIBTAB* pCalib, int ChIdx);
    virtual void SetRemoteIPPort(char* IP, char* Port, int Idx);
    virtual int Parse(char* Msg);
    virtual int GetTaskNum();
    virtual int GetCPUSeting();
    virtual HKEY ReadHKey();
    virtual unsigned char InB(unsigned short port);
    virtual void OutB(unsigned short port, unsigned char byte);
    virtual HILOW DigIn(int ChIdx);
    virtual int Cmd_OUT(int ChIdx, void* pArgc);
    virtual int Cmd_LD(int ChIdx, void* pArgc);
    virtual int Cmd_OUTI(int ChIdx, void* pArgc);
    virtual int Cmd_LDI(int ChIdx, void* pArgc);
    virtual int Cmd_MOT(int ChIdx, void* pArgc);
    virtual int Cmd_LMOT(int ChIdx, void* pArgc);
    virtual int Cmd_RSTZ(int ChIdx, void* pArgc);
    virtual int Cmd_DG(int ChIdx, void* pArgc);
    virtual int Cmd_LDG(int ChIdx, void* pArgc);
    virtual int Cmd_ROW(int ChIdx, void* pArgc);
    virtual int Cmd_ROCLR(int ChIdx, void* pArgc);
    virtual int Cmd_IF(int ChIdx, void* pArgc, char* pOut);
    virtual int Cmd_SETPOT(int ChIdx, void* pArgc);
    virtual float Cmd_AV(int ChIdx, void* pArgc, char* pOut);

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned char SlotID;
    unsigned char TypeID;
};

// Card table, indexed by the card index of the PLC programs: 0 CPU board,
// 1..12 bus slots, 13 network and virtual-device card.
extern CVekt_MANAGER* Vekt_CardMan[MAXCARDNO];

// One register access of a card: select its slot and access, both under HardLock.
// WaitUs is the settle pause some cards need between select and access.
unsigned char CardSelectIn(unsigned int CPUAddr, unsigned char SlotID, unsigned short port, int WaitUs);
void CardSelectOut(unsigned int CPUAddr, unsigned char SlotID, unsigned short port, unsigned char byte,
                   int WaitUs);

// Wraps a status body into "{CMD_HARD:%s:%d}#" and copies it into HardInfo:
// 1 copied, -1 does not fit with its terminating zero, -2 HardInfo null.
int WrapHardData(const char* Body, char* HardInfo, int HardInfoLen);

// One factory per model number, so that card classes replace the placeholder one by one.
// Unknown models give nullptr.
CVekt_MANAGER* CreateCard(unsigned char CardID);
CVekt_MANAGER* CreateCPUCard();
CVekt_MANAGER* CreateNetCard();
