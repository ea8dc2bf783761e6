#include "vekt_asda.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cardmodels.h"
#include "readini.h"

namespace {

// The start wait gives the drive 10 ticks of the process clock to raise its busy flag.
constexpr clock_t StartWaitTicks = 10;
// The process clock may not advance (or not exist) while the task sleeps: the wait is
// also bounded in wall time, so a drive that never answers cannot hold the task.
constexpr auto StartWaitWall = std::chrono::milliseconds(20);

bool ValidChannel(int ChIdx) {
    return ChIdx >= 0 && ChIdx < MAXSERVONUM;
}

// Positions and counters are 32-bit quantities on the card.
long AsSigned32(uint32_t v) {
    return static_cast<long>(static_cast<int32_t>(v));
}

} // namespace

CVekt_ASDA::CVekt_ASDA()
    : CPUAddr(0), VerAddr(3), TypeAddr(4), SlotID(1), TypeID(0x84), ServoCHAddr(7), ServoNum08Addr(12),
      ServoNumL8Addr(13), ServoNumM8Addr(14), ServoNumH8Addr(15), ServoMotorCtrlAddr(8), ServoFreqAddr(9),
      ServoClrAddr(18), EnCodeClrAddr(19), EnCode08Addr(20), EnCodeL8Addr(21), EnCodeM8Addr(22),
      EnCodeH8Addr(23), ServoBusyAddr(24), ServoStartAddr(24), ServoNumStop08Addr(26), ServoNumStopL8Addr(27),
      ServoNumStopM8Addr(28), ServoNumStopH8Addr(29), ABSEnCode08Addr(32), ABSEnCodeL8Addr(33),
      ABSEnCodeM8Addr(34), ABSEnCodeH8Addr(35), EnCodeFilterAddr(36), DigIOLAddr(30), DigIOHAddr(31),
      DigReg(0), ABSCount{0, 0, 0, 0}, ServoMotorCtrlReg(0), ServoFreqReg(0), ServoNumReg(0),
      ServoNumStopReg(0), MotorDir(0), STOPDIR(0), EnSTOPSense(0), ChannelNo(0), ServoClrReg(0),
      EnCodeClrReg(0), EnCodeReg(0), ServoBusyReg(0), ServoStart(0), DGPos{} {}

unsigned char CVekt_ASDA::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, 0);
}

void CVekt_ASDA::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, 0);
}

void CVekt_ASDA::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
}

void CVekt_ASDA::InitHardware() {
    std::lock_guard<std::recursive_mutex> g(CardLock);
    for (int ch = 0; ch < MAXSERVONUM; ++ch) {
        OutB(ServoCHAddr, static_cast<unsigned char>(ch));
        OutB(ServoClrAddr, 0xFF);
        OutB(ServoClrAddr, 0);
        OutB(EnCodeClrAddr, 0xFF);
        OutB(EnCodeClrAddr, 0);
    }
    OutB(EnCodeFilterAddr, 0xF0);
}

int CVekt_ASDA::GetHardVer() {
    OutB(static_cast<unsigned short>(CPUAddr), SlotID);
    return InB(static_cast<unsigned short>(VerAddr));
}

int CVekt_ASDA::GetHardType() {
    return InB(static_cast<unsigned short>(TypeAddr));
}

char* CVekt_ASDA::GetHardTypeName(char* TypeName) {
    static char Name[] = "Vekt_ASDA";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

int CVekt_ASDA::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    int iol = InB(static_cast<unsigned short>(DigIOLAddr));
    int iom = InB(static_cast<unsigned short>(DigIOHAddr));
    long cnt[MAXSERVONUM], ocnt[MAXSERVONUM];
    {
        std::lock_guard<std::recursive_mutex> g(CardLock);
        for (int k = 0; k < MAXSERVONUM; ++k) {
            cnt[k] = ABSCount[k];
            ocnt[k] = GetCountReg(k);
        }
    }
    char body[512];
    snprintf(body, sizeof body,
             "Type=Vekt_ASDA;TypeID=%d;SlotID=%d;IOL8=%d;IOM8=%d;CNT0=%ld;CNT1=%ld;CNT2=%ld;CNT3=%ld;"
             "OCNT0=%ld;OCNT1=%ld;OCNT2=%ld;OCNT3=%ld;",
             TypeID, SlotID, iol, iom, cnt[0], cnt[1], cnt[2], cnt[3], ocnt[0], ocnt[1], ocnt[2], ocnt[3]);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

HILOW CVekt_ASDA::DigIn(int ChIdx) {
    if (ChIdx < 0) return LOW;
    unsigned int reg = ChIdx < 8 ? DigIOLAddr : DigIOHAddr;
    unsigned char v = InB(static_cast<unsigned short>(reg));
    return (v >> (ChIdx % 8)) & 1 ? HI : LOW;
}

int CVekt_ASDA::Cmd_LD(int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0) return 0;
    return DigIn(ChIdx) == atoi(static_cast<const char*>(pArgc)) ? 1 : 0;
}

int CVekt_ASDA::Cmd_OUT(int ChIdx, void* pArgc) {
    if (!pArgc || ChIdx < 0) return 0;
    unsigned char mask = static_cast<unsigned char>(1u << (ChIdx % 8));
    bool on = atoi(static_cast<const char*>(pArgc)) == 1;
    unsigned int reg = ChIdx > 7 ? DigIOHAddr : DigIOLAddr;
    // The shadow is read, changed and written back as one step, so that two tasks
    // switching different lines at once both keep their line.
    std::lock_guard<std::recursive_mutex> g(CardLock);
    unsigned char v =
        on ? static_cast<unsigned char>(DigReg | mask) : static_cast<unsigned char>(DigReg & ~mask);
    OutB(static_cast<unsigned short>(reg), v);
    DigReg = v;
    return 1;
}

int CVekt_ASDA::Cmd_MOT(int ChIdx, void* pArgc) {
    if (!pArgc) return 0;
    const char* arg = static_cast<const char*>(pArgc);
    char f[64];
    auto field = [&](int idx, int& out) {
        if (!ReadIni.GetField2(arg, f, sizeof f, idx, '&')) return false;
        out = atoi(f);
        return true;
    };
    int v[11] = {};
    for (int i = 0; i < 11; ++i) {
        if (!field(i, v[i]) && i < 3) return 0; // Step, StepFreq and Dir are required
    }
    unsigned int Step = static_cast<unsigned int>(v[0]);
    unsigned char StepFreq = static_cast<unsigned char>(v[1]);
    unsigned char Dir = static_cast<unsigned char>(v[2]) != 0;
    unsigned char Force = static_cast<unsigned char>(v[3]) != 0;
    unsigned char EnExtStop = static_cast<unsigned char>(v[4]) != 0;
    unsigned char ExtStopCH = static_cast<unsigned char>(v[5]) & 0x03;
    unsigned char StopSensorDir = static_cast<unsigned char>(v[6]) != 0;
    // Fields 7 and 8 (start and compensation steps) belong to the stepper card.
    unsigned char EnCntStop = static_cast<unsigned char>(v[9]) != 0;
    unsigned int StepStop = static_cast<unsigned int>(v[10]);
    if (!Force) {
        EnExtStop = 0;
        EnCntStop = 0;
    }
    printf("ASDA: Mot ChIdx:%d, Step:%d, Dir:%d, Force:%d, EnExtStop:%d, ExtStopCH:%d, StopSensorDir:%d, "
           "StepFreq:%d, EnCntStop:%d, StepStop:%d \n",
           ChIdx, static_cast<int>(Step), Dir, Force, EnExtStop, ExtStopCH, StopSensorDir, StepFreq,
           EnCntStop, static_cast<int>(StepStop));
    StepMotorRun(ChIdx, Step, Dir, Force, EnExtStop, ExtStopCH, StopSensorDir, StepFreq, EnCntStop, StepStop);
    return 1;
}

int CVekt_ASDA::Cmd_LMOT(int ChIdx, void*) {
    unsigned char busy = InB(ServoBusyAddr);
    if (ChIdx < 0 || ChIdx >= 32) return 1;
    return (static_cast<unsigned int>(busy) >> ChIdx) & 1 ? 0 : 1;
}

int CVekt_ASDA::Cmd_LDG(int ChIdx, void* pArgc) {
    return Cmd_LMOT(ChIdx, pArgc);
}

int CVekt_ASDA::Cmd_RSTZ(int, void*) {
    return 1;
}

int CVekt_ASDA::Cmd_DG(int ChIdx, void* pArgc) {
    if (!pArgc) return 0;
    int Pos = atoi(static_cast<const char*>(pArgc));
    printf("CVekt_ASDA: Cmd_DG=%d\n", Pos);
    if (!ValidChannel(ChIdx) || Pos < 0 || Pos >= MAXPOTNUM) {
        printf("CVekt_ASDA: Cmd_DG refused, channel %d position %d (channels 0-%d, positions 0-%d)\n", ChIdx,
               Pos, MAXSERVONUM - 1, MAXPOTNUM - 1);
        return -1;
    }
    std::lock_guard<std::recursive_mutex> g(CardLock);
    POTDATA& E = m_PotData[ChIdx].m_Pot[Pos];
    // Moving towards a larger stored value runs in direction 1; back towards a smaller
    // one runs the difference in direction 0 rather than wrapping into a huge move.
    unsigned int Step;
    unsigned char Dir;
    if (E.PotData >= E.LastPotData) {
        Step = E.PotData - E.LastPotData;
        Dir = 1;
    } else {
        Step = E.LastPotData - E.PotData;
        Dir = 0;
    }
    E.LastPotData = E.PotData;
    StepMotorRun(ChIdx, Step, Dir, 0, 0, 0, 0, 1, 0, 0);
    return 1;
}

int CVekt_ASDA::Cmd_ROW(int ChIdx, void* pArgc) {
    if (!pArgc || !ValidChannel(ChIdx)) return 0;
    long c = GetCount(ChIdx);
    uint32_t mag = c < 0 ? 0u - static_cast<uint32_t>(c) : static_cast<uint32_t>(c);
    uint32_t threshold = static_cast<uint32_t>(atoi(static_cast<const char*>(pArgc)));
    return mag >= threshold ? 1 : 0;
}

int CVekt_ASDA::Cmd_ROCLR(int ChIdx, void*) {
    if (!ValidChannel(ChIdx)) return 0;
    ClearCount(ChIdx);
    return 1;
}

int CVekt_ASDA::Cmd_SETPOT(int ChIdx, void* pArgc) {
    if (!ValidChannel(ChIdx)) return 0;
    printf("CVekt_ASDA: %d\n", ChIdx);
    std::lock_guard<std::recursive_mutex> g(CardLock);
    m_PotData[ChIdx].AddPot(pArgc);
    return 1;
}

long CVekt_ASDA::GetCount(int ChIdx) {
    if (!ValidChannel(ChIdx)) return 0;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
    uint32_t r = InB(EnCode08Addr);
    r |= static_cast<uint32_t>(InB(EnCodeL8Addr)) << 8;
    r |= static_cast<uint32_t>(InB(EnCodeM8Addr)) << 16;
    r |= static_cast<uint32_t>(InB(EnCodeH8Addr)) << 24;
    // The counter register holds 0x80000000 for a count of 0.
    return AsSigned32(r + 0x80000000u);
}

int CVekt_ASDA::GetCountABS(int ChIdx, long* out) {
    if (!out || !ValidChannel(ChIdx)) return -1;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    *out = ABSCount[ChIdx];
    return 1;
}

long CVekt_ASDA::GetCountReg(int ChIdx) {
    if (!ValidChannel(ChIdx)) return 0;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
    uint32_t r = InB(ServoNum08Addr);
    r |= static_cast<uint32_t>(InB(ServoNumL8Addr)) << 8;
    r |= static_cast<uint32_t>(InB(ServoNumM8Addr)) << 16;
    r |= static_cast<uint32_t>(InB(ServoNumH8Addr)) << 24;
    if (GetDirReg(ChIdx) == 1) r = 0u - r;
    // The card counts two pulses per step.
    return static_cast<long>(static_cast<int32_t>(r) / 2);
}

unsigned char CVekt_ASDA::GetDirReg(int ChIdx) {
    if (!ValidChannel(ChIdx)) return 0;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
    return (InB(ServoMotorCtrlAddr) >> 7) & 1;
}

void CVekt_ASDA::ClearCount(int ChIdx) {
    if (!ValidChannel(ChIdx)) return;
    std::lock_guard<std::recursive_mutex> g(CardLock);
    OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
    OutB(EnCodeClrAddr, 1);
    OutB(EnCodeClrAddr, 0);
    ABSCount[ChIdx] = 0;
}

void CVekt_ASDA::SetMotorParamter(int ChIdx, unsigned char MotorDir_, unsigned char ExtStopCH,
                                  unsigned char STOPDir, unsigned char Force, unsigned char EnExStop,
                                  unsigned char EnCntStop) {
    std::lock_guard<std::recursive_mutex> g(CardLock);
    OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
    MotorDir_ = MotorDir_ != 0;
    STOPDir = STOPDir != 0;
    Force = Force != 0;
    EnExStop = Force && EnExStop;
    EnCntStop = Force && EnCntStop;
    // Only the two low bits select the stop input; anything above would land on the
    // stop-enable flags.
    ServoMotorCtrlReg = static_cast<unsigned char>(MotorDir_ * 0x80 + STOPDir * 0x40 + Force * 0x20 +
                                                   EnCntStop * 0x08 + EnExStop * 0x04 + (ExtStopCH & 0x03));
    OutB(ServoMotorCtrlAddr, ServoMotorCtrlReg);
}

void CVekt_ASDA::SetMotorRunParamter(int ChIdx, unsigned char StepFreq, unsigned int StepNum,
                                     unsigned int StepStopNum) {
    std::lock_guard<std::recursive_mutex> g(CardLock);
    OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
    ServoFreqReg = StepFreq;
    OutB(ServoFreqAddr, ServoFreqReg);
    ServoNumReg = StepNum * 2u;
    OutB(ServoNumH8Addr, static_cast<unsigned char>(ServoNumReg >> 24));
    OutB(ServoNumM8Addr, static_cast<unsigned char>(ServoNumReg >> 16));
    OutB(ServoNumL8Addr, static_cast<unsigned char>(ServoNumReg >> 8));
    OutB(ServoNum08Addr, static_cast<unsigned char>(ServoNumReg));
    ServoNumStopReg = StepStopNum;
    OutB(ServoNumStopH8Addr, static_cast<unsigned char>(ServoNumStopReg >> 24));
    OutB(ServoNumStopM8Addr, static_cast<unsigned char>(ServoNumStopReg >> 16));
    OutB(ServoNumStopL8Addr, static_cast<unsigned char>(ServoNumStopReg >> 8));
    OutB(ServoNumStop08Addr, static_cast<unsigned char>(ServoNumStopReg));
}

void CVekt_ASDA::StepMotorRun(int ChIdx, unsigned int Step, unsigned char Dir, unsigned char Force,
                              unsigned char EnExtStop, unsigned char ExtStopCH, unsigned char StopSensorDir,
                              unsigned char StepFreq, unsigned char EnCntStop, unsigned int StepStop) {
    if (!ValidChannel(ChIdx)) return;
    {
        // One move is one unbroken sequence on the shared channel-select register.
        std::lock_guard<std::recursive_mutex> g(CardLock);
        uint32_t pos = static_cast<uint32_t>(ABSCount[ChIdx]);
        ABSCount[ChIdx] = AsSigned32(Dir ? pos - Step : pos + Step);
        SetMotorParamter(ChIdx, Dir, ExtStopCH, StopSensorDir, Force, EnExtStop, EnCntStop);
        SetMotorRunParamter(ChIdx, StepFreq, Step, StepStop);
        OutB(ServoCHAddr, static_cast<unsigned char>(ChIdx));
        OutB(ServoStartAddr, 1);
    }
    // Give the drive a moment to take the start; LMOT tells when the move has ended.
    clock_t t0 = clock();
    auto wallEnd = std::chrono::steady_clock::now() + StartWaitWall;
    for (;;) {
        if (InB(ServoBusyAddr) & 0x01) break;
        clock_t t = clock();
        if ((t > t0 ? t - t0 : t0 - t) > StartWaitTicks) break;
        if (std::chrono::steady_clock::now() >= wallEnd) break;
        usleep(1);
    }
}

CVekt_MANAGER* CreateVektASDA() {
    return new CVekt_ASDA();
}
