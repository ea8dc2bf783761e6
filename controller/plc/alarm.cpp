#include "handlers.h"
#include "synx.h"
#include "vekt_man.h"

ALGROUP AlarmGroup;

ALGROUP::ALGROUP() : AlarmNum(0) {
    for (int i = 0; i < MAXALARMNO; ++i) {
        SlotID[i] = 0;
        ChIdx[i] = 0;
        InLevel[i] = 1;
    }
    pthread_mutex_init(&Lock, nullptr);
}

void ALGROUP::AddAlarmPoint(int SlotIdx, int ChIdx_, int Level) {
    pthread_mutex_lock(&Lock);
    if (AlarmNum < MAXALARMNO) {
        SlotID[AlarmNum] = SlotIdx;
        ChIdx[AlarmNum] = ChIdx_;
        InLevel[AlarmNum] = Level != 0 ? 1 : 0;
        ++AlarmNum;
    }
    pthread_mutex_unlock(&Lock);
}

int ALGROUP::ScanAlarm() {
    pthread_mutex_lock(&Lock);
    int active = 0;
    for (int i = 0; i < AlarmNum; ++i) {
        CVekt_MANAGER* card = GetCard(SlotID[i]);
        if (!card) continue;
        if (static_cast<int>(card->DigIn(ChIdx[i])) == InLevel[i]) {
            active = 1;
            break;
        }
    }
    CVekt_MANAGER* cpu = GetCard(0);
    if (cpu) cpu->SetFaultReport(active);
    pthread_mutex_unlock(&Lock);
    return active;
}
