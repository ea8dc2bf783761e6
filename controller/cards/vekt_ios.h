// Digital I/O card (model 0x83, "Vekt-IOS1"): 16 inputs, 16 outputs and relay
// outputs from channel 16 up.
#pragma once
#include <mutex>

#include "vekt_man.h"

class CVekt_IOS : public CVekt_MANAGER {
  public:
    CVekt_IOS();

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
    HILOW DigIn(int ChIdx) override;
    int Cmd_OUT(int ChIdx, void* pArgc) override;
    int Cmd_LD(int ChIdx, void* pArgc) override;
    int Cmd_IF(int ChIdx, void* pArgc, char* pOut) override;

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned int DigOutLAddr;
    unsigned int DigOutHAddr;
    unsigned int RelayAddr;
    unsigned int DigInLAddr;
    unsigned int DigInHAddr;
    unsigned int FaultAddr;
    unsigned char SlotID;
    unsigned char TypeID;

  private:
    // Held across the read-back and write of an output register (see Cmd_OUT).
    std::mutex OutLock;
};
