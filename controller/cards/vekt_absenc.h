// Absolute-encoder card (model 0x85): four encoders read one at a time through a
// channel-select register, and 16 digital inputs on the same two data registers.
#pragma once
#include <mutex>

#include "vekt_man.h"

// LD on a card with 16 inputs: 1 when input ChIdx equals atoi(pArgc).
// A null argument or a channel outside 0-15 gives 0 without a bus access.
int DigInLoad(CVekt_MANAGER& Card, int ChIdx, void* pArgc);

class CVekt_ABSENC : public CVekt_MANAGER {
  public:
    CVekt_ABSENC();

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
    int Cmd_LD(int ChIdx, void* pArgc) override;
    int Cmd_ROW(int ChIdx, void* pArgc) override;
    int Cmd_IF(int ChIdx, void* pArgc, char* pOut) override;

    // Reading of encoder ChIdx; bits 8-11 always read set (0x0F00..0xFFFF).
    unsigned short GetAngle(int ChIdx);

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned int DigCH;
    unsigned int DigInLAddr;
    unsigned int DigInHAddr;
    unsigned int FaultAddr;
    unsigned char SlotID;
    unsigned char TypeID;

  private:
    // Keeps a channel select and the two byte reads that follow it together, so a
    // task reading another encoder of this card cannot slip in between.
    std::mutex ReadLock;
};
