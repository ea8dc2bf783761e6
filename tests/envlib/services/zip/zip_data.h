// The archives and files of the ZIP tests, made at build time by
// gen_zip_data.py, and the containers every archive test runs on.
#pragma once
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "peerdata.h"
#include "platform/ziparchive.h"

namespace zipdata {

using vz5test::DataPath;

// Opened by its narrow name, so that on Windows the GBK bytes of a name mean
// what the library wrote (Station::ReadNative goes through a
// std::filesystem::path and does not find such a file under Wine).
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names of the files in station/ (its subfolder left out).
inline std::vector<std::string> StationFiles() {
    std::ifstream list(DataPath("files.txt"));
    std::vector<std::string> names;
    for (std::string line; std::getline(list, line);)
        if (!line.empty()) names.push_back(line);
    return names;
}

// The system's container and the own one; on Windows they are the same.
inline std::vector<const plat::ZipBackend*> Backends() {
    std::vector<const plat::ZipBackend*> all{&plat::SystemZip()};
    if (&plat::OwnZip() != all[0]) all.push_back(&plat::OwnZip());
    return all;
}

} // namespace zipdata
