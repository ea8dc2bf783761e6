// Separable inverse DCT: eight one-dimensional transforms over the rows, then
// eight over the columns. Each splits into its even part (a four-point
// transform of coefficients 0, 2, 4, 6) and its odd part (1, 3, 5, 7), which
// takes 22 multiplications instead of 64. Constants carry 13 fraction bits;
// the rows keep 2 bits of their fraction for the columns.
#include "services/jpegidct.h"

#include <algorithm>

namespace dorlix {
namespace {

constexpr int CONST_BITS = 13;
constexpr int PASS1_BITS = 2;
// cos(k * pi / 16) * 2^13
constexpr int32_t C1 = 8035, C2 = 7568, C3 = 6811, C4 = 5793, C5 = 4551, C6 = 3135, C7 = 1598;
// Rows leave 2 fraction bits; the 2-D result is a quarter of the two sums.
constexpr int PASS1_SHIFT = CONST_BITS - PASS1_BITS;
constexpr int PASS2_SHIFT = CONST_BITS + PASS1_BITS + 2;
// Rounding and the level shift of 128, added before the last shift.
constexpr int32_t PASS2_BIAS = (1 << (PASS2_SHIFT - 1)) + (128 << PASS2_SHIFT);

// x[n] = sum over k of C(k) X[k] cos((2n+1) k pi / 16), scaled by 2^13;
// C(0) = 1/sqrt(2) = cos(pi/4).
struct Transform {
    int32_t out[8];
    Transform(int32_t x0, int32_t x1, int32_t x2, int32_t x3, int32_t x4, int32_t x5, int32_t x6, int32_t x7) {
        const int32_t a = (x0 + x4) * C4, b = (x0 - x4) * C4;
        const int32_t p = x2 * C2 + x6 * C6, q = x2 * C6 - x6 * C2;
        const int32_t e0 = a + p, e3 = a - p, e1 = b + q, e2 = b - q;
        const int32_t o0 = x1 * C1 + x3 * C3 + x5 * C5 + x7 * C7;
        const int32_t o1 = x1 * C3 - x3 * C7 - x5 * C1 - x7 * C5;
        const int32_t o2 = x1 * C5 - x3 * C1 + x5 * C7 + x7 * C3;
        const int32_t o3 = x1 * C7 - x3 * C5 + x5 * C3 - x7 * C1;
        out[0] = e0 + o0;
        out[7] = e0 - o0;
        out[1] = e1 + o1;
        out[6] = e1 - o1;
        out[2] = e2 + o2;
        out[5] = e2 - o2;
        out[3] = e3 + o3;
        out[4] = e3 - o3;
    }
};

inline int32_t RowResult(int32_t v) {
    return std::clamp((v + (1 << (PASS1_SHIFT - 1))) >> PASS1_SHIFT, -JPEG_COEF_LIMIT, JPEG_COEF_LIMIT);
}

inline uint8_t Sample(int32_t v) {
    return static_cast<uint8_t>(std::clamp((v + PASS2_BIAS) >> PASS2_SHIFT, 0, 255));
}

} // namespace

void InverseDct8x8(const int32_t coef[64], uint8_t* out, std::ptrdiff_t stride) {
    int32_t ws[64];
    for (int r = 0; r < 8; ++r) {
        const int32_t* c = coef + r * 8;
        int32_t* w = ws + r * 8;
        // Most rows of a coded picture have no AC energy.
        if ((c[1] | c[2] | c[3] | c[4] | c[5] | c[6] | c[7]) == 0) {
            const int32_t dc = RowResult(c[0] * C4);
            for (int i = 0; i < 8; ++i) w[i] = dc;
            continue;
        }
        const Transform t(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        for (int i = 0; i < 8; ++i) w[i] = RowResult(t.out[i]);
    }
    for (int col = 0; col < 8; ++col) {
        const int32_t* w = ws + col;
        const Transform t(w[0], w[8], w[16], w[24], w[32], w[40], w[48], w[56]);
        for (int y = 0; y < 8; ++y) out[y * stride + col] = Sample(t.out[y]);
    }
}

void InverseDctDcOnly(int32_t dc, uint8_t* out, std::ptrdiff_t stride) {
    // The full transform of such a block, worked out: every sample is the same.
    const uint8_t s = Sample(RowResult(dc * C4) * C4);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) out[y * stride + x] = s;
}

} // namespace dorlix
