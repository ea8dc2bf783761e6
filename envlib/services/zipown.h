// The records of the ZIP format that the own reader and writer share (from
// the ZIP file-format application note): little-endian fields, no ZIP64, no
// encryption.
#pragma once
#include <cstdint>
#include <string>

#include "packet/layout.h"

namespace dorlix::zipown {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagUtf8 = 0x0800;
// Version 2.0 (deflate), made on MS-DOS/FAT: names in the local code page.
constexpr uint16_t kVersion = 20;
constexpr uint64_t kMax32 = 0xFFFFFFFFu;
constexpr std::size_t kChunk = 256 * 1024;

// Fields are read with the packet layout's little-endian access.
using packet::Get16;
using packet::Get32;
inline void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace dorlix::zipown
