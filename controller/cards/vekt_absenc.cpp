#include "vekt_absenc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cardmodels.h"
#include "readini.h"
#include "stricmp.h"
#include "vekt_cpu.h"

namespace {

constexpr int SelectWaitUs = 100; // settle time of the card after its slot is selected
constexpr int DigInChannels = 16;
constexpr int EncoderChannels = 4;

} // namespace

int DigInLoad(CVekt_MANAGER& Card, int ChIdx, void* pArgc) {
    if (!pArgc) return 0;
    if (ChIdx < 0 || ChIdx >= DigInChannels) return 0;
    return Card.DigIn(ChIdx) == atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

CVekt_ABSENC::CVekt_ABSENC()
    : CPUAddr(0), VerAddr(3), TypeAddr(4), DigCH(7), DigInLAddr(8), DigInHAddr(9), FaultAddr(31), SlotID(1),
      TypeID(0x85) {}

unsigned char CVekt_ABSENC::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, SelectWaitUs);
}

void CVekt_ABSENC::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, SelectWaitUs);
}

void CVekt_ABSENC::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
}

void CVekt_ABSENC::InitHardware() {}

int CVekt_ABSENC::SetFaultReport(int ErrorNo) {
    if (ErrorNo == 0 || ErrorNo == 1)
        OutB(static_cast<unsigned short>(FaultAddr), static_cast<unsigned char>(ErrorNo));
    return 1;
}

int CVekt_ABSENC::GetFaultReport(void*) {
    return 0;
}

int CVekt_ABSENC::GetHardVer() {
    OutB(static_cast<unsigned short>(CPUAddr), SlotID);
    return InB(static_cast<unsigned short>(VerAddr));
}

int CVekt_ABSENC::GetHardType() {
    return InB(static_cast<unsigned short>(TypeAddr));
}

char* CVekt_ABSENC::GetHardTypeName(char* TypeName) {
    // The card has always announced itself under this spelling; hosts match on it.
    static char Name[] = "Vekt_ASBENC";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

HILOW CVekt_ABSENC::DigIn(int ChIdx) {
    // The 16 inputs share the data registers with the selected encoder.
    if (ChIdx < 0 || ChIdx >= DigInChannels) return LOW;
    unsigned int reg = ChIdx < 8 ? DigInLAddr : DigInHAddr;
    unsigned char v = InB(static_cast<unsigned short>(reg));
    return (v & (1u << (ChIdx % 8))) ? HI : LOW;
}

unsigned short CVekt_ABSENC::GetAngle(int ChIdx) {
    std::lock_guard<std::mutex> g(ReadLock);
    OutB(static_cast<unsigned short>(DigCH), static_cast<unsigned char>(ChIdx));
    unsigned int low = InB(static_cast<unsigned short>(DigInLAddr));
    unsigned int high = InB(static_cast<unsigned short>(DigInHAddr));
    return static_cast<unsigned short>((high << 8) | 0x0F00u | low);
}

int CVekt_ABSENC::Cmd_LD(int ChIdx, void* pArgc) {
    return DigInLoad(*this, ChIdx, pArgc);
}

int CVekt_ABSENC::Cmd_ROW(int ChIdx, void* pArgc) {
    if (!pArgc) return 0;
    if (ChIdx < 0 || ChIdx >= EncoderChannels) return 0;
    return GetAngle(ChIdx) >= atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

int CVekt_ABSENC::Cmd_IF(int ChIdx, void* pArgc, char* pOut) {
    return DigitalCmdIF(*this, ChIdx, pArgc, pOut);
}

int CVekt_ABSENC::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    long cnt[EncoderChannels];
    for (int k = 0; k < EncoderChannels; ++k)
        cnt[k] = GetAngle(k);
    char body[512];
    snprintf(body, sizeof body, "Type=Vekt_ABSENC;TypeID=%d;SlotID=%d;CNT0=%ld;CNT1=%ld;CNT2=%ld;CNT3=%ld;",
             TypeID, SlotID, cnt[0], cnt[1], cnt[2], cnt[3]);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

CVekt_MANAGER* CreateVektABSENC() {
    return new CVekt_ABSENC();
}
