// Separable inverse DCT: eight one-dimensional transforms down the columns,
// then eight along the rows, each by the factorisation of Loeffler,
// Ligtenberg and Moschytz (12 multiplications a transform). Constants carry
// 13 fraction bits; the columns keep 2 bits of their fraction for the rows.
// The scaling and rounding are those of the accurate integer transform that
// common decoders use ("-dct int" of djpeg), so that pictures decode to the
// same samples as there, give or take the odd level.
#include "services/jpegidct.h"

#include <algorithm>

namespace dorlix {
namespace {

constexpr int CONST_BITS = 13;
constexpr int PASS1_BITS = 2;
constexpr int64_t ONE = int64_t{1} << CONST_BITS;
// x * 2^13, rounded.
constexpr int64_t F0_298631336 = 2446, F0_390180644 = 3196, F0_541196100 = 4433, F0_765366865 = 6270,
                  F0_899976223 = 7373, F1_175875602 = 9633, F1_501321110 = 12299, F1_847759065 = 15137,
                  F1_961570560 = 16069, F2_053119869 = 16819, F2_562915447 = 20995, F3_072711026 = 25172;

// The columns leave 2 fraction bits; the rows take them and the factor 1/8
// of the two-dimensional transform.
constexpr int PASS1_SHIFT = CONST_BITS - PASS1_BITS;
constexpr int PASS2_SHIFT = CONST_BITS + PASS1_BITS + 3;

// One eight-point transform, results scaled by 2^13. Sums are held in 64
// bits: a forged picture's coefficients cannot overflow them.
struct Transform {
    int64_t out[8];
    Transform(int64_t x0, int64_t x1, int64_t x2, int64_t x3, int64_t x4, int64_t x5, int64_t x6, int64_t x7) {
        // Even part: coefficients 0, 2, 4, 6.
        const int64_t r = (x2 + x6) * F0_541196100;
        const int64_t e2 = r - x6 * F1_847759065, e3 = r + x2 * F0_765366865;
        const int64_t e0 = (x0 + x4) * ONE, e1 = (x0 - x4) * ONE;
        const int64_t t10 = e0 + e3, t13 = e0 - e3, t11 = e1 + e2, t12 = e1 - e2;
        // Odd part: coefficients 7, 5, 3, 1.
        const int64_t z1 = (x7 + x1) * -F0_899976223, z2 = (x5 + x3) * -F2_562915447;
        const int64_t z5 = (x7 + x3 + x5 + x1) * F1_175875602;
        const int64_t z3 = (x7 + x3) * -F1_961570560 + z5, z4 = (x5 + x1) * -F0_390180644 + z5;
        const int64_t o7 = x7 * F0_298631336 + z1 + z3, o5 = x5 * F2_053119869 + z2 + z4;
        const int64_t o3 = x3 * F3_072711026 + z2 + z3, o1 = x1 * F1_501321110 + z1 + z4;
        out[0] = t10 + o1;
        out[7] = t10 - o1;
        out[1] = t11 + o3;
        out[6] = t11 - o3;
        out[2] = t12 + o5;
        out[5] = t12 - o5;
        out[3] = t13 + o7;
        out[4] = t13 - o7;
    }
};

inline int32_t ColumnResult(int64_t v) {
    return static_cast<int32_t>((v + (int64_t{1} << (PASS1_SHIFT - 1))) >> PASS1_SHIFT);
}

// The level shift of 128 and the clamp to a sample.
inline uint8_t Sample(int64_t v) {
    return static_cast<uint8_t>(std::clamp<int64_t>(((v + (int64_t{1} << (PASS2_SHIFT - 1))) >> PASS2_SHIFT) + 128, 0, 255));
}

} // namespace

void InverseDct8x8(const int32_t coef[64], uint8_t* out, std::ptrdiff_t stride) {
    int32_t ws[64];
    for (int col = 0; col < 8; ++col) {
        const int32_t* c = coef + col;
        int32_t* w = ws + col;
        // Most columns of a coded picture have no vertical AC energy; the
        // transform of such a column is its DC value, exactly.
        if ((c[8] | c[16] | c[24] | c[32] | c[40] | c[48] | c[56]) == 0) {
            const int32_t dc = c[0] * (1 << PASS1_BITS);
            for (int i = 0; i < 8; ++i) w[i * 8] = dc;
            continue;
        }
        const Transform t(c[0], c[8], c[16], c[24], c[32], c[40], c[48], c[56]);
        for (int i = 0; i < 8; ++i) w[i * 8] = ColumnResult(t.out[i]);
    }
    for (int row = 0; row < 8; ++row) {
        const int32_t* w = ws + row * 8;
        uint8_t* o = out + row * stride;
        const Transform t(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
        for (int x = 0; x < 8; ++x) o[x] = Sample(t.out[x]);
    }
}

void InverseDctDcOnly(int32_t dc, uint8_t* out, std::ptrdiff_t stride) {
    // The full transform of such a block, worked out: every sample is the same.
    const uint8_t s = Sample(static_cast<int64_t>(dc) * (1 << PASS1_BITS) * ONE);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) out[y * stride + x] = s;
}

} // namespace dorlix
