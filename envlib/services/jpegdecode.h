// Baseline JPEG decoding: Huffman-coded sequential pictures of 8-bit samples,
// grey or Y-Cb-Cr with any sampling factors from 1 to 4, in one interleaved
// scan, with or without restart intervals. The pixels come out as blue,
// green, red.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace dorlix {

// Where the decoded rows go: row 0 is the top row of the picture, the next
// row stride bytes further (negative for pictures stored bottom-up).
struct PixelRows {
    uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
};

// Asked once the picture's size is known and the data plausibly holds it.
// May throw std::bad_alloc, which DecodeJpeg passes on.
using PixelTarget = std::function<PixelRows(int width, int height)>;

// true when the whole picture was decoded; false for anything that is not a
// complete baseline picture (another coding process, 12-bit samples, a cut
// or damaged stream, no JPEG at all). Memory shortage throws std::bad_alloc.
bool DecodeJpeg(const uint8_t* data, std::size_t size, const PixelTarget& target);

} // namespace dorlix
