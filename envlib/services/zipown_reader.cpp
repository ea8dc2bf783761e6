// The own ZIP reader: the end record found from the back of the file, the
// central directory read whole and checked against the file's size, entries
// stored or deflated. Whatever it cannot read (ZIP64, split archives,
// encryption, other methods) it refuses rather than guessing.
#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/ziparchive.h"
#include "services/zipown.h"

namespace dorlix::zipown {

std::unique_ptr<plat::ZipWriter> CreateOwnZip(const char* winPath);

namespace {

struct Entry {
    std::string name;
    uint16_t flags, method;
    uint32_t crc, packed, size, offset;
};

class OwnReader : public plat::ZipReader {
  public:
    OwnReader(std::FILE* f, uint64_t size, std::vector<Entry> entries)
        : f_(f), size_(size), entries_(std::move(entries)) {}
    ~OwnReader() override { std::fclose(f_); }

    int Count() const override { return static_cast<int>(entries_.size()); }

    bool Name(int index, plat::ZipEntryName& out) override {
        if (index < 0 || index >= Count()) return false;
        const Entry& e = entries_[static_cast<std::size_t>(index)];
        out.name = e.name;
        out.utf8 = (e.flags & kFlagUtf8) != 0;
        return true;
    }

    bool Extract(int index, const char* winTarget) override {
        if (index < 0 || index >= Count()) return false;
        const Entry& e = entries_[static_cast<std::size_t>(index)];
        uint64_t data = 0;
        if ((e.flags & kFlagEncrypted) != 0 || (e.method != kStored && e.method != kDeflated) || !DataStart(e, data))
            return false;
        if (e.method == kStored && e.packed != e.size) return false;
        const std::string native = plat::MapPath(winTarget);
        std::FILE* out = std::fopen(native.c_str(), "wb");
        if (!out) return false;
        bool ok = plat::SeekFile(f_, data) && (e.method == kStored ? Copy(e, out) : Inflate(e, out));
        if (std::fclose(out) != 0) ok = false;
        if (!ok) std::remove(native.c_str());
        return ok;
    }

  private:
    // Where the entry's data begins, past its local header; false when the
    // header is missing or the data would run past the end of the file.
    bool DataStart(const Entry& e, uint64_t& data) {
        unsigned char h[kLocalSize];
        if (!plat::SeekFile(f_, e.offset) || std::fread(h, 1, sizeof h, f_) != sizeof h ||
            Get32(h, 0) != kLocalSig)
            return false;
        data = uint64_t{e.offset} + kLocalSize + Get16(h, 26) + Get16(h, 28);
        return data + e.packed <= size_;
    }

    bool Copy(const Entry& e, std::FILE* out) {
        std::vector<unsigned char> buf(kChunk);
        uLong sum = crc32(0, Z_NULL, 0);
        for (uint64_t left = e.packed; left > 0;) {
            const std::size_t n = static_cast<std::size_t>(left < buf.size() ? left : buf.size());
            if (std::fread(buf.data(), 1, n, f_) != n || std::fwrite(buf.data(), 1, n, out) != n) return false;
            sum = crc32(sum, buf.data(), static_cast<uInt>(n));
            left -= n;
        }
        return static_cast<uint32_t>(sum) == e.crc;
    }

    // Inflates exactly the entry's packed bytes into exactly its size.
    bool Inflate(const Entry& e, std::FILE* out) {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
        std::vector<unsigned char> src(kChunk), dst(kChunk);
        uLong sum = crc32(0, Z_NULL, 0);
        uint64_t left = e.packed, written = 0;
        int rc = Z_OK;
        bool ok = true, outputFull = false;
        while (ok && rc != Z_STREAM_END) {
            // A full output buffer may hold back output of input already taken.
            if (z.avail_in == 0 && !outputFull) {
                if (left == 0) {
                    ok = false; // the stream ends before its end marker
                    break;
                }
                const std::size_t n = static_cast<std::size_t>(left < src.size() ? left : src.size());
                if (std::fread(src.data(), 1, n, f_) != n) {
                    ok = false;
                    break;
                }
                left -= n;
                z.next_in = src.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = dst.data();
            z.avail_out = static_cast<uInt>(dst.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END) {
                ok = false;
                break;
            }
            outputFull = z.avail_out == 0;
            const std::size_t n = dst.size() - z.avail_out;
            written += n;
            if (written > e.size || std::fwrite(dst.data(), 1, n, out) != n) {
                ok = false;
                break;
            }
            sum = crc32(sum, dst.data(), static_cast<uInt>(n));
        }
        inflateEnd(&z);
        return ok && written == e.size && static_cast<uint32_t>(sum) == e.crc;
    }

    std::FILE* f_;
    uint64_t size_;
    std::vector<Entry> entries_;
};

// Position of the end record: the last signature from which the record and
// its comment reach exactly to the end of the file, or failing that the last
// one that fits at all.
bool FindEnd(const std::vector<unsigned char>& tail, std::size_t& at) {
    bool found = false;
    for (std::size_t i = tail.size() >= kEndSize ? tail.size() - kEndSize + 1 : 0; i-- > 0;) {
        if (Get32(&tail[i], 0) != kEndSig) continue;
        const std::size_t end = i + kEndSize + Get16(&tail[i], 20);
        if (end == tail.size()) {
            at = i;
            return true;
        }
        if (!found && end <= tail.size()) {
            at = i;
            found = true;
        }
    }
    return found;
}

bool ReadDirectory(std::FILE* f, uint64_t size, std::vector<Entry>& entries) {
    const std::size_t tailSize = static_cast<std::size_t>(size < kEndSize + 0xFFFF ? size : kEndSize + 0xFFFF);
    std::vector<unsigned char> tail(tailSize);
    if (tailSize < kEndSize || !plat::SeekFile(f, size - tailSize) ||
        std::fread(tail.data(), 1, tailSize, f) != tailSize)
        return false;
    std::size_t at = 0;
    if (!FindEnd(tail, at)) return false;
    const unsigned char* end = &tail[at];
    const uint64_t endPos = size - tailSize + at;
    // ZIP64 and split archives are beyond this reader.
    if (endPos >= 20 && at >= 20 && Get32(end - 20, 0) == kZip64LocatorSig) return false;
    const uint16_t count = Get16(end, 10);
    const uint32_t dirSize = Get32(end, 12), dirOffset = Get32(end, 16);
    if (Get16(end, 4) != 0 || Get16(end, 6) != 0 || Get16(end, 8) != count || count == 0xFFFF ||
        dirOffset == kMax32 || uint64_t{dirOffset} + dirSize > endPos)
        return false;
    std::vector<unsigned char> dir(dirSize);
    if (dirSize > 0 && (!plat::SeekFile(f, dirOffset) || std::fread(dir.data(), 1, dirSize, f) != dirSize))
        return false;
    std::size_t p = 0;
    for (uint16_t i = 0; i < count; ++i) {
        if (p + kCentralSize > dir.size() || Get32(&dir[p], 0) != kCentralSig) return false;
        const unsigned char* c = &dir[p];
        const std::size_t nameLen = Get16(c, 28), extraLen = Get16(c, 30), commentLen = Get16(c, 32);
        if (p + kCentralSize + nameLen + extraLen + commentLen > dir.size()) return false;
        Entry e{std::string(reinterpret_cast<const char*>(c + kCentralSize), nameLen),
                Get16(c, 8),
                Get16(c, 10),
                Get32(c, 16),
                Get32(c, 20),
                Get32(c, 24),
                Get32(c, 42)};
        if (Get16(c, 34) != 0 || e.packed == kMax32 || e.size == kMax32 || e.offset == kMax32) return false;
        entries.push_back(std::move(e));
        p += kCentralSize + nameLen + extraLen + commentLen;
    }
    return true;
}

std::unique_ptr<plat::ZipReader> OpenOwnZip(const char* winPath) {
    std::FILE* f = std::fopen(plat::MapPath(winPath).c_str(), "rb");
    if (!f) return nullptr;
    uint64_t size = 0;
    std::vector<Entry> entries;
    if (!plat::SeekFileEnd(f, size) || !ReadDirectory(f, size, entries)) {
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<OwnReader>(f, size, std::move(entries));
}

} // namespace
} // namespace dorlix::zipown

namespace plat {
const ZipBackend& OwnZip() {
    static const ZipBackend own{"own", dorlix::zipown::CreateOwnZip, dorlix::zipown::OpenOwnZip};
    return own;
}
} // namespace plat
