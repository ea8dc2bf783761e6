// CnvHZ2PY on names of station records: a short owner's name and the longest
// text the conversion takes, in characters converted per second.
#include <benchmark/benchmark.h>

#include <string>

#include "services/pinyin.h"

namespace {

// GB2312 bytes: 张伟 and 中国 repeated, with ASCII between.
std::string Text(int characters) {
    static const char* const kChars[] = {"\xD5\xC5", "\xCE\xB0", "\xD6\xD0", "\xB9\xFA"};
    std::string s;
    for (int i = 0; i < characters; ++i)
        s += i % 8 == 7 ? std::string("A") : std::string(kChars[i % 4]);
    return s;
}

void BM_CnvHZ2PY(benchmark::State& state) {
    const std::string text = Text(static_cast<int>(state.range(0)));
    char pinyin[dorlix::PINYIN_OUT_SIZE], initials[dorlix::PINYIN_OUT_SIZE];
    for (auto _ : state) {
        benchmark::DoNotOptimize(dorlix::CnvHZ2PY(text.c_str(), pinyin, initials));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CnvHZ2PY)->Arg(2)->Arg(255);

} // namespace

BENCHMARK_MAIN();
