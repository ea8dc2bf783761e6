#include "vekt_cpu.h"

#include <unistd.h>

#include <cstring>

unsigned char GlobeIOPool[256];

CVekt_CPU::CVekt_CPU()
    : CPUAddr(0), VerAddr(0), TypeAddr(1), PS2Addr(2), CPUStatusAddr(2), PS2ClrAddr(1), DigInL8Addr(3),
      DigInH8Addr(4), DigOutL8Addr(5), DigOutH8Addr(6), SetAddr(7), TaskNumAddr(8), SlotID(0), TypeID(0xA3) {
    SetFaultReport(0);
    memset(GlobeIOPool, 0, sizeof GlobeIOPool);
}

unsigned char CVekt_CPU::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, 0);
}

void CVekt_CPU::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, 0);
}

int CVekt_CPU::SetFaultReport(int ErrorNo) {
    if (ErrorNo == 0 || ErrorNo == 1)
        OutB(static_cast<unsigned short>(CPUStatusAddr), static_cast<unsigned char>(ErrorNo));
    return 1;
}

int CVekt_CPU::GetFaultReport(void*) {
    return 1;
}

void CVekt_CPU::SetSlotID(unsigned char) {
    SlotID = 0;
}

void CVekt_CPU::InitHardware() {}

int CVekt_CPU::GetHardVer() {
    return InB(static_cast<unsigned short>(VerAddr));
}

int CVekt_CPU::GetHardType() {
    return InB(static_cast<unsigned short>(TypeAddr));
}

char* CVekt_CPU::GetHardTypeName(char* TypeName) {
    static char Name[] = "Vekt_CPU";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

int CVekt_CPU::GetTaskNum() {
    return InB(static_cast<unsigned short>(TaskNumAddr));
}

int CVekt_CPU::GetCPUSeting() {
    return InB(static_cast<unsigned short>(SetAddr));
}

HKEY CVekt_CPU::ReadHKey() {
    unsigned char code = InB(static_cast<unsigned short>(PS2Addr));
    if (code != 0 && code != 0xF0 && code != 0xE0) {
        OutB(static_cast<unsigned short>(PS2ClrAddr), 0);
        usleep(500);
    }
    // Scan code set 2 of the numeric keypad.
    switch (code) {
    case 0x70:
        return HKEY_0;
    case 0x69:
        return HKEY_1;
    case 0x72:
        return HKEY_2;
    case 0x7A:
        return HKEY_3;
    case 0x6B:
        return HKEY_4;
    case 0x73:
        return HKEY_5;
    case 0x74:
        return HKEY_6;
    case 0x6C:
        return HKEY_7;
    case 0x75:
        return HKEY_8;
    case 0x7D:
        return HKEY_9;
    case 0x4A:
        return HKEY_Slash;
    case 0x77:
        return HKEY_Num;
    case 0x7C:
        return HKEY_Star;
    case 0x7B:
        return HKEY_Dec;
    case 0x79:
        return HKEY_Plus;
    case 0x5A:
        return HKEY_Enter;
    case 0x66:
        return HKEY_BackSpace;
    default:
        OutB(static_cast<unsigned short>(PS2ClrAddr), 0);
        return HKEY_NUL;
    }
}
