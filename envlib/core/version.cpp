// Version blocks of the library and of program files, and version comparison.
//
// POSIX executables carry no version resource. GetVers therefore hands back
// its pre-filled block and 0, for every file, as it does on Windows for a file
// without a readable version resource.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/export.h"
#include "core/textfield.h"
#include "dorlix.h"

namespace dorlix {
namespace {
constexpr size_t kBlockSize = 1024;
constexpr size_t kField = 256;
constexpr size_t kProductField = 252;
constexpr double kLibraryVersion = 4.23;
constexpr int kBuildYear = 2021, kBuildMonth = 4, kBuildDay = 6;
constexpr const char* kCopyright = "Copyright (C) VZ5 Station Software";

void PutField(char* block, size_t offset, size_t size, const char* text) {
    std::snprintf(block + offset, size, "%s", text);
}
} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL GetDllVer(char* block) {
    using namespace dorlix;
    return Guarded(0, [&] {
        if (!block) return 0;
        std::memset(block, 0, kBlockSize);
        std::snprintf(block, kField, "%.2f.0.0.%d.%d.%d.%d", kLibraryVersion, kBuildYear / 100,
                      kBuildYear % 100, kBuildMonth, kBuildDay);
        // 系统环境支持动态库
        PutField(block, kField, kField,
                 "\xCF\xB5\xCD\xB3\xBB\xB7\xBE\xB3\xD6\xA7\xB3\xD6\xB6\xAF\xCC\xAC\xBF\xE2");
        PutField(block, 2 * kField, kField, kCopyright);
        PutField(block, 3 * kField, kField, "SYSENV");
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetVers(const char* path, char* block) {
    using namespace dorlix;
    (void)path;
    return Guarded(0, [&] {
        if (!block) return 0;
        // Layout: version, comments, copyright (256 each), product name (252),
        // int32 special-build number.
        std::memset(block, 0, kBlockSize);
        PutField(block, 0, kField, "0.0.0.0.0.0.0");
        PutField(block, kField, kField, "(?)");
        PutField(block, 2 * kField, kField, kCopyright);
        PutField(block, 3 * kField, kProductField, "(?)");
        return 0;
    });
}

DORLIX_API int DORLIX_CALL JudgeVersion(const char* a, const char* b) {
    using namespace dorlix;
    return Guarded(0, [&] {
        if (!a || !b) return 0;
        int pa[4], pb[4];
        char part[64];
        for (int i = 0; i < 4; ++i) {
            pa[i] = CutField(a, part, sizeof part, i, '.') ? std::atoi(part) : 0;
            pb[i] = CutField(b, part, sizeof part, i, '.') ? std::atoi(part) : 0;
        }
        bool equal = true, greater = false;
        for (int i = 0; i < 4; ++i) {
            if (pa[i] != pb[i]) equal = false;
            if (pa[i] > pb[i]) greater = true;
        }
        return (equal || greater) ? 1 : 0;
    });
}

} // extern "C"
