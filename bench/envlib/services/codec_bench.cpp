// Codec throughput beside the peer programs, on the same input in the same
// run: GetMD5Code and GetFileCheck against md5sum on a 256 MiB file,
// Base64EnCode against coreutils base64 on a 64 MiB file, and UTFEncode of
// GB2312 text. Compare the bytes_per_second of each pair.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "benchroot.h"
#include "peerprogram.h"
#include "core/lifecycle.h"
#include "dorlix.h"

namespace fs = std::filesystem;

namespace {

using vz5bench::RunPeer;

constexpr size_t kMd5Size = size_t(256) << 20;
constexpr size_t kBase64Size = size_t(64) << 20;

struct Input {
    std::string path;
    std::vector<char> bytes;
};

// Pseudo-random bytes (xorshift), written once to the private root.
Input MakeInput(const std::string& name, size_t size) {
    Input in;
    in.path = (vz5bench::PrivateRoot("vz5-codecbench") / name).string();
    in.bytes.resize(size);
    uint64_t x = 0x9E3779B97F4A7C15ull ^ size;
    for (size_t i = 0; i + 8 <= size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&in.bytes[i], &x, 8);
    }
    std::ofstream(in.path, std::ios::binary).write(in.bytes.data(), static_cast<std::streamsize>(size));
    return in;
}

const Input& Md5Input() {
    static const Input in = MakeInput("md5.bin", kMd5Size);
    return in;
}

const Input& Base64Input() {
    static const Input in = MakeInput("base64.bin", kBase64Size);
    return in;
}

void Attached() {
    static const bool attached = [] {
        vz5bench::PrivateRoot("vz5-codecbench");
        return dorlix::Attach();
    }();
    if (!attached) std::abort();
}

void BM_Md5sum(benchmark::State& state) {
    const Input& in = Md5Input();
    for (auto _ : state)
        if (!RunPeer({"md5sum", in.path})) state.SkipWithError("md5sum failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
}

void BM_GetMD5Code(benchmark::State& state) {
    Attached();
    const Input& in = Md5Input();
    char digest[33];
    for (auto _ : state) {
        GetMD5Code(in.bytes.data(), static_cast<int>(in.bytes.size()), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
}

// The file form, reading the file as md5sum does.
void BM_GetFileCheck(benchmark::State& state) {
    Attached();
    const Input& in = Md5Input();
    char digest[33];
    for (auto _ : state) {
        GetFileCheck(in.path.c_str(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
}

void BM_Base64Program(benchmark::State& state) {
    const Input& in = Base64Input();
    for (auto _ : state)
        if (!RunPeer({"base64", "-w0", in.path})) state.SkipWithError("base64 failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
}

void BM_Base64EnCode(benchmark::State& state) {
    Attached();
    const Input& in = Base64Input();
    std::vector<char> out(in.bytes.size() / 3 * 4 + 8);
    for (auto _ : state) {
        Base64EnCode(in.bytes.data(), static_cast<int>(in.bytes.size()), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
}

// GB2312 text as stations have it: Chinese labels among ASCII figures.
void BM_UTFEncode(benchmark::State& state) {
    Attached();
    std::string text;
    while (text.size() < (size_t(1) << 20))
        text += "\xBA\xC5\xC5\xC6 \xCB\xD5"
                "A12345 \xD6\xC6\xB6\xAF 512.3 kN; ";
    std::vector<char> buffer(text.size() * 3 / 2 + 1);
    for (auto _ : state) {
        std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
        UTFEncode(buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_Md5sum)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_GetMD5Code)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_GetFileCheck)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Base64Program)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Base64EnCode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_UTFEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
