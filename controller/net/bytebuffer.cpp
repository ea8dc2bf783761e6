#include "bytebuffer.h"

#include "public.h"

#include <cstring>

ByteBuffer m_RecvBuffer;

ByteBuffer::ByteBuffer() : mReadPos(0), mWritePos(0), mSkipping(false) {}

void ByteBuffer::append(const unsigned char* src, size_t cnt) {
    if (cnt == 0 || !src) return;
    if (mWritePos > MAXSTREAMBYTES) clear();
    if (mStorage.size() < mWritePos + cnt) mStorage.resize(mWritePos + cnt);
    memcpy(mStorage.data() + mWritePos, src, cnt);
    mWritePos += cnt;
}

void ByteBuffer::append(const char* src, size_t cnt) {
    append(reinterpret_cast<const unsigned char*>(src), cnt);
}

ByteBuffer& ByteBuffer::operator>>(char* value) {
    Take(value, BUFFER_SIZE);
    return *this;
}

// Finds the first of the bytes a or b or NUL in [from, end); returns end when none.
static size_t FindStop(const unsigned char* data, size_t from, size_t end, unsigned char a, unsigned char b) {
    for (size_t i = from; i < end; ++i) {
        unsigned char c = data[i];
        if (c == a || c == b || c == '\0') return i;
    }
    return end;
}

size_t ByteBuffer::Take(char* value, size_t size) {
    if (!value || size == 0) return 0;
    value[0] = '\0';
    const unsigned char* data = mStorage.data();
    size_t pos = mReadPos;
    for (;;) {
        if (mSkipping) {
            size_t stop = FindStop(data, pos, mWritePos, '#', '#');
            if (stop == mWritePos) {
                mReadPos = mWritePos;
                return 0;
            }
            mSkipping = false; // '#' ends the dropped frame, NUL ends any frame
            pos = stop + 1;
            mReadPos = pos;
            continue;
        }
        // Bytes before a frame start can never belong to a frame: consume them
        // so that later calls do not scan them again.
        size_t start = FindStop(data, pos, mWritePos, '{', '#');
        if (start == mWritePos) {
            mReadPos = mWritePos;
            return 0;
        }
        if (data[start] == '\0') {
            // NUL ends the search like the end of the data; step over it so
            // that the frames behind it are still taken.
            pos = start + 1;
            mReadPos = pos;
            continue;
        }
        size_t textBegin = data[start] == '{' ? start : start + 1;
        size_t end = FindStop(data, start + 1, mWritePos, '#', '#');
        size_t len = end - textBegin;
        if (end == mWritePos) {
            if (len >= size) {
                mSkipping = true; // can never be delivered whole
                mReadPos = mWritePos;
            } else {
                mReadPos = start; // completed by later datagrams
            }
            return 0;
        }
        pos = end + 1;
        mReadPos = pos;
        if (data[end] == '\0' || len == 0 || len >= size) continue; // broken, empty or too long
        memcpy(value, data + textBegin, len);
        value[len] = '\0';
        return len;
    }
}

void ByteBuffer::backpos(size_t pos) {
    mReadPos = pos > mReadPos ? 0 : mReadPos - pos;
}

void ByteBuffer::clear() {
    mStorage.clear();
    if (mStorage.capacity() > 2 * BUFFER_SIZE) mStorage.shrink_to_fit();
    mReadPos = 0;
    mWritePos = 0;
    mSkipping = false;
}
