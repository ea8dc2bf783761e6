// Files and paths exports: splitting Windows-style paths, swapping extensions,
// making folder chains, the program's folder and file sizes.
//
// Paths are Windows paths of at most 259 characters; longer ones are refused
// (nothing parsed, nothing created), which keeps every output within its
// 260-byte buffer.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "dorlix.h"
#include "core/export.h"
#include "platform/platform.h"
#include "services/files.h"

namespace {

using dorlix::MAX_PATH_CHARS;

void Clear(char* out) {
    if (out != nullptr) out[0] = '\0';
}

void CopyRange(char* out, const char* from, std::size_t len) {
    if (out == nullptr) return;
    std::memcpy(out, from, len);
    out[len] = '\0';
}

// The shared steps of ParseFileExtNameEx and ParseFileExtNameExA.
int ParseEx(const char* path, char* drive, char* folder, char* name, char* ext, bool nameWithExt) {
    Clear(drive);
    Clear(folder);
    Clear(name);
    Clear(ext);
    if (path == nullptr) return 0;
    const std::size_t len = std::strlen(path);
    if (len > MAX_PATH_CHARS) return 0;
    if (path[0] == '.') return -1;

    // Drive: the character before the last colon past the first character.
    const char* colon = std::strrchr(path, ':');
    if (colon != nullptr && colon > path) CopyRange(drive, colon - 1, 1);

    // Extension start: after the last dot at index 2 or later.
    std::size_t e = 0;
    const char* lastDot = std::strrchr(path, '.');
    if (lastDot == nullptr) {
        e = len >= 3 ? len : 0;
    } else {
        for (std::size_t i = len; i-- > 2;) {
            if (path[i] == '.') {
                e = i + 1;
                break;
            }
        }
    }

    // Name start: after the last backslash at or before e.
    std::size_t s = 0;
    for (std::size_t i = 0; i <= e && i < len; ++i) {
        if (path[i] == '\\') s = i + 1;
    }

    std::size_t nameEnd = e > s ? e : s;
    if (nameEnd > s && path[nameEnd - 1] == '.') --nameEnd;
    if (nameWithExt) {
        // The name ends at a backslash.
        const void* bs = std::memchr(path + s, '\\', nameEnd - s);
        if (bs != nullptr) nameEnd = static_cast<std::size_t>(static_cast<const char*>(bs) - path);
    }
    CopyRange(name, path + s, nameEnd - s);
    if (s >= 2) CopyRange(folder, path, s - 1);

    if (e == 0) return 1;
    CopyRange(ext, path + e, len - e);
    if (nameWithExt && name != nullptr && len > e) {
        // name + "." + extension fits: together they are never longer than the path.
        std::size_t n = std::strlen(name);
        name[n++] = '.';
        std::memcpy(name + n, path + e, len - e);
        name[n + len - e] = '\0';
    }
    return 2;
}

} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL ParseFileExtName(const char* path, char* base, char* ext) {
    return dorlix::Guarded(0, [&] {
        Clear(base);
        Clear(ext);
        if (path == nullptr) return 0;
        const std::size_t len = std::strlen(path);
        if (len > MAX_PATH_CHARS) return 0;
        if (path[0] == '.') return -1;
        const char* dot = std::strrchr(path, '.');
        if (dot == nullptr) {
            CopyRange(base, path, len);
            return 1;
        }
        CopyRange(base, path, static_cast<std::size_t>(dot - path));
        CopyRange(ext, dot + 1, std::strlen(dot + 1));
        return 2;
    });
}

DORLIX_API int DORLIX_CALL ParseFileExtNameEx(const char* path, char* drive, char* folder, char* name,
                                              char* ext) {
    return dorlix::Guarded(0, [&] { return ParseEx(path, drive, folder, name, ext, false); });
}

DORLIX_API int DORLIX_CALL ParseFileExtNameExA(const char* path, char* drive, char* folder, char* name,
                                               char* ext) {
    return dorlix::Guarded(0, [&] { return ParseEx(path, drive, folder, name, ext, true); });
}

DORLIX_API int DORLIX_CALL ChangeFileExtName(const char* path, const char* newext, char* out) {
    return dorlix::Guarded(0, [&] {
        if (path == nullptr || newext == nullptr || out == nullptr) return 0;
        const std::size_t len = std::strlen(path);
        if (len > MAX_PATH_CHARS) {
            out[0] = '\0';
            return 0;
        }
        std::memcpy(out, path, len + 1);
        // The new extension takes at most the old extension's place; without a
        // dot it replaces the whole text.
        const char* dot = std::strrchr(path, '.');
        std::size_t pos = dot ? static_cast<std::size_t>(dot - path) + 1 : 0;
        const std::size_t room = len - pos;
        for (std::size_t i = 0; i < room && newext[i] != '\0'; ++i)
            out[pos++] = newext[i];
        out[pos] = '\0';
        return 1;
    });
}

DORLIX_API int DORLIX_CALL MakeSurePathExistsACreate(const char* path) {
    return dorlix::Guarded(0, [&] {
        if (dorlix::WalkPath(path, dorlix::WALK_CHECK) != dorlix::WALK_OK) return 0;
        if (plat::DirectoryExists(path)) return 3;
        dorlix::WalkPath(path, dorlix::WALK_CREATE); // the caller checks existence when it cares
        return 0;
    });
}

DORLIX_API int DORLIX_CALL TestPath(const char* path, int testonly) {
    return dorlix::Guarded(0, [&] {
        if (path == nullptr) return 1;
        const std::size_t len = std::strlen(path);
        if (len < 3) return 1;
        if (len > MAX_PATH_CHARS) return -1;
        if (len == 3 && plat::DirectoryExists(path)) return 2;
        std::size_t start = 3;
        while (start < len) {
            const char* sep = std::strchr(path + start, '\\');
            const std::size_t end = sep ? static_cast<std::size_t>(sep - path) : len;
            if (!dorlix::IsValidComponent(path + start, end - start)) return -1;
            const std::string upTo(path, end);
            if (testonly == 0) plat::CreateDirectory(upTo.c_str());
            if (!plat::DirectoryExists(upTo.c_str())) return -2;
            if (sep == nullptr) break;
            start = end + 1;
            if (start == len) return -1; // a final backslash leaves an empty name
        }
        return plat::GetFileAttributes(path) == plat::FILE_ATTRIBUTE_DIRECTORY ? 1 : 0;
    });
}

DORLIX_API int DORLIX_CALL GetCurPath(char* out, int size) {
    return dorlix::Guarded(0, [&] {
        if (out == nullptr || size <= 0) return 0;
        out[0] = '\0';
        const std::string exe = plat::ProcessPath();
        // A native path outside the drive folders has slashes instead.
        std::size_t cut = exe.rfind('\\');
        if (cut == std::string::npos) cut = exe.rfind('/');
        if (cut == std::string::npos) return 0;
        // A folder that does not fit is refused rather than handed out cut
        // and unterminated.
        if (cut >= static_cast<std::size_t>(size)) return 0;
        std::memcpy(out, exe.data(), cut);
        out[cut] = '\0';
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetFilePathNum(void) {
    return dorlix::Guarded(0, [] { return 300; });
}

DORLIX_API int DORLIX_CALL Getfilesize(const char* path) {
    return dorlix::Guarded(-1, [&] {
        if (path == nullptr || plat::DirectoryExists(path)) return -1;
        const std::string native = plat::MapPath(path);
        std::FILE* file = std::fopen(native.c_str(), "rb");
        if (file == nullptr) return -1;
        long size = -1;
        if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
        std::fclose(file);
        // Sizes an int cannot carry are reported as a failure, not wrapped.
        return (size < 0 || size > INT_MAX) ? -1 : static_cast<int>(size);
    });
}

} // extern "C"
