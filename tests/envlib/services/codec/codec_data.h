// The expected data of the codec tests: files made at build time in
// CODEC_DATA_DIR (a Z: path under Wine).
#pragma once
#include <string>

#ifndef CODEC_DATA_DIR
#error "CODEC_DATA_DIR names the folder of the expected data"
#endif

namespace codecdata {

inline std::string DataPath(const std::string& rel) {
    return std::string(CODEC_DATA_DIR) + "/" + rel;
}

inline std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace codecdata
