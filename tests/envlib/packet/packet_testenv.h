// Test environment of the packet tests: a private station whose scratch
// folder is the working folder, the library attached once per program, and helpers that
// give the readers and writers heap buffers of exactly the size of a kind (so
// that the address sanitizer sees every access beyond them).
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/lifecycle.h"
#include "dorlix.h"
#include "packet/layout.h"
#include "station.h"

namespace packettest {

class PacketEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        station_ = std::make_unique<vz5test::Station>("vz5-packet"); // the log folder lands in its scratch
        ASSERT_TRUE(dorlix::Attach());
    }
    void TearDown() override {
        dorlix::Detach();
        station_.reset();
    }
    const std::string& Dir() const { return station_->Scratch(); }

  private:
    std::unique_ptr<vz5test::Station> station_;
};

inline PacketEnvironment* const g_env =
    static_cast<PacketEnvironment*>(::testing::AddGlobalTestEnvironment(new PacketEnvironment));

using Buf = std::vector<unsigned char>;

// A zeroed buffer of exactly the size the library assumes for a kind.
inline Buf KindBuffer(uint8_t kind) {
    return Buf(dorlix::packet::BufferSize(kind), 0);
}

// A packet started by WriteStdHead with the given kind (flags 1 1 1 0).
inline Buf NewPacket(uint8_t kind) {
    Buf b = KindBuffer(kind);
    unsigned char head[dorlix::packet::HEAD_SIZE];
    dorlix::packet::InitHead(head, kind);
    EXPECT_EQ(WriteStdHead(b.data(), head), 1);
    return b;
}

// Byte image from a compact text: hex byte groups ("55AA", "E803"), a repeated
// byte ("00*99") and ASCII texts in quotes ('ABC'), separated by blanks.
// The image is padded with zeros to size.
inline Buf Image(const std::string& spec, size_t size) {
    Buf out;
    size_t i = 0;
    auto hex = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    while (i < spec.size()) {
        if (spec[i] == ' ') {
            ++i;
            continue;
        }
        size_t end = spec.find(' ', i);
        if (end == std::string::npos) end = spec.size();
        std::string tok = spec.substr(i, end - i);
        i = end;
        if (tok.front() == '\'') {
            for (size_t k = 1; k + 1 < tok.size(); ++k)
                out.push_back((unsigned char)tok[k]);
        } else if (auto star = tok.find('*'); star != std::string::npos) {
            unsigned char v = (unsigned char)(hex(tok[0]) * 16 + hex(tok[1]));
            out.insert(out.end(), std::stoul(tok.substr(star + 1)), v);
        } else {
            for (size_t k = 0; k + 1 < tok.size(); k += 2)
                out.push_back((unsigned char)(hex(tok[k]) * 16 + hex(tok[k + 1])));
        }
    }
    EXPECT_LE(out.size(), size);
    out.resize(size, 0);
    return out;
}

// First offset where two images differ, or -1.
inline long FirstDifference(const Buf& a, const Buf& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return long(i);
    return a.size() == b.size() ? -1 : long(std::min(a.size(), b.size()));
}

} // namespace packettest
