// The expected data that peer programs of the build host made for a test
// program at build time (vz5_peer_data in cmake/Project.cmake), in the folder
// VZ5_PEER_DATA_DIR as the program sees it (a Z: path under Wine).
#pragma once
#include <string>

#ifndef VZ5_PEER_DATA_DIR
#error "VZ5_PEER_DATA_DIR names the folder of the expected data"
#endif

namespace vz5test {

inline std::string DataPath(const std::string& rel) {
    return std::string(VZ5_PEER_DATA_DIR) + "/" + rel;
}

} // namespace vz5test
