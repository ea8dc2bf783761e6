#include "wakeup.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

std::mutex WakeLock;
std::condition_variable WakeCond;
unsigned WakeGen = 0; // bumped by every wake-up; guarded by WakeLock

} // namespace

unsigned PlcWakeMark() {
    std::lock_guard<std::mutex> lk(WakeLock);
    return WakeGen;
}

void PlcWake() {
    {
        std::lock_guard<std::mutex> lk(WakeLock);
        ++WakeGen;
    }
    WakeCond.notify_all();
}

void PlcIdleWait(unsigned Mark) {
    std::unique_lock<std::mutex> lk(WakeLock);
    WakeCond.wait_for(lk, std::chrono::milliseconds(1), [Mark] { return WakeGen != Mark; });
}
