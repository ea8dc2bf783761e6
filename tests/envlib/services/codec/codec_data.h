// The expected data of the codec tests, made at build time by
// gen_peer_data.py.
#pragma once
#include <string>

#include "peerdata.h"

namespace codecdata {

using vz5test::DataPath;

inline std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace codecdata
