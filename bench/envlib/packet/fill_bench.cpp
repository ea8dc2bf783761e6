// Appending records until a packet of each kind is full (the writers walk the
// packet for an existing identifier before each append, so a fill is quadratic).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/lifecycle.h"
#include "dorlix.h"
#include "packet/layout.h"

namespace pk = dorlix::packet;

namespace {

std::vector<unsigned char> Started(uint8_t kind) {
    std::vector<unsigned char> b(pk::BufferSize(kind), 0);
    unsigned char head[pk::HEAD_SIZE];
    pk::InitHead(head, kind);
    WriteStdHead(b.data(), head);
    return b;
}

// Fills a fresh packet with write(pack, i) until it refuses; counts records.
template <class Write> void Fill(benchmark::State& state, uint8_t kind, Write write) {
    int64_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto b = Started(kind);
        state.ResumeTiming();
        int i = 0;
        while (write(b.data(), i) == 2)
            ++i;
        records += i;
        benchmark::DoNotOptimize(b.data());
    }
    state.counters["records"] = benchmark::Counter(double(records) / double(state.iterations()));
    state.SetItemsProcessed(records);
}

void BM_FillInfo(benchmark::State& s) {
    Fill(s, 40, [](unsigned char* b, int i) { return WriteStdHead_Info(b, i, "text"); });
}
void BM_FillItem(benchmark::State& s) {
    // Only 300 identifiers exist: a full item packet holds each once.
    Fill(s, 99, [](unsigned char* b, int i) { return i < 300 ? WriteStdHead_Item(b, 200 + i) : -3; });
}
void BM_FillItemNew(benchmark::State& s) {
    Fill(s, 100,
         [](unsigned char* b, int i) { return i < 300 ? WriteStdHead_Item_New(b, 200 + i, 1, 1) : -3; });
}
void BM_FillStd(benchmark::State& s) {
    Fill(s, 80, [](unsigned char* b, int i) { return WriteStdHead_Std(b, i, 1, 2); });
}
void BM_FillProDat(benchmark::State& s) {
    static std::vector<unsigned char> data = [] {
        std::vector<unsigned char> d(pk::PRODATA_WRITE_SIZE, 0);
        pk::Put32(d.data(), 0, 498);
        for (int i = 0; i < 498; ++i)
            snprintf((char*)d.data() + 4 + 20 * i, 20, "%d,%d.5", i, i);
        return d;
    }();
    Fill(s, 4, [](unsigned char* b, int i) { return WriteStdHead_ProDat(b, i, data.data()); });
}
void BM_FillResult(benchmark::State& s) {
    const uint8_t kind = uint8_t(s.range(0));
    Fill(s, kind, [](unsigned char* b, int i) { return WriteStdHead_Result(b, i, "12.5", 0x41, 2); });
}

BENCHMARK(BM_FillInfo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillItem)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillItemNew)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillStd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillProDat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillResult)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/vz5-packet-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    setenv("DORLIX_ROOT", tmpl, 1);
    if (chdir(tmpl) != 0 || !dorlix::Attach()) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dorlix::Detach();
    std::string cmd = std::string("rm -rf '") + tmpl + "'";
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
