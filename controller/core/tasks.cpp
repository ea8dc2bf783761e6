// Thread bodies of the keypad and network tasks; they run for the life of the
// process. The PLC task interpreter lives in taskplc.cpp.
#include "tasks.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <thread>

#include "console.h"
#include "drvlib.h"
#include "protocol.h"
#include "udpserver.h"
#include "vekt_man.h"
#include "wakeup.h"

std::atomic<HKEY> GlobeHKey[MAXTASKNUM + 1];

void TaskKey(int) {
    puts("GlobeHKey Task Load");
    for (;;) {
        HKEY key = Vekt_CardMan[0] ? Vekt_CardMan[0]->ReadHKey() : HKEY_NUL;
        if (key != HKEY_NUL) {
            for (int i = MAXTASKNUM; i >= 0; --i)
                GlobeHKey[i] = key;
            PlcWake(); // idle tasks take the key now, not on their next timeout
            Pprintf(1, "TaskKey: KeyPad=%x %x\n", key, GlobeHKey[1].load());
        }
        sleep(1);
    }
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
    using Clock = std::chrono::steady_clock;
    constexpr auto Period = std::chrono::milliseconds(2500);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[BUFFER_SIZE]);
    if (!buffer) return;
    // Wall time: hosts see a report cycle every few seconds however idle the
    // board is. The task sleeps until the next cycle is due.
    Clock::time_point start = Clock::now();
    for (;;) {
        std::this_thread::sleep_until(start + Period);
        if (Clock::now() - start < Period) continue;
        start = Clock::now();
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
}
