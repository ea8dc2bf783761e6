// JPEG to BMP beside djpeg -bmp, on the same 4000 x 3000 4:2:0 picture in
// the same run: smooth shading with edges and fine texture, as a vehicle
// photograph has, encoded once by cjpeg at quality 85. Compare the times.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "benchroot.h"
#include "peerprogram.h"
#include "services/jpeg2bmp.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

std::string Folder() {
    return vz5bench::PrivateRoot("vz5-jpegbench").string();
}

std::string MakePhoto() {
    const std::string ppm = Folder() + "/photo.ppm", jpg = Folder() + "/photo.jpg";
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    std::string row(3 * kWidth, '\0');
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>(noise >> 28) - 8;
            // A bright body against a darker background, with a sky gradient
            // and a patterned grille.
            const bool body = (x - 2000) * (x - 2000) / 4 + (y - 1700) * (y - 1700) < 900 * 900;
            const double wave = 20 * std::sin(x * 0.05) * std::cos(y * 0.03);
            const int r = body ? 180 + static_cast<int>(wave) : 60 + y * 100 / kHeight;
            const int g = body ? 40 + static_cast<int>(wave / 2) : 90 + x * 60 / kWidth;
            const int b = body ? 50 : 200 - y * 120 / kHeight;
            row[3 * x] = static_cast<char>(std::clamp(r + grain, 0, 255));
            row[3 * x + 1] = static_cast<char>(std::clamp(g + grain, 0, 255));
            row[3 * x + 2] = static_cast<char>(std::clamp(b + grain, 0, 255));
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    out.close();
    if (!vz5bench::RunPeer({"cjpeg", "-quality", "85", "-sample", "2x2,1x1,1x1", "-outfile", jpg, ppm}))
        std::abort();
    return jpg;
}

const std::string& Photo() {
    static const std::string path = MakePhoto();
    return path;
}

void BM_Djpeg(benchmark::State& state) {
    const std::string out = Folder() + "/djpeg.bmp";
    for (auto _ : state)
        if (!vz5bench::RunPeer({"djpeg", "-bmp", "-outfile", out, Photo()})) state.SkipWithError("djpeg failed");
}

void BM_CnvJpeg2BmpFile(benchmark::State& state) {
    const std::string out = Folder() + "/dorlix.bmp";
    for (auto _ : state)
        if (dorlix::CnvJpeg2BmpFile(Photo().c_str(), out.c_str()) != 1) state.SkipWithError("conversion failed");
}

BENCHMARK(BM_Djpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_CnvJpeg2BmpFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

BENCHMARK_MAIN();
