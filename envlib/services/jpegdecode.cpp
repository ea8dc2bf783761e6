// The decoder reads the marker segments up to the scan header, then decodes
// the scan one row of minimum coded units at a time into per-component
// strips, and turns each strip into pixels: chroma repeated up to the luma
// grid, Y-Cb-Cr to red-green-blue as JFIF defines it (ITU-R BT.601, full range).
#include "services/jpegdecode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "services/jpeghuffman.h"
#include "services/jpegidct.h"

namespace dorlix {
namespace {

// Position in the 8 x 8 block of the k-th coefficient in coding order.
constexpr uint8_t ZIGZAG[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Markers (the byte after 0xFF).
constexpr int SOF0 = 0xC0, DHT = 0xC4, SOI = 0xD8, EOI = 0xD9, SOS = 0xDA, DQT = 0xDB, DRI = 0xDD;
constexpr int RST0 = 0xD0, RST7 = 0xD7, TEM = 0x01;

inline bool IsFrameMarker(int m) {
    return m >= 0xC0 && m <= 0xCF && m != DHT && m != 0xC8 && m != 0xCC;
}

// No more blocks may a minimum coded unit hold.
constexpr int MAX_BLOCKS_IN_UNIT = 10;

struct Component {
    int id = 0;
    int h = 1, v = 1; // sampling factors
    int quant = 0;    // table number
    int dcTable = 0, acTable = 0;
    int32_t prediction = 0;
    // The strip of one row of units: h * 8 * unitsAcross samples wide.
    std::vector<uint8_t> strip;
    int stripStride = 0;
    std::vector<int> columnOf; // strip column of each picture column
};

class Decoder {
  public:
    Decoder(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool Run(const PixelTarget& target) {
        // The start-of-image marker is taken as given.
        p_ += std::min<size_t>(2, static_cast<size_t>(end_ - p_));
        if (!ReadHeaders()) return false;
        if (!Plausible()) return false;
        rows_ = target(width_, height_);
        return DecodeScan();
    }

  private:
    // ---- marker segments ----
    int NextMarker() {
        if (end_ - p_ < 2 || *p_ != 0xFF) return -1;
        while (p_ < end_ && *p_ == 0xFF) ++p_;
        return p_ < end_ ? *p_++ : -1;
    }
    // The segment body after its two length bytes; false when it does not fit.
    bool Segment(const uint8_t*& body, size_t& length) {
        if (end_ - p_ < 2) return false;
        const size_t n = static_cast<size_t>(p_[0] << 8 | p_[1]);
        if (n < 2 || static_cast<size_t>(end_ - p_) < n) return false;
        body = p_ + 2;
        length = n - 2;
        p_ += n;
        return true;
    }

    bool ReadHeaders() {
        for (;;) {
            const int m = NextMarker();
            if (m < 0 || m == EOI || m == SOI) return false;
            if ((m >= RST0 && m <= RST7) || m == TEM) continue;
            const uint8_t* body;
            size_t length;
            if (!Segment(body, length)) return false;
            if (m == SOS) return ReadScanHeader(body, length);
            bool ok = true;
            if (m == SOF0)
                ok = ReadFrame(body, length);
            else if (IsFrameMarker(m))
                ok = false; // progressive, lossless, arithmetic or extended coding
            else if (m == DQT)
                ok = ReadQuant(body, length);
            else if (m == DHT)
                ok = ReadHuffman(body, length);
            else if (m == DRI)
                ok = ReadRestartInterval(body, length);
            if (!ok) return false;
        }
    }

    bool ReadFrame(const uint8_t* b, size_t n) {
        if (frameSeen_ || n < 6) return false;
        frameSeen_ = true;
        const int precision = b[0];
        height_ = b[1] << 8 | b[2];
        width_ = b[3] << 8 | b[4];
        const int count = b[5];
        if (precision != 8 || width_ == 0 || height_ == 0 || (count != 1 && count != 3) ||
            n != 6 + 3 * static_cast<size_t>(count))
            return false;
        comps_.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            Component& c = comps_[i];
            c.id = b[6 + 3 * i];
            c.h = b[7 + 3 * i] >> 4;
            c.v = b[7 + 3 * i] & 15;
            c.quant = b[8 + 3 * i];
            if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
            for (int j = 0; j < i; ++j)
                if (comps_[j].id == c.id) return false;
        }
        // A single component is coded block by block whatever its factors.
        if (count == 1) comps_[0].h = comps_[0].v = 1;
        int blocks = 0;
        for (const Component& c : comps_) {
            maxH_ = std::max(maxH_, c.h);
            maxV_ = std::max(maxV_, c.v);
            blocks += c.h * c.v;
        }
        return blocks <= MAX_BLOCKS_IN_UNIT;
    }

    bool ReadQuant(const uint8_t* b, size_t n) {
        while (n > 0) {
            const int precision = b[0] >> 4, id = b[0] & 15;
            if (precision != 0 || id > 3 || n < 65) return false;
            for (int k = 0; k < 64; ++k) quant_[id][ZIGZAG[k]] = b[1 + k];
            quantSeen_[id] = true;
            b += 65;
            n -= 65;
        }
        return true;
    }

    bool ReadHuffman(const uint8_t* b, size_t n) {
        while (n > 0) {
            if (n < 17) return false;
            const int cls = b[0] >> 4, id = b[0] & 15;
            if (cls > 1 || id > 1) return false;
            int total = 0;
            for (int i = 0; i < 16; ++i) total += b[1 + i];
            if (n < 17 + static_cast<size_t>(total)) return false;
            JpegHuffman& table = cls == 0 ? dc_[id] : ac_[id];
            if (!table.Build(b + 1, b + 17, total)) return false;
            (cls == 0 ? dcSeen_ : acSeen_)[id] = true;
            b += 17 + total;
            n -= 17 + static_cast<size_t>(total);
        }
        return true;
    }

    bool ReadRestartInterval(const uint8_t* b, size_t n) {
        if (n != 2) return false;
        restartInterval_ = b[0] << 8 | b[1];
        return true;
    }

    bool ReadScanHeader(const uint8_t* b, size_t n) {
        if (!frameSeen_ || n < 1) return false;
        const size_t count = b[0];
        if (count != comps_.size() || n != 4 + 2 * count) return false;
        for (size_t i = 0; i < count; ++i) {
            // Components in the frame's order, each named once.
            Component& c = comps_[i];
            if (b[1 + 2 * i] != c.id) return false;
            c.dcTable = b[2 + 2 * i] >> 4;
            c.acTable = b[2 + 2 * i] & 15;
            if (c.dcTable > 1 || c.acTable > 1 || !dcSeen_[c.dcTable] || !acSeen_[c.acTable] ||
                !quantSeen_[c.quant])
                return false;
        }
        const uint8_t* s = b + 1 + 2 * count;
        // Spectral selection 0..63 and no successive approximation.
        if (s[0] != 0 || s[1] != 63 || s[2] != 0) return false;
        scan_ = p_;
        return true;
    }

    // Every block takes at least two bits (a DC and an end-of-block code): a
    // picture larger than the data can hold is refused before its pixels are
    // allocated.
    bool Plausible() {
        unitsAcross_ = (width_ + 8 * maxH_ - 1) / (8 * maxH_);
        unitsDown_ = (height_ + 8 * maxV_ - 1) / (8 * maxV_);
        uint64_t blocks = 0;
        for (const Component& c : comps_) blocks += static_cast<uint64_t>(c.h * c.v);
        blocks *= static_cast<uint64_t>(unitsAcross_) * static_cast<uint64_t>(unitsDown_);
        return blocks <= 4 * static_cast<uint64_t>(end_ - scan_);
    }

    // ---- the scan ----
    bool DecodeBlock(JpegBitReader& in, Component& c, int32_t coef[64]) {
        const int32_t* q = quant_[c.quant];
        const int s = dc_[c.dcTable].Decode(in);
        if (s < 0 || s > 16) return false;
        if (s) c.prediction = std::clamp(c.prediction + in.Value(s), -65536, 65535);
        std::memset(coef, 0, 64 * sizeof(int32_t));
        coef[0] = std::clamp(c.prediction * q[0], -JPEG_COEF_LIMIT, JPEG_COEF_LIMIT);
        bool acSeen = false;
        const JpegHuffman& ac = ac_[c.acTable];
        for (int k = 1; k < 64;) {
            const int rs = ac.Decode(in);
            if (rs < 0) return false;
            const int run = rs >> 4, size = rs & 15;
            if (size == 0) {
                if (run != 15) break; // end of block
                k += 16;
                continue;
            }
            k += run;
            if (k > 63) return false;
            const int z = ZIGZAG[k];
            coef[z] = std::clamp(in.Value(size) * q[z], -JPEG_COEF_LIMIT, JPEG_COEF_LIMIT);
            acSeen = true;
            ++k;
        }
        blockHasAc_ = acSeen;
        return true;
    }

    bool DecodeUnit(JpegBitReader& in, int unitX) {
        int32_t coef[64];
        for (Component& c : comps_) {
            for (int by = 0; by < c.v; ++by) {
                for (int bx = 0; bx < c.h; ++bx) {
                    if (!DecodeBlock(in, c, coef)) return false;
                    uint8_t* out = c.strip.data() + static_cast<size_t>(by * 8) * c.stripStride +
                                   static_cast<size_t>((unitX * c.h + bx) * 8);
                    if (blockHasAc_)
                        InverseDct8x8(coef, out, c.stripStride);
                    else
                        InverseDctDcOnly(coef[0], out, c.stripStride);
                }
            }
        }
        return true;
    }

    void PrepareStrips() {
        for (Component& c : comps_) {
            c.stripStride = unitsAcross_ * c.h * 8;
            c.strip.assign(static_cast<size_t>(c.stripStride) * static_cast<size_t>(c.v * 8), 0);
            c.columnOf.resize(static_cast<size_t>(width_));
            for (int x = 0; x < width_; ++x) c.columnOf[x] = x * c.h / maxH_;
        }
    }

    bool DecodeScan() {
        PrepareStrips();
        JpegBitReader in(scan_, end_);
        int unitsToRestart = restartInterval_;
        int nextRestart = 0;
        for (int uy = 0; uy < unitsDown_; ++uy) {
            for (int ux = 0; ux < unitsAcross_; ++ux) {
                if (restartInterval_ && unitsToRestart == 0) {
                    if (in.Overrun() || !in.Restart(nextRestart)) return false;
                    nextRestart = (nextRestart + 1) & 7;
                    unitsToRestart = restartInterval_;
                    for (Component& c : comps_) c.prediction = 0;
                }
                if (!DecodeUnit(in, ux)) return false;
                --unitsToRestart;
            }
            if (in.Overrun()) return false;
            EmitStrip(uy);
        }
        return true;
    }

    // ---- pixels ----
    void EmitStrip(int unitY) {
        const int y0 = unitY * 8 * maxV_;
        const int y1 = std::min(height_, y0 + 8 * maxV_);
        for (int y = y0; y < y1; ++y) {
            uint8_t* out = rows_.top + static_cast<std::ptrdiff_t>(y) * rows_.stride;
            const int dy = y - y0;
            if (comps_.size() == 1) {
                const uint8_t* g = comps_[0].strip.data() + static_cast<size_t>(dy) * comps_[0].stripStride;
                for (int x = 0; x < width_; ++x, out += 3) out[0] = out[1] = out[2] = g[x];
                continue;
            }
            ColourRow(dy, out);
        }
    }

    const uint8_t* StripRow(const Component& c, int dy) const {
        return c.strip.data() + static_cast<size_t>(dy * c.v / maxV_) * c.stripStride;
    }

    // red = Y + 1.402 Cr, green = Y - 0.344136 Cb - 0.714136 Cr,
    // blue = Y + 1.772 Cb, in steps of 1/65536, each term rounded.
    void ColourRow(int dy, uint8_t* out) const {
        const Component &cy = comps_[0], &cb = comps_[1], &cr = comps_[2];
        const uint8_t *ly = StripRow(cy, dy), *lb = StripRow(cb, dy), *lr = StripRow(cr, dy);
        const int *mx = cy.columnOf.data(), *mb = cb.columnOf.data(), *mr = cr.columnOf.data();
        for (int x = 0; x < width_; ++x, out += 3) {
            const int y = ly[mx[x]];
            const int b = lb[mb[x]] - 128, r = lr[mr[x]] - 128;
            out[0] = Clamp(y + ((116130 * b + 32768) >> 16));
            out[1] = Clamp(y + ((-22554 * b - 46802 * r + 32768) >> 16));
            out[2] = Clamp(y + ((91881 * r + 32768) >> 16));
        }
    }
    static uint8_t Clamp(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

    const uint8_t* p_;
    const uint8_t* end_;
    const uint8_t* scan_ = nullptr;
    int width_ = 0, height_ = 0, maxH_ = 1, maxV_ = 1;
    int unitsAcross_ = 0, unitsDown_ = 0;
    int restartInterval_ = 0;
    bool frameSeen_ = false;
    bool blockHasAc_ = false; // the last decoded block has AC coefficients
    std::vector<Component> comps_;
    int32_t quant_[4][64] = {};
    bool quantSeen_[4] = {};
    JpegHuffman dc_[2], ac_[2];
    bool dcSeen_[2] = {}, acSeen_[2] = {};
    PixelRows rows_;
};

} // namespace

bool DecodeJpeg(const uint8_t* data, std::size_t size, const PixelTarget& target) {
    if (!data) return false;
    Decoder decoder(data, size);
    return decoder.Run(target);
}

} // namespace dorlix
