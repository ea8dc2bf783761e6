#include "services/bmpfile.h"

#include <cstring>
#include <limits>
#include <new>

#include "packet/layout.h"

namespace dorlix {
using packet::Put16;
using packet::Put32;

std::size_t BmpRowSize(int width) {
    return (24 * static_cast<std::size_t>(width) + 31) / 32 * 4;
}

BmpFile::BmpFile(int width, int height) : width_(width), height_(height), rowSize_(BmpRowSize(width)) {
    const uint64_t size = static_cast<uint64_t>(rowSize_) * static_cast<uint64_t>(height) + BMP_HEADER_SIZE;
    if (size > std::numeric_limits<uint32_t>::max() || size > std::numeric_limits<std::size_t>::max())
        throw std::bad_alloc();
    size_ = static_cast<std::size_t>(size);
    // Left uninitialised: the decoder writes every pixel, only headers and
    // padding are set here.
    bytes_.reset(new uint8_t[size_]);
    uint8_t* h = bytes_.get();
    std::memset(h, 0, BMP_HEADER_SIZE);
    h[0] = 'B';
    h[1] = 'M';
    Put32(h, 2, static_cast<uint32_t>(size_));
    Put32(h, 10, BMP_HEADER_SIZE);
    Put32(h, 14, 40);
    Put32(h, 18, static_cast<uint32_t>(width));
    Put32(h, 22, static_cast<uint32_t>(height));
    Put16(h, 26, 1);
    Put16(h, 28, 24);
    const std::size_t pixels = 3 * static_cast<std::size_t>(width);
    if (pixels < rowSize_)
        for (int y = 0; y < height; ++y)
            std::memset(h + BMP_HEADER_SIZE + y * rowSize_ + pixels, 0, rowSize_ - pixels);
}

PixelRows BmpFile::Rows() const {
    // Row 0 of the picture is the last row of the file.
    PixelRows rows;
    rows.top = bytes_.get() + BMP_HEADER_SIZE + static_cast<std::size_t>(height_ - 1) * rowSize_;
    rows.stride = -static_cast<std::ptrdiff_t>(rowSize_);
    return rows;
}

} // namespace dorlix
