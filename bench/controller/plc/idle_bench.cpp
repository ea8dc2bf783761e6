// Idle PLC tasks: processor time they use while waiting for work, and how fast
// an idle task carries out a command queued by the receive side.
#include "hardware.h"
#include "nettask.h"
#include "protocol.h"
#include "taskplc.h"
#include "tasks.h"
#include "vekt_man.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A card that tells the benchmark when an output command reached it.
struct SignalCard : CVekt_MANAGER {
    std::mutex mu;
    std::condition_variable cv;
    int outs = 0;
    Clock::time_point last;
    int Cmd_OUT(int, void*) override {
        std::lock_guard<std::mutex> lk(mu);
        ++outs;
        last = Clock::now();
        cv.notify_all();
        return 1;
    }
    HILOW DigIn(int) override { return LOW; }
    int SetFaultReport(int) override { return 1; }
};

// A run directory with N tasks whose reset program ends at once, and the card
// table filled with signalling cards.
class IdleRig {
  public:
    explicit IdleRig(int tasks) {
        char tmpl[] = "/tmp/vz5-idlebench-XXXXXX";
        dir_ = mkdtemp(tmpl);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        for (int i = 0; i < MAXCARDNO; ++i)
            Vekt_CardMan[i] = &cards_[i];
        GlobeCardInfo.CardNum = MAXCARDNO;
        // Task messages would only measure the console.
        fflush(stdout);
        saved_ = dup(1);
        FILE* null = fopen("/dev/null", "w");
        dup2(fileno(null), 1);
        fclose(null);
        for (int t = 1; t <= tasks; ++t) {
            std::filesystem::create_directory("plc" + std::to_string(t));
            std::ofstream("plc" + std::to_string(t) + "/RESET.PLC") << "EXIT\n";
            PlcStopRequest(t, 0);
            threads_.emplace_back([t] { TaskPLC(t); });
            tasks_.push_back(t);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // programs done
    }
    ~IdleRig() {
        for (int t : tasks_)
            PlcStopRequest(t, 1);
        for (auto& th : threads_)
            th.join();
        for (int t : tasks_)
            PlcStopRequest(t, 0);
        fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        for (auto& c : Vekt_CardMan)
            c = nullptr;
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    SignalCard& Card(int i) { return cards_[i]; }

  private:
    std::string dir_;
    std::filesystem::path old_;
    SignalCard cards_[MAXCARDNO];
    std::vector<std::thread> threads_;
    std::vector<int> tasks_;
    int saved_ = -1;
};

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Processor time of the whole process per second of wall time while N PLC
// tasks idle (the benchmark thread itself sleeps).
void BM_IdleTasksCpu(benchmark::State& state) {
    IdleRig rig(static_cast<int>(state.range(0)));
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        double c0 = ProcessCpuSeconds();
        auto w0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        cpu += ProcessCpuSeconds() - c0;
        wall += std::chrono::duration<double>(Clock::now() - w0).count();
    }
    state.counters["cpu_percent_of_a_core"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_IdleTasksCpu)->Arg(1)->Arg(8)->Iterations(3)->Unit(benchmark::kMillisecond);

// From queueing a command (the receive side's NetFeed) to the card operation
// run by an idle task.
void BM_CommandReaction(benchmark::State& state) {
    IdleRig rig(static_cast<int>(state.range(0)));
    SignalCard& card = rig.Card(2);
    const std::string frame = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=1;CTL_OUT=1;:0}#";
    std::vector<double> us;
    for (auto _ : state) {
        int before;
        {
            std::lock_guard<std::mutex> lk(card.mu);
            before = card.outs;
        }
        auto t0 = Clock::now();
        NetFeed(frame.data(), static_cast<int>(frame.size()));
        std::unique_lock<std::mutex> lk(card.mu);
        card.cv.wait(lk, [&] { return card.outs > before; });
        double d = std::chrono::duration<double>(card.last - t0).count();
        lk.unlock();
        state.SetIterationTime(d);
        us.push_back(d * 1e6);
        std::this_thread::sleep_for(std::chrono::milliseconds(3)); // let the task idle again
    }
    std::sort(us.begin(), us.end());
    if (!us.empty()) {
        state.counters["median_us"] = us[us.size() / 2];
        state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    }
}
BENCHMARK(BM_CommandReaction)
    ->Arg(1)
    ->Arg(8)
    ->Iterations(500)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
