// LoadXML beside the pugixml parser, both loading the same 50 MB document
// from its file in the same run: compare the bytes_per_second of the pair.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <pugixml.hpp>

#include "benchroot.h"
#include "core/lifecycle.h"
#include "dorlix.h"

namespace {

constexpr size_t kSize = size_t(50) << 20;

// A station configuration grown to kSize: lines and stations with their
// devices, attributes in both quotes, comments and text between tags.
struct Document {
    std::string path;
    size_t size = 0;
};

const Document& TheDocument() {
    static const Document doc = [] {
        Document d;
        d.path = (vz5bench::PrivateRoot("vz5-xmlbench") / "station.xml").string();
        std::string text = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<!-- inspection line -->\n<lines>\n";
        char piece[512];
        for (int line = 0; text.size() < kSize; ++line) {
            std::snprintf(piece, sizeof piece, " <line id=\"%d\" name='Line %d' kind=\"safety\">\n", line,
                          line);
            text += piece;
            for (int st = 0; st < 20; ++st) {
                std::snprintf(piece, sizeof piece,
                              "  <station id=\"%d\" ip=\"192.168.%d.%d\" port=\"%d\">\n"
                              "   <device type=\"brake\" com=\"COM%d\" baud=\"9600\" timeout='500'/>\n"
                              "   <device type=\"speed\" com=\"COM%d\" baud=\"19200\"/>\n"
                              "   <item code=\"B%03d\" limit=\"&gt;= 60%%\">brake force</item>\n"
                              "  </station>\n",
                              st, line % 256, st, 7000 + st, st % 8 + 1, st % 8 + 2, st);
                text += piece;
            }
            text += " </line>\n";
        }
        text += "</lines>\n";
        d.size = text.size();
        std::ofstream(d.path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
        return d;
    }();
    return doc;
}

void Attached() {
    static const bool attached = [] {
        vz5bench::PrivateRoot("vz5-xmlbench");
        return dorlix::Attach();
    }();
    if (!attached) std::abort();
}

void BM_LoadXML(benchmark::State& state) {
    Attached();
    const Document& doc = TheDocument();
    for (auto _ : state) {
        if (LoadXML(doc.path.c_str()) != 1 || FindItem("lines") != 1) state.SkipWithError("LoadXML failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size));
}
BENCHMARK(BM_LoadXML)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PugixmlLoadFile(benchmark::State& state) {
    const Document& doc = TheDocument();
    for (auto _ : state) {
        pugi::xml_document parsed;
        if (!parsed.load_file(doc.path.c_str()) || !parsed.child("lines"))
            state.SkipWithError("pugixml failed");
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size));
}
BENCHMARK(BM_PugixmlLoadFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
