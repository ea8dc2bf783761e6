#include "services/jpeghuffman.h"

#include <cstring>

namespace dorlix {

bool JpegBitReader::Restart(int expected) {
    bits_ = 0;
    count_ = 0;
    padding_ = 0;
    if (p_ >= end_ || *p_ != 0xFF) return false;
    while (p_ < end_ && *p_ == 0xFF) ++p_;
    if (p_ >= end_ || *p_ != 0xD0 + expected) return false;
    ++p_;
    return true;
}

// Canonical codes: each length's codes follow the previous length's last
// code, shifted left by one.
bool JpegHuffman::Build(const uint8_t counts[16], const uint8_t* symbols, int total) {
    if (total > 256) return false;
    total_ = total;
    std::memset(fast_, 0, sizeof fast_);
    std::memcpy(symbols_, symbols, static_cast<size_t>(total));
    int32_t code = 0;
    int index = 0;
    for (int len = 1; len <= 16; ++len) {
        const int n = counts[len - 1];
        offset_[len] = index - code;
        maxCode_[len] = n ? code + n - 1 : -1;
        for (int i = 0; i < n; ++i, ++code, ++index) {
            if (len <= LOOKAHEAD) {
                const int shift = LOOKAHEAD - len;
                for (int fill = 0; fill < (1 << shift); ++fill)
                    fast_[(code << shift) | fill] = static_cast<uint16_t>(len << 8 | symbols_[index]);
            }
        }
        // More codes than the length holds make no prefix code.
        if (code > (1 << len)) return false;
        code <<= 1;
    }
    return true;
}

int JpegHuffman::DecodeLong(JpegBitReader& in) const {
    for (int len = LOOKAHEAD + 1; len <= 16; ++len) {
        const int32_t code = static_cast<int32_t>(in.Peek(len));
        if (code <= maxCode_[len]) {
            const int index = offset_[len] + code;
            if (index < 0 || index >= total_) return -1;
            in.Skip(len);
            return symbols_[index];
        }
    }
    return -1;
}

} // namespace dorlix
