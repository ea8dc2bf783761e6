// SortResult on a full framed result packet (710 records in 150000 bytes),
// identifiers in shuffled order.
#include "core/lifecycle.h"

#include <benchmark/benchmark.h>
#include <dorlix.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kResultBuffer = 150000;

struct Library {
    std::string root;
    Library() {
        char tmpl[] = "/tmp/dorlix-resbench-XXXXXX";
        if (!mkdtemp(tmpl)) abort();
        root = tmpl;
        setenv("DORLIX_ROOT", root.c_str(), 1);
        if (!dorlix::Attach()) abort();
    }
    ~Library() {
        dorlix::Detach();
        std::filesystem::remove_all(root);
    }
};

std::vector<unsigned char> FullFramedPacket() {
    static Library library;
    std::vector<unsigned char> pack(kResultBuffer, 0);
    unsigned char head[21] = {0x55, 0xAA, 1, 1, 1};
    head[14] = 3;
    WriteStdHead(pack.data(), head);
    std::vector<int> ids(710);
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = 1000 + int(i);
    std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
    for (int id : ids)
        WriteStdHead_Result(pack.data(), id, "12.5", 1, 1 + id % 2);
    return pack;
}

void BM_SortResult_FullFramed(benchmark::State& state) {
    const std::vector<unsigned char> unsorted = FullFramedPacket();
    std::vector<unsigned char> pack(kResultBuffer);
    for (auto _ : state) {
        state.PauseTiming();
        pack = unsorted;
        state.ResumeTiming();
        if (SortResult(pack.data()) != 1) state.SkipWithError("SortResult failed");
    }
    state.SetItemsProcessed(state.iterations() * 710);
}
BENCHMARK(BM_SortResult_FullFramed)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
