// The CPU board as a card: board kind, PLC task count, setting byte, keypad and
// fault output. Always card index 0, slot 0.
#pragma once
#include "vekt_man.h"

extern unsigned char GlobeIOPool[256]; // internal PLC bits of LDI/OUTI

class CVekt_CPU : public CVekt_MANAGER {
  public:
    CVekt_CPU();

    int SetFaultReport(int ErrorNo) override;
    int GetFaultReport(void* ErrorInfo) override;
    void SetSlotID(unsigned char nSlotID) override;
    void InitHardware() override;
    int GetHardVer() override;
    int GetHardType() override;
    char* GetHardTypeName(char* TypeName) override;
    int GetTaskNum() override;
    int GetCPUSeting() override;
    HKEY ReadHKey() override;
    unsigned char InB(unsigned short port) override;
    void OutB(unsigned short port, unsigned char byte) override;

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned int PS2Addr;
    unsigned int CPUStatusAddr;
    unsigned int PS2ClrAddr;
    unsigned int DigInL8Addr;
    unsigned int DigInH8Addr;
    unsigned int DigOutL8Addr;
    unsigned int DigOutH8Addr;
    unsigned int SetAddr;
    unsigned int TaskNumAddr;
    unsigned char SlotID;
    unsigned char TypeID;
};
