// Frame extraction from the receive stream and queueing of the commands.
#include "bytebuffer.h"
#include "nettask.h"
#include "protocol.h"
#include "public.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>
#include <string>

// Datagrams of `per` command frames each.
static std::string Datagram(int per) {
    std::string d;
    for (int i = 0; i < per; ++i)
        d += "{CMD:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=1;:64512}#";
    return d;
}

static void Drain() {
    char buf[NETTASKSTR];
    while (NetTask.GetTask(buf) != 0) {
    }
}

// Stream alone: append and take frames, no queue.
static void BM_ExtractFrames(benchmark::State& state) {
    ByteBuffer b;
    std::string d = Datagram(static_cast<int>(state.range(0)));
    static char frame[BUFFER_SIZE];
    int64_t frames = 0;
    for (auto _ : state) {
        b.append(d.data(), d.size());
        for (;;) {
            b >> frame;
            if (!frame[0]) break;
            ++frames;
        }
        b.clear();
    }
    state.SetItemsProcessed(frames);
}
BENCHMARK(BM_ExtractFrames)->Arg(1)->Arg(20);

// Receive path as the network task runs it (messages go to /dev/null). With
// a consumer the PLC tasks keep up; without one the queue keeps the newest 32.
static void BM_FeedAndQueue(benchmark::State& state) {
    bool consume = state.range(1) != 0;
    std::string d = Datagram(static_cast<int>(state.range(0)));
    std::cout.flush();
    fflush(stdout);
    int saved = dup(1);
    int nul = open("/dev/null", O_WRONLY);
    if (nul >= 0) dup2(nul, 1);
    Drain();
    int64_t sent = 0, kept = 0;
    for (auto _ : state) {
        sent += NetFeed(d.data(), static_cast<int>(d.size()));
        if (consume) {
            char buf[NETTASKSTR];
            while (NetTask.GetTask(buf) != 0)
                ++kept;
        }
    }
    if (!consume) kept = NetTask.TaskInIdx;
    Drain();
    fflush(stdout);
    if (saved >= 0) dup2(saved, 1);
    if (saved >= 0) close(saved);
    if (nul >= 0) close(nul);
    state.SetItemsProcessed(sent);
    state.counters["kept_share"] = sent ? static_cast<double>(kept) / static_cast<double>(sent) : 0.0;
}
BENCHMARK(BM_FeedAndQueue)->Args({1, 1})->Args({20, 1})->Args({20, 0});

BENCHMARK_MAIN();
