// The uncompressed 24-bit Windows bitmap the converters write: file header,
// 40-byte information header, rows bottom-up padded to 4 bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "services/jpegdecode.h"

namespace dorlix {

constexpr std::size_t BMP_HEADER_SIZE = 54;

// Bytes of one pixel row with its padding.
std::size_t BmpRowSize(int width);

// A whole bitmap file in memory: headers written, padding bytes zero, the
// pixels to be filled through Rows() (top row first).
class BmpFile {
  public:
    // Throws std::bad_alloc when the file would not fit in memory or its
    // size in the header's 32 bits.
    BmpFile(int width, int height);
    PixelRows Rows() const;
    const uint8_t* Data() const { return bytes_.get(); }
    std::size_t Size() const { return size_; }

  private:
    int width_, height_;
    std::size_t rowSize_, size_;
    std::unique_ptr<uint8_t[]> bytes_;
};

} // namespace dorlix
