// Identifier lookups on a 10,000-key table: an unchanged file, and a file
// that changes before every lookup.
#include "core/lifecycle.h"
#include "ids/idtables.h"
#include "platform/platform.h"

#include <benchmark/benchmark.h>
#include <dorlix.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kKeys = 10000;

struct Table {
    std::string root, path;
    Table() {
        char tmpl[] = "/tmp/dorlix-idbench-XXXXXX";
        if (!mkdtemp(tmpl)) abort();
        root = tmpl;
        setenv("DORLIX_ROOT", root.c_str(), 1);
        std::filesystem::create_directories(root + "/d/VZ5/system");
        if (!dorlix::Attach()) abort();
        std::vector<char> rec(static_cast<size_t>(GetSysEnvStrSize()));
        GetSysEnv(rec.data());
        path = plat::MapPath(dorlix::IdTablePath().c_str());
        Write(0);
    }
    ~Table() {
        dorlix::Detach();
        std::filesystem::remove_all(root);
    }
    // The table, with a generation number in one value so that rewrites change the file.
    void Write(int generation) {
        std::ofstream out(path, std::ios::trunc);
        out << "[INDEX]\n";
        for (int i = 0; i < kKeys; ++i)
            out << 10000 + i << "=Identifier name " << i << "\n";
        out << "generation=" << generation << "\n";
    }
};

Table& Shared() {
    static Table table;
    return table;
}

void BM_GetVZ5IDInfo_Unchanged(benchmark::State& state) {
    Shared();
    char out[100];
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetVZ5IDInfo(10000 + (i * 7919) % kKeys, out));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetVZ5IDInfo_Unchanged);

void BM_GetVZ5IDInfo_AfterChange(benchmark::State& state) {
    Table& t = Shared();
    char out[100];
    int generation = 1;
    for (auto _ : state) {
        state.PauseTiming();
        t.Write(generation++);
        state.ResumeTiming();
        benchmark::DoNotOptimize(GetVZ5IDInfo(10000 + generation % kKeys, out));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetVZ5IDInfo_AfterChange);

} // namespace

BENCHMARK_MAIN();
