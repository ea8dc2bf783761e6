// MD5 message digest (RFC 1321).
#pragma once
#include <cstddef>
#include <cstdint>

namespace dorlix {

class Md5 {
  public:
    Md5();
    void Update(const void* data, size_t length);
    // Finishes the digest; the object must not be updated afterwards.
    void Final(uint8_t digest[16]);

  private:
    void Block(const uint8_t* block);
    uint32_t state_[4];
    uint64_t length_ = 0; // bytes fed so far
    uint8_t buffer_[64];
    size_t used_ = 0;
};

// Finishes md5 and writes its digest as 32 lower-case hexadecimal digits and a NUL.
void Md5HexFinal(Md5& md5, char out[33]);
// The digest as 32 lower-case hexadecimal digits and a NUL (33 bytes of out).
void Md5Hex(const void* data, size_t length, char out[33]);

} // namespace dorlix
