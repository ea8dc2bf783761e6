#include "handlers.h"

#include "calibtab.h"
#include "console.h"
#include "readini.h"
#include "vekt_man.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define NETCARDIDX 13

CVekt_MANAGER* GetCard(int SlotIdx) {
    if (SlotIdx < 0 || SlotIdx >= GlobeCardInfo.CardNum || SlotIdx >= MAXCARDNO) return nullptr;
    return Vekt_CardMan[SlotIdx];
}

// The CPU board, for instructions that only need some valid index.
static CVekt_MANAGER* CpuCardFor(int SlotIdx) {
    if (!GetCard(SlotIdx)) return nullptr;
    return GetCard(0);
}

int Task_LD(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_LD(ChIdx, pArgc) : -1;
}

int Task_LDI(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = CpuCardFor(SlotIdx);
    return card ? card->Cmd_LDI(ChIdx, pArgc) : -1;
}

int Task_OUT(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_OUT(ChIdx, pArgc) : -1;
}

int Task_OUTI(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = CpuCardFor(SlotIdx);
    return card ? card->Cmd_OUTI(ChIdx, pArgc) : -1;
}

int Task_MOT(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_MOT(ChIdx, pArgc) : -1;
}

int Task_LMOT(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_LMOT(ChIdx, pArgc) : -1;
}

int Task_RSTZ(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_RSTZ(ChIdx, pArgc) : -1;
}

int Task_DG(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_DG(ChIdx, pArgc) : -1;
}

int Task_LDG(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_LDG(ChIdx, pArgc) : -1;
}

int Task_ROW(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_ROW(ChIdx, pArgc) : -1;
}

int Task_ROCLR(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_ROCLR(ChIdx, pArgc) : -1;
}

int Task_IF(int SlotIdx, int ChIdx, void* pArgc, char* pOutParameter) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_IF(ChIdx, pArgc, pOutParameter) : -1;
}

int Task_G_SETPOT(int SlotIdx, int ChIdx, void* pArgc) {
    CVekt_MANAGER* card = GetCard(SlotIdx);
    return card ? card->Cmd_SETPOT(ChIdx, pArgc) : -1;
}

int Task_G_CALIB(int SlotIdx, int ChIdx, void* pArgc) {
    if (!GetCard(SlotIdx)) return -1;
    GetTaskFile2CalibTab(SlotIdx, ChIdx, static_cast<char*>(pArgc));
    return 1;
}

int Task_G_ADD_VD(int SlotIdx, int, void* pArgc) {
    if (!GetCard(SlotIdx)) return -1;
    if (!pArgc) return -1;
    const char* text = static_cast<const char*>(pArgc);
    size_t size = strlen(text) + 1;
    std::string name(size, '\0'), ip(size, '\0'), port(size, '\0');
    if (!ReadIni.GetField2(text, name.data(), size, 0, '@') ||
        !ReadIni.GetField2(text, ip.data(), size, 1, '@') ||
        !ReadIni.GetField2(text, port.data(), size, 2, '@')) {
        return 0;
    }
    int portNo = atoi(port.c_str());
    pthread_mutex_lock(&DispLock);
    printf("Task_G_ADD_VD: VDName=%s IP=%s Port=%d\n", name.c_str(), ip.c_str(), portNo);
    fflush(stdout);
    pthread_mutex_unlock(&DispLock);
    CVekt_MANAGER* net = GetCard(NETCARDIDX);
    if (!net) return 0; // no network card in the table: nothing can be registered
    net->SetRemoteIPPort(name.data(), ip.data(), portNo);
    return 1;
}
