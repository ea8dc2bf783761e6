// The library's JPEG conversion on station paths.
#include "services/jpeg2bmp.h"

#include "core/export.h"
#include "dorlix.h"
#include "platform/platform.h"

namespace dorlix {

int CnvJpeg2BmpFile(const char* jpegPath, const char* bmpPath) {
    if (!jpegPath || !bmpPath) return 0;
    return ConvertJpegToBmp(plat::MapPath(jpegPath), plat::MapPath(bmpPath));
}

} // namespace dorlix

extern "C" DORLIX_API int DORLIX_CALL CnvJpeg2BmpFile(const char* jpegPath, const char* bmpPath) {
    return dorlix::Guarded(0, [&] { return dorlix::CnvJpeg2BmpFile(jpegPath, bmpPath); });
}
