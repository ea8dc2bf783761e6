// SaveLog throughput: records per second that reach the day file, and the
// cost of a SaveLog call to its caller while the writer keeps up.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "benchroot.h"
#include "dorlix.h"
#include "core/lifecycle.h"
#include "services/cxlog.h"

namespace fs = std::filesystem;

namespace {

fs::path g_root;

// A private station whose environment switches the log on, as the current directory.
void SetUpStation() {
    g_root = vz5bench::PrivateRoot("vz5-logbench");
    std::string file(688 + 188910, '\0');
    const int32_t version = 423;
    std::memcpy(&file[0], &version, 4);
    std::memcpy(&file[4], "SYSMORVANTESYS", 14);
    std::memcpy(&file[688 + 4110 + 616 * 189], "1,0", 3);
    fs::create_directories(g_root / "c" / "WINDOWS" / "system32");
    std::ofstream(g_root / "c" / "WINDOWS" / "system32" / "lwpsenvX.sys", std::ios::binary) << file;
    fs::current_path(g_root);
    if (!dorlix::Attach()) std::abort();
}

std::uintmax_t DayFileSize() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(g_root / "Log", ec))
        return fs::file_size(e.path(), ec);
    return 0;
}

void WaitForSize(std::uintmax_t size) {
    while (DayFileSize() < size)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

const char* const kText = "weight 1234.5 kg, axle 2, speed 5.0 km/h";

// Records per second from the SaveLog call until the line is in the file.
void BM_SaveLogIntoDayFile(benchmark::State& state) {
    const int batch = static_cast<int>(state.range(0));
    const std::uintmax_t before = DayFileSize();
    SaveLog("Bench", kText);
    WaitForSize(before + 1);
    const std::uintmax_t lineSize = DayFileSize() - before;
    std::int64_t refused = 0;
    for (auto _ : state) {
        const std::uintmax_t start = DayFileSize();
        for (int i = 0; i < batch; ++i)
            refused += SaveLog("Bench", kText) == 1 ? 0 : 1;
        WaitForSize(start + lineSize * static_cast<std::uintmax_t>(batch));
    }
    state.SetItemsProcessed(state.iterations() * batch);
    state.counters["refused"] = static_cast<double>(refused);
}
BENCHMARK(BM_SaveLogIntoDayFile)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a caller pays per SaveLog while the writer drains in the background.
void BM_SaveLogCall(benchmark::State& state) {
    std::int64_t refused = 0;
    for (auto _ : state)
        refused += SaveLog("Bench", kText) == 1 ? 0 : 1;
    state.SetItemsProcessed(state.iterations());
    state.counters["refused"] = static_cast<double>(refused);
}
BENCHMARK(BM_SaveLogCall)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    SetUpStation();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dorlix::Detach();
    return 0;
}
