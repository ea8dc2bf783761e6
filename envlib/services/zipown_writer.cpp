// The own ZIP writer: a local header per entry, its deflated data, the CRC
// and sizes written back into the header once known, and the central
// directory at the close.
#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/ziparchive.h"
#include "services/zipown.h"

namespace dorlix::zipown {
namespace {

struct Central {
    std::string name;
    uint32_t dosTime, crc, packed, size, offset;
};

uint32_t DosTime(const char* winSource) {
    plat::LocalTime t{};
    if (!plat::GetFileWriteTime(winSource, t) || t.year < 1980) return (1u << 5 | 1u) << 16; // 1980-01-01
    const uint32_t date = static_cast<uint32_t>((t.year - 1980) << 9 | t.month << 5 | t.day);
    const uint32_t time = static_cast<uint32_t>(t.hour << 11 | t.minute << 5 | t.second / 2);
    return date << 16 | time;
}

class OwnWriter : public plat::ZipWriter {
  public:
    explicit OwnWriter(std::FILE* f) : f_(f) { std::setvbuf(f_, nullptr, _IOFBF, kChunk); }
    ~OwnWriter() override { Close(); }

    bool Add(const std::string& name, const char* winSource) override {
        if (!f_ || name.size() > 0xFFFF) return false;
        std::FILE* in = std::fopen(plat::MapPath(winSource).c_str(), "rb");
        if (!in) return false;
        const bool ok = AddFrom(name, winSource, in);
        std::fclose(in);
        return ok;
    }

    bool Close() override {
        if (!f_) return true;
        bool ok = !failed_ && WriteDirectory();
        if (std::fclose(f_) != 0) ok = false;
        f_ = nullptr;
        return ok;
    }

  private:
    bool Write(const void* data, std::size_t n) {
        if (std::fwrite(data, 1, n, f_) != n) return false;
        pos_ += n;
        return true;
    }
    bool Write(const std::string& s) { return Write(s.data(), s.size()); }

    // The fields local header and directory record share, from the version
    // needed to the name length.
    static void PutShared(std::string& out, const Central& e) {
        Put16(out, kVersion);
        Put16(out, 0); // flags: no encryption, names in the local code page
        Put16(out, kDeflated);
        Put32(out, e.dosTime);
        Put32(out, e.crc);
        Put32(out, e.packed);
        Put32(out, e.size);
        Put16(out, static_cast<uint32_t>(e.name.size()));
    }

    static std::string LocalHeader(const Central& e) {
        std::string h;
        Put32(h, kLocalSig);
        PutShared(h, e);
        Put16(h, 0); // extra field
        return h + e.name;
    }

    bool AddFrom(const std::string& name, const char* winSource, std::FILE* in) {
        if (pos_ > kMax32) return false;
        Central e{name, DosTime(winSource), 0, 0, 0, static_cast<uint32_t>(pos_)};
        const uint64_t start = pos_;
        if (!Write(LocalHeader(e))) return Fail();
        uint64_t size = 0, packed = 0;
        if (!Deflate(in, e.crc, size, packed)) return false;
        if (size > kMax32 || packed > kMax32) return false; // would need ZIP64
        e.size = static_cast<uint32_t>(size);
        e.packed = static_cast<uint32_t>(packed);
        // The header again, now with the CRC and the sizes.
        if (!plat::SeekFile(f_, start) || !Write(LocalHeader(e)) ||
            !plat::SeekFile(f_, start + kLocalSize + name.size() + packed))
            return Fail();
        pos_ = start + kLocalSize + name.size() + packed;
        entries_.push_back(std::move(e));
        return true;
    }

    bool Deflate(std::FILE* in, uint32_t& crc, uint64_t& size, uint64_t& packed) {
        z_stream z{};
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        std::vector<unsigned char> src(kChunk), dst(kChunk);
        uLong sum = crc32(0, Z_NULL, 0);
        bool ok = true;
        int flush = Z_NO_FLUSH;
        while (ok && flush != Z_FINISH) {
            const std::size_t n = std::fread(src.data(), 1, src.size(), in);
            if (std::ferror(in)) {
                ok = false;
                break;
            }
            flush = std::feof(in) ? Z_FINISH : Z_NO_FLUSH;
            sum = crc32(sum, src.data(), static_cast<uInt>(n));
            size += n;
            z.next_in = src.data();
            z.avail_in = static_cast<uInt>(n);
            do {
                z.next_out = dst.data();
                z.avail_out = static_cast<uInt>(dst.size());
                if (deflate(&z, flush) == Z_STREAM_ERROR) {
                    ok = false;
                    break;
                }
                const std::size_t out = dst.size() - z.avail_out;
                packed += out;
                if (!Write(dst.data(), out)) {
                    ok = Fail();
                    break;
                }
            } while (z.avail_out == 0);
        }
        deflateEnd(&z);
        crc = static_cast<uint32_t>(sum);
        return ok;
    }

    bool WriteDirectory() {
        const uint64_t start = pos_;
        if (start > kMax32 || entries_.size() > 0xFFFF) return false;
        std::string dir;
        for (const Central& e : entries_) {
            Put32(dir, kCentralSig);
            Put16(dir, kVersion); // made by
            PutShared(dir, e);
            Put16(dir, 0); // extra field
            Put16(dir, 0); // comment
            Put16(dir, 0); // disk
            Put16(dir, 0); // internal attributes
            Put32(dir, plat::FILE_ATTRIBUTE_ARCHIVE);
            Put32(dir, e.offset);
            dir += e.name;
        }
        std::string end;
        Put32(end, kEndSig);
        Put16(end, 0);
        Put16(end, 0);
        Put16(end, static_cast<uint32_t>(entries_.size()));
        Put16(end, static_cast<uint32_t>(entries_.size()));
        Put32(end, static_cast<uint32_t>(dir.size()));
        Put32(end, static_cast<uint32_t>(start));
        Put16(end, 0);
        return Write(dir) && Write(end);
    }

    // A write error leaves the archive without a directory worth writing.
    bool Fail() {
        failed_ = true;
        return false;
    }

    std::FILE* f_;
    uint64_t pos_ = 0;
    bool failed_ = false;
    std::vector<Central> entries_;
};

} // namespace

std::unique_ptr<plat::ZipWriter> CreateOwnZip(const char* winPath) {
    std::FILE* f = std::fopen(plat::MapPath(winPath).c_str(), "wb");
    if (!f) return nullptr;
    return std::make_unique<OwnWriter>(f);
}

} // namespace dorlix::zipown
