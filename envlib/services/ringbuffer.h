// The receive ring of a serial port: one thread stores (the reader), one
// takes (ReadSerialPort). Lock-free for that pair: each side moves the bytes
// first and only then publishes its new index, with release stores that the
// other side reads with acquire loads.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstring>

namespace dorlix {

class RingBuffer {
  public:
    // Works on size bytes of data, which the caller owns; holds size - 1 bytes.
    void Reset(unsigned char* data, uint32_t size) {
        data_ = data;
        size_ = size;
        write_.store(0, std::memory_order_relaxed);
        read_.store(0, std::memory_order_relaxed);
    }
    uint32_t Size() const { return size_; }

    // Producer: stores as many of the n bytes as fit; the rest are lost.
    // The indexes name the last byte stored and the last byte taken, so
    // storing goes to the slot after the write index.
    uint32_t Store(const unsigned char* bytes, uint32_t n) {
        if (!data_) return 0;
        const uint32_t w = write_.load(std::memory_order_relaxed);
        const uint32_t r = read_.load(std::memory_order_acquire);
        const uint32_t room = size_ - 1 - Used(w, r);
        if (n > room) n = room;
        CopyIn(w, bytes, n);
        write_.store((w + n) % size_, std::memory_order_release);
        return n;
    }

    // Consumer: takes up to n bytes in arrival order; the number taken.
    uint32_t Take(unsigned char* out, uint32_t n) {
        if (!data_) return 0;
        const uint32_t r = read_.load(std::memory_order_relaxed);
        const uint32_t w = write_.load(std::memory_order_acquire);
        const uint32_t used = Used(w, r);
        if (n > used) n = used;
        CopyOut(r, out, n);
        read_.store((r + n) % size_, std::memory_order_release);
        return n;
    }

  private:
    // Bytes between the last one taken (r) and the last one stored (w).
    uint32_t Used(uint32_t w, uint32_t r) const { return w >= r ? w - r : size_ - (r - w); }
    // Slots after index at, wrapping at the end of the storage.
    void CopyIn(uint32_t at, const unsigned char* bytes, uint32_t n) {
        const uint32_t start = (at + 1) % size_;
        const uint32_t first = n < size_ - start ? n : size_ - start;
        std::memcpy(data_ + start, bytes, first);
        std::memcpy(data_, bytes + first, n - first);
    }
    void CopyOut(uint32_t at, unsigned char* out, uint32_t n) const {
        const uint32_t start = (at + 1) % size_;
        const uint32_t first = n < size_ - start ? n : size_ - start;
        std::memcpy(out, data_ + start, first);
        std::memcpy(out + first, data_, n - first);
    }

    unsigned char* data_ = nullptr;
    uint32_t size_ = 0;
    std::atomic<uint32_t> write_{0};
    std::atomic<uint32_t> read_{0};
};

} // namespace dorlix
