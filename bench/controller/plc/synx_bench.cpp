// Parsing speed of program lines, the work every PLC task does on every pass.
#include "readini.h"
#include "synx.h"

#include <benchmark/benchmark.h>

#include <cstring>

static const char* const kLines[] = {
    " ld : 1 , 2 , 0 ; check door ",
    "OUT:2,5,1;lamp on",
    "MOT:3,0,5000&200&0&0&0&0&0&0&0&0&0",
    "IF:2,3,1&A.F&NUL",
    "DLY:500",
    "GO:3",
    "END",
    "; a comment line",
    "G_ADD_VD:13,0,BOX1@10.0.0.20@2017",
    "LDG:4,1",
};

static void BM_ExplainLine(benchmark::State& state) {
    char buf[1024], param[1000], comment[1000];
    int slot = 0, ch = 0;
    size_t n = sizeof kLines / sizeof kLines[0];
    size_t i = 0;
    for (auto _ : state) {
        // As the interpreter does: trim the raw line, then parse it.
        strcpy(buf, kLines[i]);
        ReadIni.Trim(buf);
        benchmark::DoNotOptimize(SynxClass.Explain(buf, &slot, &ch, param, comment));
        if (++i == n) i = 0;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetLabel("lines");
}
BENCHMARK(BM_ExplainLine);

BENCHMARK_MAIN();
