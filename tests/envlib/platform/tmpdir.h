// A private station for one test, with short names for its places:
// root / "d/cfg/x.ini" is where the file system keeps "D:\cfg\x.ini".
#pragma once
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "station.h"

class TempRoot : public vz5test::Station {
  public:
    TempRoot() : Station("dorlix-plat") {}
    const std::string& path() const { return Scratch(); }
    std::string operator/(const std::string& rel) const { return At(rel); }
};

inline void WriteText(const std::string& path, const std::string& text) {
    vz5test::Station::WriteNative(path, text);
}

inline std::string ReadText(const std::string& path) {
    return vz5test::Station::ReadNative(path);
}
