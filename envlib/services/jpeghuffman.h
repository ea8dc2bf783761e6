// The entropy-coded data of a JPEG scan: a bit reader that undoes the byte
// stuffing and stops at markers, and Huffman tables decoded through a
// 9-bit lookahead table with a canonical-code search for longer codes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace dorlix {

class JpegBitReader {
  public:
    JpegBitReader(const uint8_t* data, const uint8_t* end) : p_(data), end_(end) {}

    // At least 32 bits in the buffer afterwards. Past a marker or the end of
    // the data zero bits are supplied, and counted, so that Overrun tells a
    // cut stream.
    void Fill() {
        while (count_ <= 56) {
            uint32_t byte = 0;
            if (p_ < end_ && (*p_ != 0xFF || (p_ + 1 < end_ && p_[1] == 0x00))) {
                byte = *p_;
                p_ += byte == 0xFF ? 2 : 1;
            } else {
                padding_ += 8;
            }
            bits_ |= static_cast<uint64_t>(byte) << (56 - count_);
            count_ += 8;
        }
    }
    void Want(int n) {
        if (count_ < n) Fill();
    }
    uint32_t Peek(int n) const { return static_cast<uint32_t>(bits_ >> (64 - n)); }
    void Skip(int n) {
        bits_ <<= n;
        count_ -= n;
    }
    // n (1..16) bits as the signed value of size n (the EXTEND step).
    int32_t Value(int n) {
        const int32_t v = static_cast<int32_t>(Peek(n));
        Skip(n);
        return v < (1 << (n - 1)) ? v - (1 << n) + 1 : v;
    }
    // Bits were taken beyond the data of the scan.
    bool Overrun() const { return count_ < padding_; }
    // At a restart: drops the buffered bits and steps over the RSTn marker
    // that must follow (fill bytes 0xFF before it allowed).
    bool Restart(int expected);

  private:
    const uint8_t* p_;
    const uint8_t* end_;
    uint64_t bits_ = 0;
    int count_ = 0;
    int padding_ = 0;
};

class JpegHuffman {
  public:
    static constexpr int LOOKAHEAD = 9;
    // counts: codes of each length 1..16; symbols in code order. false when
    // the counts describe no prefix code.
    bool Build(const uint8_t counts[16], const uint8_t* symbols, int total);

    // The next symbol, or -1 for a bit pattern that is no code.
    int Decode(JpegBitReader& in) const {
        in.Want(32);
        const uint16_t e = fast_[in.Peek(LOOKAHEAD)];
        if (e != 0) {
            in.Skip(e >> 8);
            return e & 0xFF;
        }
        return DecodeLong(in);
    }

  private:
    int DecodeLong(JpegBitReader& in) const;

    uint16_t fast_[1 << LOOKAHEAD] = {}; // length << 8 | symbol, 0 for longer codes
    int32_t maxCode_[17] = {};           // last code of each length, -1 none
    int32_t offset_[17] = {};            // symbol index of a code of each length minus that code
    uint8_t symbols_[256] = {};
    int total_ = 0;
};

} // namespace dorlix
