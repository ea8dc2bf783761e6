// The third-order low-pass and the moving-average window of the measurement
// programs, in samples per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "benchroot.h"
#include "core/lifecycle.h"
#include "dorlix.h"

namespace {

void Attach() {
    static const bool attached = [] {
        std::filesystem::current_path(vz5bench::PrivateRoot("vz5-filterbench"));
        return dorlix::Attach();
    }();
    if (!attached) std::abort();
}

void BM_Filter3(benchmark::State& state) {
    Attach();
    const int count = static_cast<int>(state.range(0));
    std::vector<float> in(static_cast<std::size_t>(count)), out(in.size());
    for (int i = 0; i < count; ++i)
        in[static_cast<std::size_t>(i)] = 5.0f + std::sin(static_cast<float>(i) / 50.0f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Filter_3(in.data(), out.data(), count));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Filter3)->Arg(1000)->Arg(100000);

// A full window of 100: every value added moves the window and takes its mean.
void BM_WindowAddAndMean(benchmark::State& state) {
    Attach();
    HDSetNum(100, 4);
    float v = 0.0f, mean = 0.0f;
    for (auto _ : state) {
        HDAddDat(v += 0.5f, 4);
        benchmark::DoNotOptimize(HDGetDat(&mean, 4));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WindowAddAndMean);

} // namespace

BENCHMARK_MAIN();
