// The CPU board as a card: board kind, PLC task count, setting byte, keypad, fault
// output, its own digital inputs and outputs, and the internal bits of LDI/OUTI.
// Always card index 0, slot 0.
#pragma once
#include <mutex>

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
    int GetHardData(char* HardInfo, int HardInfoLen) override;
    int GetTaskNum() override;
    int GetCPUSeting() override;
    HKEY ReadHKey() override;
    unsigned char InB(unsigned short port) override;
    void OutB(unsigned short port, unsigned char byte) override;
    HILOW DigIn(int ChIdx) override;
    int Cmd_OUT(int ChIdx, void* pArgc) override;
    int Cmd_LD(int ChIdx, void* pArgc) override;
    int Cmd_OUTI(int ChIdx, void* pArgc) override;
    int Cmd_LDI(int ChIdx, void* pArgc) override;
    int Cmd_IF(int ChIdx, void* pArgc, char* pOut) override;

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

  private:
    // Held across the read-back and write of an output register, so that two tasks
    // switching different bits of the same register do not lose a change.
    std::mutex OutLock;
};

// Operations shared by the bit-channel cards (CPU board and I/O card).

// OUT: reads the output register Reg back, sets (argument 1) or clears (any other
// number) bit ChIdx mod 8 and writes the byte back, all under OutLock. 0 for a null
// argument or a negative channel (no register touched), else 1.
int DigitalCmdOUT(CVekt_MANAGER& Card, std::mutex& OutLock, unsigned int Reg, int ChIdx, void* pArgc);
// LD: 1 when the input equals atoi(argument), else 0; 0 for a null argument or a
// negative channel.
int DigitalCmdLD(CVekt_MANAGER& Card, int ChIdx, void* pArgc);
// IF with "level&text on match&text otherwise": copies the chosen text to pOut.
// 0 for a channel outside 0-15 or a missing field, -1 for a null pOut; else 0 when
// the chosen text is "NUL", 1 otherwise.
int DigitalCmdIF(CVekt_MANAGER& Card, int ChIdx, void* pArgc, char* pOut);
