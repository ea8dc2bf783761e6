#include "plov_dphio.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cardmodels.h"
#include "vekt_absenc.h"
#include "vekt_cpu.h"

namespace {

constexpr int SelectWaitUs = 100; // settle time of the card after its slot is selected
constexpr int ADChannels = 8;
constexpr int DigInChannels = 16;

} // namespace

CPlov_DPHIO::CPlov_DPHIO()
    : CPUAddr(0), VerAddr(3), TypeAddr(4), ADChAddr(5), ADCPURunAddr(6), ADLAddr(6), ADHAddr(7),
      ADSpeedHAddr(8), ADCPUCtrlAddr(9), ADCPUAddAddr(10), ADCPUParaAddr(11), DigInLAddr(12), DigInHAddr(13),
      FaultAddr(31), SlotID(1), TypeID(0x70) {}

unsigned char CPlov_DPHIO::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, SelectWaitUs);
}

void CPlov_DPHIO::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, SelectWaitUs);
}

void CPlov_DPHIO::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
    // The calibration tables are looked up under the base part's slot number; without
    // it every analog card would load the sections of card 0 instead of its own.
    CVekt_MANAGER::SetSlotID(nSlotID);
}

void CPlov_DPHIO::WriteAD(unsigned char Reg, unsigned char Val) {
    std::lock_guard<std::mutex> g(ConvLock);
    OutB(static_cast<unsigned short>(ADCPUCtrlAddr), 1);
    OutB(static_cast<unsigned short>(ADCPUAddAddr), static_cast<unsigned char>(Reg * 2 + 1)); // bit 0: write
    OutB(static_cast<unsigned short>(ADCPUParaAddr), Val);
    OutB(static_cast<unsigned short>(ADCPURunAddr), 1);
    OutB(static_cast<unsigned short>(ADCPURunAddr), 1);
    OutB(static_cast<unsigned short>(ADCPUCtrlAddr), 0);
}

unsigned char CPlov_DPHIO::ReadAD(unsigned char Reg) {
    std::lock_guard<std::mutex> g(ConvLock);
    OutB(static_cast<unsigned short>(ADCPUCtrlAddr), 1);
    OutB(static_cast<unsigned short>(ADCPUAddAddr), static_cast<unsigned char>(Reg * 2));
    OutB(static_cast<unsigned short>(ADCPUParaAddr), 0);
    OutB(static_cast<unsigned short>(ADCPURunAddr), 1);
    OutB(static_cast<unsigned short>(ADCPURunAddr), 1);
    unsigned char v = InB(static_cast<unsigned short>(ADHAddr));
    OutB(static_cast<unsigned short>(ADCPUCtrlAddr), 0);
    return v;
}

void CPlov_DPHIO::InitHardware() {
    WriteAD(1, 255);
    WriteAD(2, 0);
    WriteAD(3, 0);
    for (unsigned char r = 5; r <= 12; ++r)
        WriteAD(r, 2);
    // A missing file or section leaves a channel's table as it was.
    for (int i = 0; i < ADChannels; ++i)
        GetCalibTable(&ADChCalib[i], i);
}

int CPlov_DPHIO::SetFaultReport(int ErrorNo) {
    if (ErrorNo == 0 || ErrorNo == 1)
        OutB(static_cast<unsigned short>(FaultAddr), static_cast<unsigned char>(ErrorNo));
    return 1;
}

int CPlov_DPHIO::GetFaultReport(void*) {
    return 0;
}

int CPlov_DPHIO::GetHardVer() {
    OutB(static_cast<unsigned short>(CPUAddr), SlotID);
    return InB(static_cast<unsigned short>(VerAddr));
}

int CPlov_DPHIO::GetHardType() {
    return InB(static_cast<unsigned short>(TypeAddr));
}

char* CPlov_DPHIO::GetHardTypeName(char* TypeName) {
    static char Name[] = "Plov_DPHIO";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

HILOW CPlov_DPHIO::DigIn(int ChIdx) {
    if (ChIdx < 0 || ChIdx >= DigInChannels) return LOW;
    unsigned int reg = ChIdx < 8 ? DigInLAddr : DigInHAddr;
    unsigned char v = InB(static_cast<unsigned short>(reg));
    return (v & (1u << (ChIdx % 8))) ? HI : LOW;
}

unsigned short CPlov_DPHIO::GetAngle(int ChIdx) {
    std::lock_guard<std::mutex> g(ConvLock);
    OutB(static_cast<unsigned short>(ADChAddr), static_cast<unsigned char>(ChIdx));
    unsigned int low = InB(static_cast<unsigned short>(ADLAddr));
    unsigned int high = InB(static_cast<unsigned short>(ADHAddr));
    return static_cast<unsigned short>(high * 256 + low);
}

float CPlov_DPHIO::GetTrueAngle(int ChIdx) {
    // The converter delivers offset binary with the sign sense inverted: 0x7FFF is
    // zero volts, 0x0000 the negative and 0xFFFF the positive end of the range.
    unsigned short raw = GetAngle(ChIdx);
    int16_t s = static_cast<int16_t>(raw ^ 0x7FFF);
    return static_cast<float>(-static_cast<int>(s) * 5.12 / 65535.0);
}

float CPlov_DPHIO::Cmd_AV(int ChIdx, void*, char*) {
    return GetTrueAngle(ChIdx);
}

int CPlov_DPHIO::Cmd_LD(int ChIdx, void* pArgc) {
    return DigInLoad(*this, ChIdx, pArgc);
}

int CPlov_DPHIO::Cmd_ROW(int, void*) {
    return 0; // analog channels carry no threshold test
}

int CPlov_DPHIO::Cmd_IF(int ChIdx, void* pArgc, char* pOut) {
    return DigitalCmdIF(*this, ChIdx, pArgc, pOut);
}

int CPlov_DPHIO::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    // Voltages first, then the raw readings: each is its own conversion.
    double a[ADChannels];
    unsigned int cnt[ADChannels];
    for (int k = 0; k < ADChannels; ++k)
        a[k] = GetTrueAngle(k);
    for (int k = 0; k < ADChannels; ++k)
        cnt[k] = GetAngle(k);
    char body[512];
    snprintf(
        body, sizeof body,
        "Type=Plov_DPHIO;TypeID=%d;SlotID=%d;CNT0=%04X;CNT1=%04X;CNT2=%04X;CNT3=%04X;CNT4=%04X;CNT5=%04X;"
        "CNT6=%04X;CNT7=%04X;A0=%.3f;A1=%.3f;A2=%.3f;A3=%.3f;A4=%.3f;A5=%.3f;A6=%.3f;A7=%.3f;",
        TypeID, SlotID, cnt[0], cnt[1], cnt[2], cnt[3], cnt[4], cnt[5], cnt[6], cnt[7], a[0], a[1], a[2],
        a[3], a[4], a[5], a[6], a[7]);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

CVekt_MANAGER* CreatePlovDPHIO() {
    return new CPlov_DPHIO();
}
