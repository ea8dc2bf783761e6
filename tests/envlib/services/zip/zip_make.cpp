// Writes the archives that judge_made.py checks with unzip and Python:
// result.txt packed alone and the whole station folder, by every container.
//
//   zip_make <station folder> <output folder>
#include <cstdio>
#include <string>

#include "core/lifecycle.h"
#include "services/compress.h"
#include "zip_data.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zip_make <station folder> <output folder>\n");
        return 2;
    }
    const std::string station = argv[1], out = argv[2];
    int failures = 0;
    for (const plat::ZipBackend* zip : zipdata::Backends()) {
        const std::string file = out + "/" + zip->name + "-file.zip", folder = out + "/" + zip->name + "-folder.zip";
        const int rcFile = dorlix::PackFile(*zip, (station + "/result.txt").c_str(), file.c_str());
        const int rcFolder = dorlix::PackFolder(*zip, station.c_str(), folder.c_str());
        std::printf("%s: file %d, folder %d\n", zip->name, rcFile, rcFolder);
        failures += (rcFile != 1) + (rcFolder != 1);
    }
    return failures == 0 ? 0 : 1;
}
