// Host command latency: from the datagram leaving the host to the output register
// of the I/O card changing in the simulated rack, with 1 to 8 PLC tasks running
// their programs at the default pause of 10 ms after each instruction.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "corlanchild.h"
#include "corlanrun.h"

namespace {

using Clock = std::chrono::steady_clock;

// Each task loops over internal bits so that it is busy without touching the card
// the host commands.
std::map<std::string, std::string> Programs(int tasks) {
    std::map<std::string, std::string> files;
    for (int t = 1; t <= tasks; ++t) {
        std::string bit = std::to_string(t);
        files["plc" + bit + "/RESET.PLC"] =
            "#LE:1\nOUTI:0," + bit + ",1\nLDI:0," + bit + ",1\nOUTI:0," + bit + ",0\nGO:1\n";
    }
    return files;
}

void SendTo(int sock, int port, const std::string& data) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(sock, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

void BM_HostCommandLatency(benchmark::State& state) {
    int tasks = static_cast<int>(state.range(0));
    std::string rack = "[board]\nkind = 0xA3\ntasks = " + std::to_string(tasks) + "\n[slots]\n2 = 0x83\n";
    vz5test::CorlanRun run(rack, Programs(tasks));
    vz5test::CorlanChild corlan(run.Env());
    if (!corlan.WaitFor("Task_PLC" + std::to_string(tasks) + " Running")) {
        state.SkipWithError("Corlan did not start its tasks");
        return;
    }
    usleep(300000);
    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    std::vector<double> ms;
    int level = 0;
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> gap(0, 20000);
    for (auto _ : state) {
        // A random gap keeps the commands from falling into step with the passes.
        state.PauseTiming();
        corlan.WaitFor("\x01", 5); // drain its output: a full pipe would stall the tasks
        corlan.Out.clear();
        usleep(static_cast<useconds_t>(gap(gen)));
        state.ResumeTiming();
        level ^= 1;
        std::string frame = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=" + std::to_string(level) + ";:0}#";
        int want = level ? 0x20 : 0;
        auto t0 = Clock::now();
        SendTo(sock, run.Port, frame);
        auto t1 = t0;
        while (run.Reg(2, 5) != want) {
            t1 = Clock::now();
            if (t1 - t0 > std::chrono::seconds(2)) break;
        }
        t1 = Clock::now();
        double d = std::chrono::duration<double, std::milli>(t1 - t0).count();
        if (d > 1000) fprintf(stderr, "command %zu not applied within 2 s\n", ms.size());
        ms.push_back(d);
        state.SetIterationTime(d / 1000.0);
    }
    close(sock);
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) {
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
        state.counters["max_ms"] = ms.back();
    }
}
BENCHMARK(BM_HostCommandLatency)
    ->DenseRange(1, 8)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
