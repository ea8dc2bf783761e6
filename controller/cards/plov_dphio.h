// Analog card (model 0x70): eight channels through an on-card converter, raw 16-bit
// readings turned into volts, and 16 digital inputs.
#pragma once
#include <mutex>

#include "calibtab.h"
#include "vekt_man.h"

class CPlov_DPHIO : public CVekt_MANAGER {
  public:
    CPlov_DPHIO();

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
    float Cmd_AV(int ChIdx, void* pArgc, char* pOut) override;

    // Converter parameters: set one, or read one back.
    void WriteAD(unsigned char Reg, unsigned char Val);
    unsigned char ReadAD(unsigned char Reg);

    // Raw reading of channel ChIdx (high byte * 256 + low byte).
    unsigned short GetAngle(int ChIdx);
    // The channel's voltage, -2.56 V .. +2.56 V.
    float GetTrueAngle(int ChIdx);

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned int ADChAddr;
    unsigned int ADCPURunAddr;
    unsigned int ADLAddr;
    unsigned int ADHAddr;
    unsigned int ADSpeedHAddr;
    unsigned int ADCPUCtrlAddr;
    unsigned int ADCPUAddAddr;
    unsigned int ADCPUParaAddr;
    unsigned int DigInLAddr;
    unsigned int DigInHAddr;
    unsigned int FaultAddr;
    unsigned char SlotID;
    unsigned char TypeID;
    CALIBTAB ADChCalib[8];

  private:
    // One converter access at a time per card: a channel select with its two reads,
    // or a whole parameter sequence. Otherwise a second task could switch the channel
    // between the low and the high byte, or mix its parameter bytes into ours.
    std::mutex ConvLock;
};
