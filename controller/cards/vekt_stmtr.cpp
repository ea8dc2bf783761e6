#include "vekt_stmtr.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cardmodels.h"
#include "console.h"
#include "readini.h"

namespace {

bool ValidChannel(int ChIdx) {
    return ChIdx >= 0 && ChIdx < MAXSTEPMOTORNUM;
}

// Field k of an "&"-separated argument as a number, the way atoi reads it
// (non-numeric text reads 0); false when the field does not exist.
bool NumField(const char* arg, int Idx, long long& out) {
    char field[64];
    if (!ReadIni.GetField2(arg, field, sizeof field, Idx, '&')) return false;
    out = strtoll(field, nullptr, 10);
    return true;
}

unsigned char Flag(unsigned char v) {
    return v != 0 ? 1 : 0;
}

} // namespace

CVekt_MANAGER* CreateVektSTMTR() {
    return new CVekt_STMTR();
}

CVekt_STMTR::CVekt_STMTR()
    : CPUAddr(0), VerAddr(3), TypeAddr(4), SlotID(1), TypeID(0x81), StepCHAddr(7), StepMotorCtrlAddr(8),
      StepFreqAddr(9), StepStarNumAddrL(10), StepStarNumAddrH(11), StepNum08Addr(12), StepNumL8Addr(13),
      StepNumM8Addr(14), StepNumH8Addr(15), StepNumCompensateL(16), StepNumCompensateH(17), StepClrAddr(18),
      EnCodeClrAddr(19), EnCode08Addr(20), EnCodeL8Addr(21), EnCodeM8Addr(22), EnCodeH8Addr(23),
      StepBusyAddr(24), StepStartAddr(24), StepNumStop08Addr(26), StepNumStopL8Addr(27),
      StepNumStopM8Addr(28), StepNumStopH8Addr(29), FaultAddr(31), PortSWAddr(36), StepOutLAddr(37),
      StepOutHAddr(38), StepMotorCtrlReg(0), StepFreqReg(0), StepStarNumReg(0), StepNumReg(0),
      StepNumCompensateReg(0), StepNumStopReg(0), MotorDir(0), STOPDIR(0), EnSTOPSense(0), ChannelNo(0),
      StepClrReg(0), EnCodeClrReg(0), StepBusyReg(0), StepStart(0), EnCodeReg(0) {}

unsigned char CVekt_STMTR::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, 0);
}

void CVekt_STMTR::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, 0);
}

int CVekt_STMTR::SetFaultReport(int ErrorNo) {
    if (ErrorNo == 0 || ErrorNo == 1) Out(FaultAddr, static_cast<unsigned char>(ErrorNo));
    return 1;
}

int CVekt_STMTR::GetFaultReport(void*) {
    return 0;
}

void CVekt_STMTR::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
}

void CVekt_STMTR::InitHardware() {
    std::lock_guard<std::recursive_mutex> g(CardLock);
    for (int ch = 0; ch < MAXSTEPMOTORNUM; ++ch) {
        Out(StepCHAddr, static_cast<unsigned char>(ch));
        Out(StepClrAddr, 0xFF);
        Out(StepClrAddr, 0);
        Out(EnCodeClrAddr, 0xFF);
        Out(EnCodeClrAddr, 0);
    }
}

int CVekt_STMTR::GetHardVer() {
    return In(VerAddr);
}

int CVekt_STMTR::GetHardType() {
    return In(TypeAddr);
}

char* CVekt_STMTR::GetHardTypeName(char* TypeName) {
    static char Name[] = "Vekt_STMTR";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

int CVekt_STMTR::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    long cnt[MAXSTEPMOTORNUM], ocnt[MAXSTEPMOTORNUM];
    int iol = In(StepOutLAddr);
    int iom = In(StepOutHAddr);
    for (int k = 0; k < MAXSTEPMOTORNUM; ++k)
        cnt[k] = GetCount(k);
    for (int k = 0; k < MAXSTEPMOTORNUM; ++k)
        ocnt[k] = GetCountReg(k);
    char body[512];
    snprintf(
        body, sizeof body,
        "Type=Vekt_STMTR;TypeID=%d;SlotID=%d;IOL8=%d;IOM8=%d;CNT0=%ld;CNT1=%ld;CNT2=%ld;CNT3=%ld;CNT4=%ld;"
        "CNT5=%ld;CNT6=%ld;CNT7=%ld;OCNT0=%ld;OCNT1=%ld;OCNT2=%ld;OCNT3=%ld;OCNT4=%ld;OCNT5=%ld;OCNT6=%ld;"
        "OCNT7=%ld;",
        TypeID, SlotID, iol, iom, cnt[0], cnt[1], cnt[2], cnt[3], cnt[4], cnt[5], cnt[6], cnt[7], ocnt[0],
        ocnt[1], ocnt[2], ocnt[3], ocnt[4], ocnt[5], ocnt[6], ocnt[7]);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

HILOW CVekt_STMTR::DigIn(int ChIdx) {
    if (ChIdx < 0) return LOW; // no such line; a negative bit number would be undefined
    unsigned char reg = In(ChIdx > 7 ? StepOutHAddr : StepOutLAddr);
    return (reg >> (ChIdx % 8)) & 1 ? HI : LOW;
}

int CVekt_STMTR::Cmd_LD(int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0) return 0;
    return DigIn(ChIdx) == atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

int CVekt_STMTR::Cmd_OUT(int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0) return 0;
    int level = atoi(static_cast<const char*>(pArgc));
    unsigned int reg = ChIdx < 8 ? StepOutLAddr : StepOutHAddr;
    unsigned char mask = static_cast<unsigned char>(1u << (ChIdx % 8));
    // Both line registers are shared by eight outputs: keep the read and the write
    // back together so another task's change between them is not lost.
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(PortSWAddr, 1);
    unsigned char v = In(reg);
    if (level == 1)
        v = static_cast<unsigned char>(v | mask);
    else
        v = static_cast<unsigned char>(v & ~mask);
    Out(reg, v);
    return 1;
}

int CVekt_STMTR::Cmd_MOT(int ChIdx, void* pArgc) {
    if (!pArgc) return 0;
    const char* arg = static_cast<const char*>(pArgc);
    long long f[11] = {};
    // Step, frequency and direction are required; the rest default to 0.
    for (int i = 0; i < 11; ++i)
        if (!NumField(arg, i, f[i]) && i < 3) return 0;
    unsigned int Step = static_cast<unsigned int>(f[0]);
    unsigned char StepFreq = static_cast<unsigned char>(f[1]);
    unsigned char Dir = Flag(static_cast<unsigned char>(f[2]));
    unsigned char Force = Flag(static_cast<unsigned char>(f[3]));
    unsigned char EnExtStop = Flag(static_cast<unsigned char>(f[4]));
    // f[5], the external stop input, has no meaning on this card.
    unsigned char StopSensorDir = Flag(static_cast<unsigned char>(f[6]));
    unsigned short StartStep = static_cast<unsigned short>(f[7]);
    unsigned short CompensateStep = static_cast<unsigned short>(f[8]);
    unsigned char EnCntStop = Flag(static_cast<unsigned char>(f[9]));
    unsigned int StepStop = static_cast<unsigned int>(f[10]);
    if (!Force) EnExtStop = EnCntStop = 0;

    Pprintf(DUG_HRD_LV2,
            "STMTR: MOT ChIdx:%d, Step:%d, Dir:%d, EnStop:%d, EnExtSTop:%d, StopSensorDir:%d, StepFreq:%d, "
            "StartStep:%d, CompensateStep:%d, EnCntStop:%d, StepStop:%d\n",
            ChIdx, static_cast<int>(Step), Dir, Force, EnExtStop, StopSensorDir, StepFreq, StartStep,
            CompensateStep, EnCntStop, static_cast<int>(StepStop));
    StepMotorRun(ChIdx, Step, Dir, Force, EnExtStop, StopSensorDir, StepFreq, StartStep, CompensateStep,
                 EnCntStop, StepStop);
    return 1;
}

int CVekt_STMTR::Cmd_LMOT(int ChIdx, void*) {
    return IsMotRunEnd(static_cast<unsigned char>(ChIdx)) == 1 ? 1 : 0;
}

int CVekt_STMTR::Cmd_ROW(int ChIdx, void* pArgc) {
    if (!pArgc || !ValidChannel(ChIdx)) return 0;
    long long count = GetCount(ChIdx);
    if (count < 0) count = -count; // wide enough for the most negative count
    return count >= atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

int CVekt_STMTR::Cmd_ROCLR(int ChIdx, void*) {
    if (!ValidChannel(ChIdx)) return 0;
    ClearCount(ChIdx);
    return 1;
}

unsigned int CVekt_STMTR::ReadLong(unsigned short b0, unsigned short b1, unsigned short b2,
                                   unsigned short b3) {
    unsigned int r = In(b0);
    r |= static_cast<unsigned int>(In(b1)) << 8;
    r |= static_cast<unsigned int>(In(b2)) << 16;
    r |= static_cast<unsigned int>(In(b3)) << 24;
    return r;
}

long CVekt_STMTR::GetCount(int ChIdx) {
    if (!ValidChannel(ChIdx)) return 0;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(StepCHAddr, static_cast<unsigned char>(ChIdx));
    unsigned int r = ReadLong(EnCode08Addr, EnCodeL8Addr, EnCodeM8Addr, EnCodeH8Addr);
    // The counter register holds 0x80000000 for a count of 0.
    return static_cast<int>(r + 0x80000000u);
}

long CVekt_STMTR::GetCountABS(int ChIdx) {
    return GetCount(ChIdx);
}

long CVekt_STMTR::GetCountReg(int ChIdx) {
    if (!ValidChannel(ChIdx)) return 0;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(StepCHAddr, static_cast<unsigned char>(ChIdx));
    unsigned int r = ReadLong(StepNum08Addr, StepNumL8Addr, StepNumM8Addr, StepNumH8Addr);
    int v = static_cast<int>(r);
    // Negating in unsigned arithmetic keeps the most negative value defined.
    return GetDirReg(ChIdx) == 1 ? static_cast<int>(0u - r) : v;
}

unsigned char CVekt_STMTR::GetDirReg(int ChIdx) {
    if (!ValidChannel(ChIdx)) return 0;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(StepCHAddr, static_cast<unsigned char>(ChIdx));
    return (In(StepMotorCtrlAddr) & 0x80) ? 1 : 0;
}

void CVekt_STMTR::ClearCount(int ChIdx) {
    if (!ValidChannel(ChIdx)) return;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(StepCHAddr, static_cast<unsigned char>(ChIdx));
    Out(EnCodeClrAddr, 1);
    Out(EnCodeClrAddr, 0);
}

int CVekt_STMTR::IsMotRunEnd(unsigned char ChIdx) {
    unsigned int busy = In(StepBusyAddr);
    return ChIdx < 32 && ((busy >> ChIdx) & 1) ? 0 : 1;
}

void CVekt_STMTR::SetMotorParamter(int ChIdx, unsigned char Dir, unsigned char STOPDir, unsigned char Force,
                                   unsigned char EnExStop, unsigned char EnCntStop) {
    if (!ValidChannel(ChIdx)) return;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(StepCHAddr, static_cast<unsigned char>(ChIdx));
    Dir = Flag(Dir);
    STOPDir = Flag(STOPDir);
    Force = Flag(Force);
    EnExStop = Flag(EnExStop);
    EnCntStop = Flag(EnCntStop);
    if (!Force) EnExStop = EnCntStop = 0;
    StepMotorCtrlReg = static_cast<unsigned char>(Dir * 0x80 + STOPDir * 0x40 + Force * 0x20 +
                                                  EnCntStop * 0x08 + EnExStop * 0x04);
    Out(StepMotorCtrlAddr, StepMotorCtrlReg);
}

void CVekt_STMTR::SetMotorRunParamter(int ChIdx, unsigned char StepFreq, unsigned short StepStarNum,
                                      unsigned int StepNum, unsigned short StepNumCompensate,
                                      unsigned int StepStopNum) {
    if (!ValidChannel(ChIdx)) return;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    Out(StepCHAddr, static_cast<unsigned char>(ChIdx));
    StepFreqReg = StepFreq;
    Out(StepFreqAddr, StepFreqReg);
    // The start-step and compensation registers take the frequency byte in their low
    // byte; the card's ramp logic expects it there.
    StepStarNumReg = static_cast<unsigned short>(StepStarNum * 2);
    Out(StepStarNumAddrH, 0);
    Out(StepStarNumAddrL, StepFreqReg);
    // The generator counts both edges of a pulse: twice the steps.
    StepNumReg = StepNum * 2u;
    Out(StepNumH8Addr, static_cast<unsigned char>(StepNumReg >> 24));
    Out(StepNumM8Addr, static_cast<unsigned char>(StepNumReg >> 16));
    Out(StepNumL8Addr, static_cast<unsigned char>(StepNumReg >> 8));
    Out(StepNum08Addr, static_cast<unsigned char>(StepNumReg));
    StepNumCompensateReg = static_cast<unsigned short>(StepNumCompensate * 2);
    Out(StepNumCompensateH, 0);
    Out(StepNumCompensateL, StepFreqReg);
    StepNumStopReg = StepStopNum;
    Out(StepNumStopH8Addr, static_cast<unsigned char>(StepNumStopReg >> 24));
    Out(StepNumStopM8Addr, static_cast<unsigned char>(StepNumStopReg >> 16));
    Out(StepNumStopL8Addr, static_cast<unsigned char>(StepNumStopReg >> 8));
    Out(StepNumStop08Addr, static_cast<unsigned char>(StepNumStopReg));
}

void CVekt_STMTR::StepMotorRun(int ChIdx, unsigned int Step, unsigned char Dir, unsigned char Force,
                               unsigned char EnExtStop, unsigned char StopSensorDir, unsigned char StepFreq,
                               unsigned short StartStep, unsigned short CompensateStep,
                               unsigned char EnCntStop, unsigned int StepStop) {
    if (!ValidChannel(ChIdx)) return;
    {
        // The start strobe starts the selected channel: no other channel may be
        // selected between the parameters and the strobe.
        std::lock_guard<std::recursive_mutex> g(CardLock);
        SetMotorParamter(ChIdx, Dir, StopSensorDir, Force, EnExtStop, EnCntStop);
        SetMotorRunParamter(ChIdx, StepFreq, StartStep, Step, CompensateStep, StepStop);
        Out(PortSWAddr, 0);
        Out(StepStartAddr, 1);
    }
    // Short look for the busy bit; a card that does not answer costs only a few
    // ticks of the process clock. LMOT tells when the move has ended.
    clock_t t0 = clock();
    for (;;) {
        if (In(StepBusyAddr) & 0x01) break;
        clock_t d = clock() - t0;
        if (d < 0) d = -d;
        if (d > 10) break;
    }
}

float CVekt_STMTR::GetMileageCount(int) {
    return 0.0f;
}

void CVekt_STMTR::AllowMileageCount(int, int) {}
