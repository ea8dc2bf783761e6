// Thread bodies of the controller. The keypad and network tasks run for the life
// of the process; a PLC task runs its programs from its own folder "plc<n>/".
#include "tasks.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>

#include "console.h"
#include "drvlib.h"
#include "protocol.h"
#include "udpserver.h"
#include "vekt_man.h"

volatile HKEY GlobeHKey[MAXTASKNUM + 1];

void TaskKey(int) {
    puts("GlobeHKey Task Load");
    for (;;) {
        HKEY key = Vekt_CardMan[0] ? Vekt_CardMan[0]->ReadHKey() : HKEY_NUL;
        if (key != HKEY_NUL) {
            for (int i = MAXTASKNUM; i >= 0; --i)
                GlobeHKey[i] = key;
            Pprintf(1, "TaskKey: KeyPad=%x %x\n", key, GlobeHKey[1]);
        }
        sleep(1);
    }
}

void TaskPLC(int TaskNo) {
    char szMainFile[200] = "RESET.PLC";
    char szLoadFile[200];
    snprintf(szLoadFile, sizeof szLoadFile, "plc%d/RESET.PLC", TaskNo);
    pthread_mutex_lock(&FileLock);
    FILE* Fptr = fopen(szLoadFile, "r");
    pthread_mutex_unlock(&FileLock);
    if (!Fptr) {
        Wprintf(TaskNo, "%s lost Task quit!\n", szMainFile);
        return;
    }
    // The interpreter takes over the reset program here; until then the task idles
    // with its program open.
    for (;;)
        sleep(3);
}

void TaskUdp(int TaskNo) {
    std::unique_ptr<char[]> frame(new (std::nothrow) char[BUFFER_SIZE]);
    std::unique_ptr<char[]> message(new (std::nothrow) char[BUFFER_SIZE + 1]);
    if (!frame || !message) return;
    UDPServer.Init(TaskNo);
    for (;;) {
        int len = UDPServer.Recv(message.get());
        if (len == 0) {
            usleep(100);
            continue;
        }
        NetFeed(message.get(), len);
        message[0] = '\0';
        usleep(100);
    }
}

void TaskUdpSnd(int) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[BUFFER_SIZE]);
    if (!buffer) return;
    clock_t start = clock();
    for (;;) {
        // The period is processor time of the whole process, as the board measures it.
        if (static_cast<unsigned long>(clock() - start) / 1000000.0 > 2.5) {
            start = clock();
            for (int k = 0; k < GlobeCardInfo.CardNum && k < MAXCARDNO; ++k) {
                if (!Vekt_CardMan[k]) continue;
                buffer[0] = '\0';
                Vekt_CardMan[k]->GetHardData(buffer.get(), BUFFER_SIZE);
                Vekt_CardMan[k]->GetHardTypeName(nullptr);
                if (buffer[0] != '\0') {
                    UDPServer.Send(buffer.get());
                    usleep(500000);
                }
            }
        }
        usleep(200);
    }
}
