#include "vekt_man.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "calibtab.h"
#include "protocol.h"
#include "readini.h"
#include "udpserver.h"

CVekt_MANAGER* Vekt_CardMan[MAXCARDNO];

CVekt_MANAGER::CVekt_MANAGER() : CPUAddr(0), VerAddr(0), TypeAddr(1), SlotID(0), TypeID(0) {}

int CVekt_MANAGER::SetFaultReport(int) {
    puts("SetFaultReport:Card Not Found or Do not support!");
    return 0;
}

int CVekt_MANAGER::GetFaultReport(void*) {
    puts("GetFaultReport:Card Not Found or Do not support!");
    return 0;
}

void CVekt_MANAGER::SetSlotID(unsigned char nSlotID) {
    SlotID = nSlotID;
}

void CVekt_MANAGER::InitHardware() {
    printf("InitHardware:Card Not Found or Do not support! %d\n", SlotID);
}

int CVekt_MANAGER::GetHardVer() {
    puts("GetHardVer:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::GetHardType() {
    puts("GetHardType:Card Not Found or Do not support!");
    return 1;
}

char* CVekt_MANAGER::GetHardTypeName(char* TypeName) {
    static char Name[] = "Vekt_Man";
    if (TypeName) strcpy(TypeName, Name);
    return Name;
}

int CVekt_MANAGER::GetHardData(char* HardInfo, int) {
    if (HardInfo) HardInfo[0] = '\0';
    return 0;
}

void CVekt_MANAGER::SetRemoteIPPort(char*, char*, int) {
    puts("SetRemoteIPPort:Card Not Found or Do not support!");
}

int CVekt_MANAGER::Parse(char*) {
    puts("Parse:Card Not Found or Do not support!");
    return 0;
}

int CVekt_MANAGER::GetTaskNum() {
    puts("GetTaskNum:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::GetCPUSeting() {
    puts("GetCPUSeting:Card Not Found or Do not support!");
    return 0;
}

HKEY CVekt_MANAGER::ReadHKey() {
    puts("ReadHKey:Card Not Found or Do not support!");
    return HKEY_NUL;
}

unsigned char CVekt_MANAGER::InB(unsigned short) {
    puts("InB:Card Not Found!");
    return 255;
}

void CVekt_MANAGER::OutB(unsigned short, unsigned char) {
    puts("OutB:Card Not Found or Do not support!");
}

HILOW CVekt_MANAGER::DigIn(int) {
    puts("DigIn:Card Not Found or Do not support!");
    return LOW;
}

// A slot without a card class hands the output to the host.
int CVekt_MANAGER::Cmd_OUT(int ChIdx, void* pArgc) {
    char text[1024];
    snprintf(text, sizeof text, "CMD_LINK:CMD=Cmd_OUT; ChIdx=%d; pArgc=%s", ChIdx,
             pArgc ? static_cast<const char*>(pArgc) : "(null)");
    UDPServer.Send(text);
    return 1;
}

int CVekt_MANAGER::Cmd_LD(int, void*) {
    puts("Cmd_LD:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_OUTI(int, void*) {
    puts("Cmd_OUTI:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_LDI(int, void*) {
    puts("Cmd_LDI:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_MOT(int, void*) {
    puts("Cmd_MOT:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_LMOT(int, void*) {
    puts("Cmd_LMOT:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_RSTZ(int, void*) {
    puts("Cmd_RSTZ:Card Not Found or Do not support!");
    return 0;
}

int CVekt_MANAGER::Cmd_DG(int, void*) {
    puts("Cmd_DG:Card Not Found!");
    return 1;
}

int CVekt_MANAGER::Cmd_LDG(int, void*) {
    puts("Cmd_LDG:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_ROW(int, void*) {
    puts("Cmd_ROW:Card Not Found or Do not support!");
    return 0;
}

int CVekt_MANAGER::Cmd_ROCLR(int, void*) {
    puts("Cmd_ROCLR:Card Not Found!");
    return 1;
}

int CVekt_MANAGER::Cmd_IF(int, void*, char*) {
    puts("Cmd_IF:Card Not Found or Do not support!");
    return 1;
}

int CVekt_MANAGER::Cmd_SETPOT(int, void*) {
    puts("Cmd_SETPOT:Card Not Found or Do not support!");
    return 1;
}

float CVekt_MANAGER::Cmd_AV(int, void*, char*) {
    puts("Cmd_AV:Card Not Found or Do not support!");
    return 0.0f;
}

unsigned char CardSelectIn(unsigned int CPUAddr, unsigned char SlotID, unsigned short port, int WaitUs) {
    pthread_mutex_lock(&HardLock);
    outportb(static_cast<unsigned short>(CPUAddr), SlotID);
    if (WaitUs > 0) usleep(static_cast<useconds_t>(WaitUs));
    unsigned char v = inportb(port);
    pthread_mutex_unlock(&HardLock);
    return v;
}

void CardSelectOut(unsigned int CPUAddr, unsigned char SlotID, unsigned short port, unsigned char byte,
                   int WaitUs) {
    pthread_mutex_lock(&HardLock);
    outportb(static_cast<unsigned short>(CPUAddr), SlotID);
    if (WaitUs > 0) usleep(static_cast<useconds_t>(WaitUs));
    outportb(port, byte);
    pthread_mutex_unlock(&HardLock);
}

int CVekt_MANAGER::GetCalibTable(CALIBTAB* pCalib, int ChIdx) {
    if (!pCalib) return 0;
    char section[32];
    snprintf(section, sizeof section, "%d_%d", SlotID, ChIdx);
    char volt[1024] = "";
    char truth[1024] = "";
    ReadIni.GetField(CALIBFILE, section, "Voltage", volt, sizeof volt);
    if (volt[0] == '\0') return -1;
    ReadIni.GetField(CALIBFILE, section, "True", truth, sizeof truth);
    if (truth[0] == '\0') return -1;

    char field[1024];
    for (int i = 0; i < TABSIZE && ReadIni.GetField2(volt, field, sizeof field, i, ','); ++i)
        pCalib->Voltage[i] = static_cast<float>(atof(field));
    int j = 0;
    for (; j < TABSIZE && ReadIni.GetField2(truth, field, sizeof field, j, ','); ++j)
        pCalib->TrueData[j] = static_cast<float>(atof(field));
    pCalib->Num = j;
    return 1;
}

int WrapHardData(const char* Body, char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    if (!Body) Body = "";
    int len = static_cast<int>(strlen(Body));
    unsigned short sum = SndCheckSum(Body, static_cast<short>(len));
    char frame[1024];
    int n = snprintf(frame, sizeof frame, "{CMD_HARD:%s:%d}#", Body, sum);
    if (n < 0 || n >= static_cast<int>(sizeof frame) || n + 1 > HardInfoLen) return -1;
    memcpy(HardInfo, frame, static_cast<size_t>(n) + 1);
    return 1;
}
