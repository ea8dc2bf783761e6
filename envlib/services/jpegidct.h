// The 8 x 8 inverse DCT of the picture decoder, in integers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace dorlix {

// Largest magnitude a dequantised coefficient is held to: real pictures stay
// far below it, and it keeps every sum of the transform inside 32 bits.
constexpr int32_t JPEG_COEF_LIMIT = 32767;

// coef: 64 dequantised coefficients in natural (row-major) order, each within
// +-JPEG_COEF_LIMIT. Writes the 8 x 8 samples (level shift of 128 added,
// clamped to 0..255) at out, rows stride bytes apart.
void InverseDct8x8(const int32_t coef[64], uint8_t* out, std::ptrdiff_t stride);

// The same for a block whose only nonzero coefficient is the DC one.
void InverseDctDcOnly(int32_t dc, uint8_t* out, std::ptrdiff_t stride);

} // namespace dorlix
