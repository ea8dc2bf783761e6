// CompressFileEx beside Info-ZIP's "zip -6 -j" on the same folder of station
// files in the same run (about 40 MB: result tables, logs, packets and
// process-data curves). Compare the real times of the pair; the own
// container, which the Windows library uses, runs beside them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "benchroot.h"
#include "peerprogram.h"
#include "core/lifecycle.h"
#include "dorlix.h"
#include "services/compress.h"

namespace fs = std::filesystem;

namespace {

struct Folder {
    std::string path;
    std::vector<std::string> files;
};

// Station files of several kinds, deterministic.
const Folder& StationFolder() {
    static const Folder folder = [] {
        Folder f;
        f.path = (vz5bench::PrivateRoot("vz5-zipbench") / "station").string();
        fs::create_directories(f.path);
        uint64_t x = 0x9E3779B97F4A7C15ull;
        auto next = [&x] {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            return x;
        };
        for (int n = 0; n < 24; ++n) {
            std::string data;
            char line[160];
            switch (n % 4) {
            case 0: // result table
                for (int i = 0; data.size() < (1u << 20) * 2; ++i) {
                    std::snprintf(line, sizeof line, "%06d,LC%05d,CO,%.3f,HC,%u,NO,%u,%s\r\n", i, n * 100 + i % 97,
                                  static_cast<double>(next() % 5000) / 1000.0, static_cast<unsigned>(next() % 900),
                                  static_cast<unsigned>(next() % 3000), next() % 7 ? "PASS" : "FAIL");
                    data += line;
                }
                break;
            case 1: // log
                for (int i = 0; data.size() < (1u << 20) * 2; ++i) {
                    std::snprintf(line, sizeof line, "2026-12-11 08:%02d:%02d.%03d INFO Station::Step line %d value=%u\r\n",
                                  i / 60 % 60, i % 60, i % 1000, i % 40, static_cast<unsigned>(next() % 100000));
                    data += line;
                }
                break;
            case 2: // packet: a header, then random measurement bytes
                data.assign("\x55\xAA", 2);
                while (data.size() < (1u << 20))
                    data.push_back(static_cast<char>(next() & 0xFF));
                break;
            default: // process-data curve of floats
                for (int i = 0; data.size() < (1u << 20) * 2; ++i) {
                    const float v = static_cast<float>(std::sin(i / 50.0) * 100.0 + static_cast<double>(next() % 8));
                    data.append(reinterpret_cast<const char*>(&v), sizeof v);
                }
            }
            const std::string name = "file" + std::to_string(n) + (n % 4 == 2 ? ".dat" : ".txt");
            std::ofstream(f.path + "/" + name, std::ios::binary) << data;
            f.files.push_back(f.path + "/" + name);
        }
        return f;
    }();
    return folder;
}

std::string Archive(const char* name) {
    return (vz5bench::PrivateRoot("vz5-zipbench") / name).string();
}

void Attached() {
    static const bool attached = [] {
        vz5bench::PrivateRoot("vz5-zipbench");
        return dorlix::Attach();
    }();
    if (!attached) std::abort();
}

int64_t FolderBytes() {
    int64_t total = 0;
    for (const std::string& f : StationFolder().files)
        total += static_cast<int64_t>(fs::file_size(f));
    return total;
}

void BM_ZipProgram(benchmark::State& state) {
    const Folder& folder = StationFolder();
    const std::string archive = Archive("peer.zip");
    std::vector<std::string> argv{"zip", "-q", "-6", "-j", archive};
    argv.insert(argv.end(), folder.files.begin(), folder.files.end());
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(archive); // zip would update an existing archive
        state.ResumeTiming();
        if (!vz5bench::RunPeer(argv)) state.SkipWithError("zip failed");
    }
    state.SetBytesProcessed(state.iterations() * FolderBytes());
}

void BM_CompressFileEx(benchmark::State& state) {
    Attached();
    const Folder& folder = StationFolder();
    const std::string archive = Archive("export.zip");
    for (auto _ : state)
        if (CompressFileEx(folder.path.c_str(), archive.c_str()) != 1) state.SkipWithError("CompressFileEx failed");
    state.SetBytesProcessed(state.iterations() * FolderBytes());
}

void BM_OwnContainer(benchmark::State& state) {
    Attached();
    const Folder& folder = StationFolder();
    const std::string archive = Archive("own.zip");
    for (auto _ : state)
        if (dorlix::PackFolder(plat::OwnZip(), folder.path.c_str(), archive.c_str()) != 1)
            state.SkipWithError("own container failed");
    state.SetBytesProcessed(state.iterations() * FolderBytes());
}

} // namespace

BENCHMARK(BM_ZipProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_CompressFileEx)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_OwnContainer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK_MAIN();
