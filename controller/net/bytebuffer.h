// Receive stream of the network task: datagram bytes go in at the write
// position, complete frame texts come out at the read position.
#pragma once
#include <cstddef>
#include <vector>

#define MAXSTREAMBYTES 28999999 // above this the stream is cleared before the next append

class ByteBuffer {
  public:
    ByteBuffer();

    void append(const unsigned char* src, size_t cnt);
    void append(const char* src, size_t cnt);

    // Takes the next complete frame text ("{...}" up to, not including, '#')
    // into value, which holds BUFFER_SIZE bytes; empty text when none is complete.
    ByteBuffer& operator>>(char* value);
    // Same with the size of value; returns the length taken, 0 when none.
    // A frame that cannot fit into value is dropped and never delivered.
    size_t Take(char* value, size_t size);

    size_t rpos() const { return mReadPos; }
    size_t size() const { return mWritePos; } // bytes stored, taken ones included
    void backpos(size_t pos);
    void clear();

    size_t mReadPos;
    size_t mWritePos;
    std::vector<unsigned char> mStorage;

  private:
    bool mSkipping; // inside a frame too long to deliver: drop up to its end
};

extern ByteBuffer m_RecvBuffer;
