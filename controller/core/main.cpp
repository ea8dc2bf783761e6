// Corlan: controller of a station's control cabinet.
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "drvlib.h"
#include "public.h"
#include "runenv.h"
#include "tasks.h"
#include "vekt_man.h"

#define PLC_THREAD(n)                                                                                        \
    static void* thread_Task##n(void*) {                                                                     \
        Wprintf(n, "Load TaskPLC" #n ".\n");                                                                 \
        TaskPLC(n);                                                                                          \
        Wprintf(n, "Leave TaskPLC" #n ".\n");                                                                \
        return nullptr;                                                                                      \
    }
PLC_THREAD(1)
PLC_THREAD(2)
PLC_THREAD(3)
PLC_THREAD(4)
PLC_THREAD(5)
PLC_THREAD(6)
PLC_THREAD(7)
PLC_THREAD(8)

static void* thread_Task0(void*) {
    Pprintf(1, "Load TaskKey.\n");
    TaskKey(0);
    return nullptr;
}

static void* thread_TaskNet(void*) {
    Pprintf(1, "Load TaskNet.\n");
    TaskUdp(9);
    Pprintf(1, "Leave TaskNet.\n");
    return nullptr;
}

static void* thread_TaskNetSnd(void*) {
    Pprintf(1, "Load TaskNetSnd.\n");
    TaskUdpSnd(10);
    Pprintf(1, "Leave TaskNetSnd.\n");
    return nullptr;
}

int main(int argc, char** argv) {
    // Line-buffered even into a pipe, so that a supervising program sees each line.
    setvbuf(stdout, nullptr, _IOLBF, 0);

    printf("Corlan System Software Ver:%d.%d.%d.%d \n", SOFTVERSION3, SOFTVERSION2, SOFTVERSION1,
           SOFTVERSION0);
    puts("Support Max8 PLCs.");
    puts("Copyright (c) Vekt station control. All rights reserved.");
    printf("PID: %d\n", static_cast<int>(getpid()));

    for (auto& card : Vekt_CardMan)
        card = nullptr;

    if (Check_Running() < 1) {
        puts("Check: Runnning");
        KillProcess("Corlan", 1);
        KillProcess(argv[0], 0);
    } else {
        puts("Check: Not Runnning");
    }

    char MacStr[32] = "";
    GetMAC(nullptr, MacStr);
    printf("MAC: %s\n", MacStr);
    GetLocalIP(nullptr, GlobeLocalIP);
    printf("IP: %s\n", GlobeLocalIP);

    char cwd[4096];
    printf("RunEnv: %s\n", getcwd(cwd, sizeof cwd) ? cwd : "");
    if (chdir(RunDir()) != 0) {
        // not reported: the controller runs on in the directory it was started in
    }
    printf("RunEnv: %s\n\n", getcwd(cwd, sizeof cwd) ? cwd : "");

    ChangFileMod();
    CreateLocks();

    int ScanTasks = Hardware.ScanCard(&GlobeCardInfo);
    int PlcNum = argc > 1 ? atoi(argv[1]) : ScanTasks;
    if (PlcNum > MAXTASKNUM || PlcNum < 1) PlcNum = 1;
    printf("Allow PLC[%d]: %d\n", argc, PlcNum);

    void* (*const Entries[MAXTASKNUM + 3])(void*) = {
        thread_Task0, thread_TaskNet, thread_TaskNetSnd, thread_Task1, thread_Task2, thread_Task3,
        thread_Task4, thread_Task5,   thread_Task6,      thread_Task7, thread_Task8};
    pthread_t Threads[MAXTASKNUM + 3] = {};
    for (int i = 0; i < PlcNum + 3; ++i) {
        int rc = pthread_create(&Threads[i], nullptr, Entries[i], nullptr);
        if (rc != 0)
            printf("Load Task%d: Fail %s: %s TID:%lu\n", i, "main", strerror(rc),
                   static_cast<unsigned long>(pthread_self()));
    }
    puts("\n");
    for (;;)
        sleep(3);
}
