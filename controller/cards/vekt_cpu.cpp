#include "vekt_cpu.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "readini.h"
#include "stricmp.h"

unsigned char GlobeIOPool[256];

namespace {

// The pool is shared by every PLC task without a lock; each access is one byte, made
// atomic so that concurrent tasks see whole values.
unsigned char PoolGet(int n) {
    return std::atomic_ref<unsigned char>(GlobeIOPool[n]).load(std::memory_order_relaxed);
}

void PoolSet(int n, unsigned char v) {
    std::atomic_ref<unsigned char>(GlobeIOPool[n]).store(v, std::memory_order_relaxed);
}

} // namespace

int DigitalCmdOUT(CVekt_MANAGER& Card, std::mutex& OutLock, unsigned int Reg, int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0) return 0;
    int v = atoi(static_cast<const char*>(pArgc));
    unsigned char mask = static_cast<unsigned char>(1u << (ChIdx % 8));
    std::lock_guard<std::mutex> g(OutLock);
    unsigned char reg = Card.InB(static_cast<unsigned short>(Reg));
    if (v == 1)
        reg = static_cast<unsigned char>(reg | mask);
    else
        reg = static_cast<unsigned char>(reg & ~mask);
    Card.OutB(static_cast<unsigned short>(Reg), reg);
    return 1;
}

int DigitalCmdLD(CVekt_MANAGER& Card, int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0) return 0;
    return static_cast<int>(Card.DigIn(ChIdx)) == atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

int DigitalCmdIF(CVekt_MANAGER& Card, int ChIdx, void* pArgc, char* pOut) {
    if (ChIdx < 0 || ChIdx > 15 || !pArgc) return 0;
    const char* arg = static_cast<const char*>(pArgc);
    // A field is never longer than the whole argument text.
    std::vector<char> level(strlen(arg) + 1), match(level.size()), other(level.size());
    if (!ReadIni.GetField2(arg, level.data(), level.size(), 0, '&') ||
        !ReadIni.GetField2(arg, match.data(), match.size(), 1, '&') ||
        !ReadIni.GetField2(arg, other.data(), other.size(), 2, '&'))
        return 0;
    if (!pOut) return -1;
    const std::vector<char>& chosen =
        static_cast<int>(Card.DigIn(ChIdx)) == atoi(level.data()) ? match : other;
    // pOut may be the argument buffer itself: the fields are copies already.
    strcpy(pOut, chosen.data());
    return stricmp(pOut, "NUL") == 0 ? 0 : 1;
}

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

int CVekt_CPU::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    int inL = InB(static_cast<unsigned short>(DigInL8Addr));
    int inH = InB(static_cast<unsigned short>(DigInH8Addr));
    int outL = InB(static_cast<unsigned short>(DigOutL8Addr));
    int outH = InB(static_cast<unsigned short>(DigOutH8Addr));
    char body[512];
    snprintf(body, sizeof body, "Type=Vekt_CPU;TypeID=%d;SlotID=%d;IOL8=%d;IOM8=%d;OL8=%d;OM8=%d;", TypeID,
             SlotID, inL, inH, outL, outH);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

int CVekt_CPU::GetTaskNum() {
    return InB(static_cast<unsigned short>(TaskNumAddr));
}

int CVekt_CPU::GetCPUSeting() {
    return InB(static_cast<unsigned short>(SetAddr));
}

HILOW CVekt_CPU::DigIn(int ChIdx) {
    if (ChIdx < 0) return LOW;
    unsigned int reg = ChIdx < 8 ? DigInL8Addr : DigInH8Addr;
    unsigned char v = InB(static_cast<unsigned short>(reg));
    return (v >> (ChIdx % 8)) & 1 ? HI : LOW;
}

int CVekt_CPU::Cmd_OUT(int ChIdx, void* pArgc) {
    return DigitalCmdOUT(*this, OutLock, ChIdx > 7 ? DigOutH8Addr : DigOutL8Addr, ChIdx, pArgc);
}

int CVekt_CPU::Cmd_LD(int ChIdx, void* pArgc) {
    return DigitalCmdLD(*this, ChIdx, pArgc);
}

int CVekt_CPU::Cmd_IF(int ChIdx, void* pArgc, char* pOut) {
    return DigitalCmdIF(*this, ChIdx, pArgc, pOut);
}

int CVekt_CPU::Cmd_OUTI(int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0 || ChIdx >= 256) return 0;
    PoolSet(ChIdx, static_cast<unsigned char>(atoi(static_cast<const char*>(pArgc))));
    return 1;
}

int CVekt_CPU::Cmd_LDI(int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0 || ChIdx >= 256) return 0;
    // Compared as whole numbers: a stored byte never equals a value above 255.
    return PoolGet(ChIdx) == atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

HKEY CVekt_CPU::ReadHKey() {
    unsigned char code = InB(static_cast<unsigned short>(PS2Addr));
    // 0xF0 (break) and 0xE0 (extended) prefixes are not acknowledged here; the
    // default branch below clears them.
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
