// The file side of the JPEG conversion. The bitmap is made whole in memory
// and only then written, so that a picture that fails to decode never
// leaves a file, and one that cannot be written is removed again.
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "services/bmpfile.h"
#include "services/jpeg2bmp.h"
#include "services/jpegdecode.h"

namespace dorlix {
namespace {

int Fail(const char* message) {
    std::fputs(message, stdout);
    std::fflush(stdout);
    return 0;
}

bool ReadWhole(std::FILE* f, std::vector<uint8_t>& data) {
    uint8_t piece[65536];
    size_t n;
    while ((n = std::fread(piece, 1, sizeof piece, f)) > 0)
        data.insert(data.end(), piece, piece + n);
    return !std::ferror(f);
}

bool WriteWhole(const std::string& path, const BmpFile& bmp) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bmp.Data(), 1, bmp.Size(), f) == bmp.Size();
    const bool closed = std::fclose(f) == 0;
    if (written && closed) return true;
    std::remove(path.c_str());
    return false;
}

} // namespace

int ConvertJpegToBmp(const std::string& jpegPath, const std::string& bmpPath) {
    try {
        std::FILE* f = std::fopen(jpegPath.c_str(), "rb");
        if (!f) return Fail("File not found!!\n");
        std::vector<uint8_t> jpeg;
        const bool read = ReadWhole(f, jpeg);
        std::fclose(f);
        if (!read) return Fail("File not found!!\n");

        std::optional<BmpFile> bmp;
        const bool decoded = DecodeJpeg(jpeg.data(), jpeg.size(), [&](int width, int height) {
            bmp.emplace(width, height);
            return bmp->Rows();
        });
        if (!decoded) return Fail("File format error!\n");
        jpeg = std::vector<uint8_t>();
        return WriteWhole(bmpPath, *bmp) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return Fail("Error alloc memory!\n");
    }
}

} // namespace dorlix
