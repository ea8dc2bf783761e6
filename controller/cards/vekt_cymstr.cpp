#include "vekt_cymstr.h"

#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cardmodels.h"

namespace {

// Status byte of a channel.
constexpr unsigned char DG_ALARM = 0x80;
constexpr unsigned char DG_INP = 0x40;
constexpr unsigned char DG_AREA = 0x20;
constexpr unsigned char DG_BUSY = 0x10;
constexpr unsigned char DG_RESETTING = 0x08;
constexpr unsigned char DG_SETON = 0x04;
constexpr unsigned char DG_ACK = 0x01;

// Command bytes.
constexpr unsigned char DGCMD_POS = 0x30;
constexpr unsigned char DGCMD_SETUP = 0x20;
constexpr unsigned char DGCMD_RESET = 0x10;

constexpr unsigned char DGSLOWDELAY = 254;
constexpr clock_t DGSTROBETICKS = 10;

// An alarm line that keeps toggling never gives four equal samples; after this many
// samples the actuator is taken as faulty.
constexpr int DGALARMSAMPLES = 64;

bool ChannelOk(int ChIdx) {
    return ChIdx >= 0 && ChIdx < MAXDGNUM;
}

} // namespace

CVekt_MANAGER* CreateVektCYMSTR() {
    return new CVekt_CYMSTR();
}

CVekt_CYMSTR::CVekt_CYMSTR()
    : CPUAddr(0), VerAddr(3), TypeAddr(4), DGChAddr(5), DGAddr(6), DGStart(7), DGDelayAddr(8),
      DGDirectAddr(9), FaultAddr(10), SlotID(1), TypeID(0x82), FaultByte(0), OutDGReg{},
      SetupLimitMs(DGSETUPLIMITMS), ResetLimitMs(DGRESETLIMITMS) {
    SetFaultReport(0);
}

unsigned char CVekt_CYMSTR::InB(unsigned short port) {
    return CardSelectIn(CPUAddr, SlotID, port, 0);
}

void CVekt_CYMSTR::OutB(unsigned short port, unsigned char byte) {
    CardSelectOut(CPUAddr, SlotID, port, byte, 0);
}

int CVekt_CYMSTR::SetFaultReport(int ErrorNo) {
    if (ErrorNo == 0 || ErrorNo == 1)
        OutB(static_cast<unsigned short>(FaultAddr), static_cast<unsigned char>(ErrorNo));
    return 1;
}

int CVekt_CYMSTR::GetFaultReport(void*) {
    return 0;
}

void CVekt_CYMSTR::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
}

void CVekt_CYMSTR::InitHardware() {}

int CVekt_CYMSTR::GetHardVer() {
    OutB(static_cast<unsigned short>(CPUAddr), SlotID);
    return InB(static_cast<unsigned short>(VerAddr));
}

int CVekt_CYMSTR::GetHardType() {
    return InB(static_cast<unsigned short>(TypeAddr));
}

char* CVekt_CYMSTR::GetHardTypeName(char* TypeName) {
    static char Name[] = "Vekt_CYMSTR";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

int CVekt_CYMSTR::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    unsigned char s[MAXDGNUM];
    for (unsigned char k = 0; k < MAXDGNUM; ++k)
        s[k] = GetState(k);
    auto bit = [&](int k, unsigned char mask) { return (s[k] & mask) ? 1 : 0; };
    auto svre = [&](int k) { return (s[k] & 7) == 7 ? 1 : 0; };
    char body[512];
    snprintf(body, sizeof body,
             "Type=Vekt_CYMSTR;TypeID=%d;SlotID=%d;ALARM0=%d;ALARM1=%d;ALARM2=%d;AREA0=%d;AREA1=%d;AREA2=%d;"
             "BUSY0=%d;BUSY1=%d;BUSY2=%d;INP0=%d;INP1=%d;INP2=%d;SVRE0=%d;SVRE1=%d;SVRE2=%d;SetON0=%d;"
             "SetON1=%d;SetON2=%d;WORKSTATE0=%d;WORKSTATE1=%d;WORKSTATE2=%d;",
             TypeID, SlotID, bit(0, DG_ALARM), bit(1, DG_ALARM), bit(2, DG_ALARM), bit(0, DG_AREA),
             bit(1, DG_AREA), bit(2, DG_AREA), bit(0, DG_BUSY), bit(1, DG_BUSY), bit(2, DG_BUSY),
             bit(0, DG_INP), bit(1, DG_INP), bit(2, DG_INP), svre(0), svre(1), svre(2), bit(0, DG_SETON),
             bit(1, DG_SETON), bit(2, DG_SETON), s[0], s[1], s[2]);
    return WrapHardData(body, HardInfo, HardInfoLen);
}

void CVekt_CYMSTR::OutportDG(unsigned char ch, unsigned char Byte) {
    if (ch >= MAXDGNUM) return;
    {
        std::lock_guard<std::mutex> g(ChLock);
        OutB(static_cast<unsigned short>(DGChAddr), ch);
        OutB(static_cast<unsigned short>(DGAddr), Byte);
        OutB(static_cast<unsigned short>(DGStart), 1);
    }
    // The card acknowledges the strobe in bit 0; a card that does not is given a few
    // ticks of the process clock and no more.
    clock_t t0 = clock();
    for (;;) {
        if (InportDG(ch) & DG_ACK) break;
        clock_t t = clock();
        if ((t > t0 ? t - t0 : t0 - t) > DGSTROBETICKS) break;
    }
}

unsigned char CVekt_CYMSTR::InportDG(unsigned char ch) {
    if (ch >= MAXDGNUM) return 0;
    std::lock_guard<std::mutex> g(ChLock);
    OutB(static_cast<unsigned short>(DGChAddr), ch);
    return InB(static_cast<unsigned short>(DGAddr));
}

unsigned char CVekt_CYMSTR::GetState(unsigned char ch) {
    return InportDG(ch);
}

void CVekt_CYMSTR::SetDGDelay(unsigned char ch, unsigned char Delay) {
    if (ch >= MAXDGNUM) return;
    std::lock_guard<std::mutex> g(ChLock);
    OutB(static_cast<unsigned short>(DGChAddr), ch);
    OutB(static_cast<unsigned short>(DGDelayAddr), Delay);
}

void CVekt_CYMSTR::OutDG(unsigned char ch, unsigned char Pos) {
    if (Pos < 16) OutportDG(ch, static_cast<unsigned char>(Pos + DGCMD_POS));
}

int CVekt_CYMSTR::SetupDG(unsigned char ch) {
    printf("SetupDG-*** %d ***\n", ch);
    SetDGDelay(ch, DGSLOWDELAY);
    OutportDG(ch, DGCMD_SETUP);
    WaitSetupEnd(ch);
    SetDGDelay(ch, DGDELAYTMR);
    return 1;
}

int CVekt_CYMSTR::ResetDG(unsigned char ch) {
    SetDGDelay(ch, DGSLOWDELAY);
    OutportDG(ch, DGCMD_RESET);
    WaitResetEnd(ch);
    SetDGDelay(ch, DGDELAYTMR);
    return 1;
}

// An actuator that did not finish in time is handled as one in alarm: the wait ends
// and the card's fault output goes on.
int CVekt_CYMSTR::WaitExpired(unsigned char ch, const char* Which) {
    printf("%s: DG%d gave no answer within its time limit, taken as alarm\n", Which, ch);
    FaultByte = 1;
    SetFaultReport(1);
    return -1;
}

int CVekt_CYMSTR::WaitSetupEnd(unsigned char ch) {
    if (IsAlarmDG(ch) == 1) return 0;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(SetupLimitMs);
    for (;;) {
        unsigned char s = InportDG(ch);
        if (s & DG_ALARM) return 0;
        if ((s & (DG_INP | DG_BUSY)) == DG_BUSY) return 1;
        if (std::chrono::steady_clock::now() >= limit) return WaitExpired(ch, "WaitSetupEnd");
        sched_yield(); // no pause, but let the other tasks reach the bus
    }
}

int CVekt_CYMSTR::WaitResetEnd(unsigned char ch) {
    if (IsAlarmDG(ch) == 1) return 0;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(ResetLimitMs);
    for (;;) {
        unsigned char s = InportDG(ch);
        if (s & DG_ALARM) return 0;
        if ((s & DG_BUSY) || !(s & DG_RESETTING)) return 1;
        if (std::chrono::steady_clock::now() >= limit) return WaitExpired(ch, "WaitResetEnd");
        usleep(100);
    }
}

// Four equal samples in a row decide; the fault output follows the latest sample.
int CVekt_CYMSTR::IsAlarmDG(unsigned char ch) {
    int bad = 0, good = 0;
    for (int n = 0; n < DGALARMSAMPLES; ++n) {
        unsigned char s = InportDG(ch);
        if (s & DG_ALARM) {
            FaultByte = 1;
            SetFaultReport(1);
            ++bad;
            good = 0;
            if (bad > 3) return 1;
        } else {
            FaultByte = 0;
            SetFaultReport(0);
            ++good;
            bad = 0;
            if (good > 3) return 0;
        }
    }
    printf("IsAlarmDG: DG%d alarm line unsteady, taken as alarm\n", ch);
    FaultByte = 1;
    SetFaultReport(1);
    return 1;
}

int CVekt_CYMSTR::IsPosDG(unsigned char ch) {
    for (int n = 0; n < 3; ++n) {
        if (n) usleep(1);
        unsigned char s = InportDG(ch);
        if ((s & DG_BUSY) && (s & (DG_INP | DG_AREA)) != (DG_INP | DG_AREA)) return 1;
    }
    return 0;
}

int CVekt_CYMSTR::IsMotRunEnd(unsigned char ch) {
    return (InportDG(ch) & DG_ACK) ? 0 : 1;
}

int CVekt_CYMSTR::Cmd_DG(int ChIdx, void* pArgc) {
    if (!pArgc) return 0;
    if (!ChannelOk(ChIdx)) {
        printf("Cmd_DG: no DG channel %d\n", ChIdx);
        return 1;
    }
    unsigned char ch = static_cast<unsigned char>(ChIdx);
    int v = atoi(static_cast<const char*>(pArgc));
    if (v == -1)
        SetupDG(ch);
    else if (v == -2)
        ResetDG(ch);
    else if (v >= 0 && v < 16)
        OutDG(ch, static_cast<unsigned char>(v));
    else
        printf("Cmd_DG: no DG position %d\n", v); // never wrapped onto a valid position
    return 1;
}

int CVekt_CYMSTR::Cmd_LDG(int ChIdx, void*) {
    if (!ChannelOk(ChIdx)) {
        printf("Cmd_LDG: no DG channel %d\n", ChIdx);
        return 0;
    }
    unsigned char ch = static_cast<unsigned char>(ChIdx);
    if (IsAlarmDG(ch) == 1) return -1;
    return IsPosDG(ch) ? 1 : 0;
}

int CVekt_CYMSTR::Cmd_RSTZ(int ChIdx, void*) {
    if (!ChannelOk(ChIdx)) {
        printf("Cmd_RSTZ: no DG channel %d\n", ChIdx);
        return 1;
    }
    unsigned char ch = static_cast<unsigned char>(ChIdx);
    ResetDG(ch);
    SetupDG(ch);
    return 1;
}
