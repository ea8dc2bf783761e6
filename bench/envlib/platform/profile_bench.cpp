// Profile string lookups per second on a 10,000-key INI file: while the file
// stays unchanged (the parsed file is reused), and when every lookup follows
// a change of the file (each lookup parses again).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"

namespace {

constexpr int kKeys = 10000;
const char* kFile = "D:\\VZ5\\system\\ParamIDX.ini";

struct Root {
    Root() {
        char tmpl[] = "/tmp/dorlix-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("DORLIX_ROOT", dir.c_str(), 1);
        native = dir + "/d/VZ5/system/ParamIDX.ini";
        std::filesystem::create_directories(dir + "/d/VZ5/system");
        std::ofstream out(native, std::ios::binary);
        out << "; identifier table\r\n[TESTITEM]\r\n";
        for (int i = 0; i < kKeys; ++i)
            out << "Key" << i << " = Value number " << i << "\r\n";
    }
    ~Root() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string dir, native;
};

Root& TheRoot() {
    static Root r;
    return r;
}

void BM_LookupUnchangedFile(benchmark::State& state) {
    TheRoot();
    char key[32], out[128];
    int i = 0;
    for (auto _ : state) {
        std::snprintf(key, sizeof key, "key%d", (i++ * 7919) % kKeys);
        benchmark::DoNotOptimize(plat::GetPrivateProfileString("TestItem", key, "", out, sizeof out, kFile));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupUnchangedFile);

void BM_LookupAfterChange(benchmark::State& state) {
    Root& root = TheRoot();
    char out[128];
    int64_t t = 1'000'000'000;
    for (auto _ : state) {
        // A new modification time is enough to make the next call read again.
        struct timespec times[2] = {{t, 0}, {t, 0}};
        ++t;
        utimensat(AT_FDCWD, root.native.c_str(), times, 0);
        benchmark::DoNotOptimize(
            plat::GetPrivateProfileString("TestItem", "Key5000", "", out, sizeof out, kFile));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupAfterChange);

} // namespace

BENCHMARK_MAIN();
