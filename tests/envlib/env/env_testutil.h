// Helpers of the environment tests: a fresh station per test, raw file
// access, and the byte offsets of the environment file and record, written
// down here independently of the library's own structures.
#pragma once
#include "station.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace envtest {

constexpr size_t FILE_SIZE = 189598;
constexpr size_t HEADER_SIZE = 688;
constexpr size_t RECORD_SIZE = 188910;
constexpr size_t ITEMS = 4110;
constexpr size_t ITEM_SIZE = 616;
constexpr size_t VALUE = 0, LABEL = 256, KEY = 512, TYPE = 612;
constexpr size_t PRINT_TYPE = 4104, INERTIA = 4106;

// Offset of a field of item i inside a record.
constexpr size_t ItemField(int i, size_t field) {
    return ITEMS + ITEM_SIZE * static_cast<size_t>(i) + field;
}
// The same inside the environment file.
constexpr size_t FileItemField(int i, size_t field) {
    return HEADER_SIZE + ItemField(i, field);
}

using Bytes = std::vector<uint8_t>;

inline std::string TextAt(const uint8_t* p, size_t max) {
    return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), max));
}
inline std::string TextAt(const Bytes& b, size_t off, size_t max) {
    return TextAt(b.data() + off, max);
}
inline void PutText(uint8_t* p, size_t size, const std::string& s) {
    memset(p, 0, size);
    memcpy(p, s.data(), std::min(s.size(), size - 1));
}
inline void PutText(Bytes& b, size_t off, size_t size, const std::string& s) {
    PutText(b.data() + off, size, s);
}
template <class T> T ValueAt(const uint8_t* p) {
    T v;
    memcpy(&v, p, sizeof v);
    return v;
}
template <class T> T ValueAt(const Bytes& b, size_t off) {
    return ValueAt<T>(b.data() + off);
}
template <class T> void PutValue(Bytes& b, size_t off, T v) {
    memcpy(b.data() + off, &v, sizeof v);
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void WriteBytes(const std::string& path, const Bytes& b) {
    vz5test::MakeWritable(path); // the library keeps its files read-only and hidden
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}
inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// The station of one test; its scratch folder is the current directory.
class TempRoot : public vz5test::Station {
  public:
    TempRoot() : Station("dorlix-env") {}
    const std::string& Path() const { return Scratch(); }
};

} // namespace envtest
