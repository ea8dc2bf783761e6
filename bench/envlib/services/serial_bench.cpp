// Serial ports over a pseudo-terminal with the reader running: the bytes per
// second one port delivers to ReadSerialPort while its far end sends without
// pause, and how long a single short message takes to come out.
//
// What bounds them is the reader, not the line: every visit of a slot starts
// with a 50 ms pause (and each transfer waits up to 10 ms on the signal
// event), a transfer moves at most 4,096 bytes (a pty hands over 4,095 at a
// time), one visit makes at most 10 transfers, and a turn over the ten slots
// costs at least 500 ms. So a single busy port gets at most about
// 40 KB per (10 x 60 ms + 9 x 50 ms), near 39 KB/s, and a message waits
// up to one turn.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "benchroot.h"
#include "core/lifecycle.h"
#include "dorlix.h"

namespace fs = std::filesystem;

namespace {

fs::path g_root;
int g_master = -1;

// A private station whose COM3 is the slave of a new pty; the reader runs.
void SetUp() {
    g_root = vz5bench::PrivateRoot("vz5-serialbench");
    int slave = -1;
    char path[128];
    if (openpty(&g_master, &slave, path, nullptr, nullptr) != 0) std::abort();
    close(slave);
    fs::create_directories(g_root / "dosdevices");
    fs::create_symlink(path, g_root / "dosdevices" / "com3");
    if (!dorlix::Attach()) std::abort();
    if (OpenSerialPort(0, "COM3", 8, 0, 0, 115200) != 1 || RunSerialThread() != 1) std::abort();
}

void Send(const char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = write(g_master, p, n);
        if (w <= 0) return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// Takes n bytes out of port 0, polling as a station program would.
void Take(size_t n, char* buf, size_t size) {
    while (n > 0) {
        const int got = ReadSerialPort(0, buf, static_cast<int>(size));
        if (got > 0)
            n -= static_cast<size_t>(got);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Bytes per second from the far end into the caller's buffer.
void BM_SerialThroughput(benchmark::State& state) {
    const size_t block = static_cast<size_t>(state.range(0));
    std::string data(block, 'S');
    std::string buf(65536, '\0');
    for (auto _ : state) {
        std::thread sender([&] { Send(data.data(), data.size()); });
        Take(block, &buf[0], buf.size());
        sender.join();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(block));
}
BENCHMARK(BM_SerialThroughput)->Arg(64 * 1024)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the far end's write of 16 bytes to ReadSerialPort returning them.
void BM_SerialMessage(benchmark::State& state) {
    char buf[64];
    for (auto _ : state) {
        Send("0123456789ABCDEF", 16);
        Take(16, buf, sizeof buf);
    }
}
BENCHMARK(BM_SerialMessage)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    SetUp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CloseSerialPort(0);
    dorlix::Detach();
    close(g_master);
    return 0;
}
