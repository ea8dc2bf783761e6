// The ZIP container on POSIX: minizip on zlib.
#include "platform/ziparchive.h"

#include <unzip.h>
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace plat {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

// The DOS time stamp of an entry: the source's last-write time, local time.
zip_fileinfo EntryInfo(const char* winSource) {
    zip_fileinfo info{};
    LocalTime t{};
    if (GetFileWriteTime(winSource, t)) {
        info.tmz_date.tm_year = static_cast<uInt>(t.year);
        info.tmz_date.tm_mon = static_cast<uInt>(t.month - 1);
        info.tmz_date.tm_mday = static_cast<uInt>(t.day);
        info.tmz_date.tm_hour = static_cast<uInt>(t.hour);
        info.tmz_date.tm_min = static_cast<uInt>(t.minute);
        info.tmz_date.tm_sec = static_cast<uInt>(t.second);
    }
    info.external_fa = FILE_ATTRIBUTE_ARCHIVE;
    return info;
}

class MinizipWriter : public ZipWriter {
  public:
    explicit MinizipWriter(zipFile zf) : zf_(zf) {}
    ~MinizipWriter() override { Close(); }

    bool Add(const std::string& name, const char* winSource) override {
        if (!zf_) return false;
        std::FILE* in = std::fopen(MapPath(winSource).c_str(), "rb");
        if (!in) return false;
        const zip_fileinfo info = EntryInfo(winSource);
        bool ok = zipOpenNewFileInZip3_64(zf_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                          Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                          Z_DEFAULT_STRATEGY, nullptr, 0, 0) == ZIP_OK;
        if (ok) {
            std::vector<char> buf(kChunk);
            std::size_t n;
            while (ok && (n = std::fread(buf.data(), 1, buf.size(), in)) > 0)
                ok = zipWriteInFileInZip(zf_, buf.data(), static_cast<unsigned>(n)) == ZIP_OK;
            if (std::ferror(in)) ok = false;
            if (zipCloseFileInZip(zf_) != ZIP_OK) ok = false;
        }
        std::fclose(in);
        return ok;
    }

    bool Close() override {
        if (!zf_) return true;
        const bool ok = zipClose(zf_, nullptr) == ZIP_OK;
        zf_ = nullptr;
        return ok;
    }

  private:
    zipFile zf_;
};

class MinizipReader : public ZipReader {
  public:
    // uf null: an archive without entries.
    explicit MinizipReader(unzFile uf) : uf_(uf) {
        if (!uf_) return;
        // Positions of the entries, so that an index reaches its entry at once.
        for (int rc = unzGoToFirstFile(uf_); rc == UNZ_OK; rc = unzGoToNextFile(uf_)) {
            unz64_file_pos pos;
            if (unzGetFilePos64(uf_, &pos) != UNZ_OK) break;
            positions_.push_back(pos);
        }
    }
    ~MinizipReader() override {
        if (uf_) unzClose(uf_);
    }

    int Count() const override { return static_cast<int>(positions_.size()); }

    bool Name(int index, ZipEntryName& out) override {
        unz_file_info64 info;
        if (!Select(index, info)) return false;
        std::vector<char> name(info.size_filename + 1);
        if (unzGetCurrentFileInfo64(uf_, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            return false;
        out.name.assign(name.data(), info.size_filename);
        out.utf8 = (info.flag & 0x800) != 0;
        return true;
    }

    bool Extract(int index, const char* winTarget) override {
        unz_file_info64 info;
        if (!Select(index, info)) return false;
        // minizip would hand out encrypted bytes as they are; other methods it refuses itself.
        if ((info.flag & 1) != 0 || (info.compression_method != 0 && info.compression_method != Z_DEFLATED))
            return false;
        if (unzOpenCurrentFile(uf_) != UNZ_OK) return false;
        const std::string native = MapPath(winTarget);
        std::FILE* out = std::fopen(native.c_str(), "wb");
        bool ok = out != nullptr;
        if (ok) {
            std::vector<char> buf(kChunk);
            int n;
            while ((n = unzReadCurrentFile(uf_, buf.data(), static_cast<unsigned>(buf.size()))) > 0) {
                if (std::fwrite(buf.data(), 1, static_cast<std::size_t>(n), out) != static_cast<std::size_t>(n)) {
                    ok = false;
                    break;
                }
            }
            if (n < 0) ok = false;
        }
        // The CRC is checked when the entry is closed.
        if (unzCloseCurrentFile(uf_) != UNZ_OK) ok = false;
        if (out && std::fclose(out) != 0) ok = false;
        if (!ok && out) std::remove(native.c_str());
        return ok;
    }

  private:
    bool Select(int index, unz_file_info64& info) {
        if (index < 0 || index >= Count()) return false;
        if (unzGoToFilePos64(uf_, &positions_[static_cast<std::size_t>(index)]) != UNZ_OK) return false;
        return unzGetCurrentFileInfo64(uf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK;
    }

    unzFile uf_;
    std::vector<unz64_file_pos> positions_;
};

std::unique_ptr<ZipWriter> CreateMinizip(const char* winPath) {
    zipFile zf = zipOpen64(MapPath(winPath).c_str(), APPEND_STATUS_CREATE);
    if (!zf) return nullptr;
    return std::make_unique<MinizipWriter>(zf);
}

// minizip never looks for the end record at the first byte of the file, so
// it refuses the archive without entries (the end record alone) that
// packing an empty folder writes.
bool EmptyArchive(const std::string& native) {
    std::FILE* f = std::fopen(native.c_str(), "rb");
    if (!f) return false;
    unsigned char end[22];
    const bool whole = std::fread(end, 1, sizeof end, f) == sizeof end && std::fgetc(f) == EOF;
    std::fclose(f);
    static const unsigned char empty[22] = {'P', 'K', 5, 6};
    return whole && std::memcmp(end, empty, sizeof end) == 0;
}

std::unique_ptr<ZipReader> OpenMinizip(const char* winPath) {
    const std::string native = MapPath(winPath);
    unzFile uf = unzOpen64(native.c_str());
    if (!uf && !EmptyArchive(native)) return nullptr;
    return std::make_unique<MinizipReader>(uf);
}

} // namespace

const ZipBackend& SystemZip() {
    static const ZipBackend minizip{"minizip", CreateMinizip, OpenMinizip};
    return minizip;
}

} // namespace plat
