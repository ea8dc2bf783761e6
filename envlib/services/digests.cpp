// The digest exports beside GetMD5Code: memory, texts and whole files, each as
// 32 lower-case hexadecimal digits.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/export.h"
#include "dorlix.h"
#include "platform/platform.h"
#include "services/md5.h"

namespace dorlix {
namespace {

// The file is read in pieces rather than whole: the digest is the same, and
// a file larger than the free memory still has one.
bool FileDigest(const char* winPath, char out[33]) {
    const std::string native = plat::MapPath(winPath);
    std::FILE* file = std::fopen(native.c_str(), "rb");
    if (!file) return false;
    std::vector<unsigned char> piece(1 << 16);
    Md5 md5;
    size_t n;
    while ((n = std::fread(piece.data(), 1, piece.size(), file)) > 0)
        md5.Update(piece.data(), n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (ok) Md5HexFinal(md5, out);
    return ok;
}

} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL GetMemSPID(const char* data, int length, char* out) {
    return GetMD5Code(data, length, out);
}

DORLIX_API int DORLIX_CALL MakeCharPass(const char* text, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!text || !out) return 0;
        if (!*text) {
            std::strcpy(out, "ERROR");
            return 0;
        }
        dorlix::Md5Hex(text, std::strlen(text), out);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetFileCheck(const char* path, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!path || !*path || !out) return 0;
        out[0] = '\0';
        return dorlix::FileDigest(path, out) ? 1 : 0;
    });
}

DORLIX_API int DORLIX_CALL GetFileSPID(const char* path, char* out) {
    return GetFileCheck(path, out);
}

} // extern "C"
