#include "vekt_ios.h"

#include <cstdio>
#include <cstring>

#include "cardmodels.h"
#include "vekt_cpu.h"

namespace {
constexpr int SettleUs = 100; // the card needs this long after being selected
}

CVekt_MANAGER* CreateVektIOS() {
    return new CVekt_IOS();
}

CVekt_IOS::CVekt_IOS()
    : CPUAddr(0), VerAddr(3), TypeAddr(4), DigOutLAddr(5), DigOutHAddr(6), RelayAddr(7), DigInLAddr(8),
      DigInHAddr(9), FaultAddr(10), SlotID(1), TypeID(0x83) {}

unsigned char CVekt_IOS::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, SettleUs);
}

void CVekt_IOS::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, SettleUs);
}

int CVekt_IOS::SetFaultReport(int ErrorNo) {
    if (ErrorNo == 0 || ErrorNo == 1)
        OutB(static_cast<unsigned short>(FaultAddr), static_cast<unsigned char>(ErrorNo));
    return 1;
}

int CVekt_IOS::GetFaultReport(void*) {
    return 0;
}

void CVekt_IOS::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
}

void CVekt_IOS::InitHardware() {}

int CVekt_IOS::GetHardVer() {
    OutB(static_cast<unsigned short>(CPUAddr), SlotID);
    return InB(static_cast<unsigned short>(VerAddr));
}

int CVekt_IOS::GetHardType() {
    return InB(static_cast<unsigned short>(TypeAddr));
}

char* CVekt_IOS::GetHardTypeName(char* TypeName) {
    static char Name[] = "Vekt_IOS";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

int CVekt_IOS::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    int inL = InB(static_cast<unsigned short>(DigInLAddr));
    int inH = InB(static_cast<unsigned short>(DigInHAddr));
    int outL = InB(static_cast<unsigned short>(DigOutLAddr));
    int outH = InB(static_cast<unsigned short>(DigOutHAddr));
    int relay = InB(static_cast<unsigned short>(RelayAddr));
    char body[512];
    snprintf(body, sizeof body, "Type=Vekt_IOS;TypeID=%d;SlotID=%d;IOL8=%d;IOM8=%d;OL8=%d;OM8=%d;OH8=%d;",
             TypeID, SlotID, inL, inH, outL, outH, relay);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

HILOW CVekt_IOS::DigIn(int ChIdx) {
    if (ChIdx < 0) return LOW;
    unsigned int reg = ChIdx < 8 ? DigInLAddr : DigInHAddr;
    unsigned char v = InB(static_cast<unsigned short>(reg));
    return (v >> (ChIdx % 8)) & 1 ? HI : LOW;
}

int CVekt_IOS::Cmd_OUT(int ChIdx, void* pArgc) {
    unsigned int reg = ChIdx < 8 ? DigOutLAddr : ChIdx < 16 ? DigOutHAddr : RelayAddr;
    return DigitalCmdOUT(*this, OutLock, reg, ChIdx, pArgc);
}

int CVekt_IOS::Cmd_LD(int ChIdx, void* pArgc) {
    return DigitalCmdLD(*this, ChIdx, pArgc);
}

int CVekt_IOS::Cmd_IF(int ChIdx, void* pArgc, char* pOut) {
    return DigitalCmdIF(*this, ChIdx, pArgc, pOut);
}
