// Version blocks of the library and of program files, and version comparison.
//
// GetVers reads the version resource through the platform. POSIX programs
// carry none: there GetVers hands back its pre-filled block and 0 for every
// file, as Windows does for a file without a readable version resource.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/export.h"
#include "core/libversion.h"
#include "core/textfield.h"
#include "dorlix.h"
#include "platform/platform.h"

namespace dorlix {
namespace {
constexpr size_t kBlockSize = 1024;
constexpr size_t kField = 256;
constexpr size_t kProductField = 252;
constexpr size_t kSpecialBuildOffset = 3 * kField + kProductField;

void PutField(char* block, size_t offset, size_t size, const char* text) {
    std::snprintf(block + offset, size, "%s", text);
}

// FileVersion and the file's date as one dotted text: blanks removed, cut at
// the first line feed, leading control characters and blanks dropped, commas
// turned into dots.
std::string VersionText(const std::string& fileVersion, const plat::LocalTime& written) {
    char date[64];
    std::snprintf(date, sizeof date, ".%d.%d.%d.%d", written.year / 100, written.year % 100, written.month,
                  written.day);
    std::string text;
    for (char c : fileVersion + date) {
        if (c != ' ') text += c;
    }
    text = text.substr(0, text.find('\n'));
    size_t first = 0;
    while (first < text.size() && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    text.erase(0, first);
    for (char& c : text) {
        if (c == ',') c = '.';
    }
    return text;
}
} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL GetDllVer(char* block) {
    using namespace dorlix;
    return Guarded(0, [&] {
        if (!block) return 0;
        std::memset(block, 0, kBlockSize);
        std::snprintf(block, kField, "%.2f.0.0.%d.%d.%d.%d", DORLIX_VERSION_MAJOR + DORLIX_VERSION_MINOR / 100.0,
                      DORLIX_BUILD_YEAR / 100, DORLIX_BUILD_YEAR % 100, DORLIX_BUILD_MONTH, DORLIX_BUILD_DAY);
        PutField(block, kField, kField, DORLIX_DESCRIPTION_GB);
        PutField(block, 2 * kField, kField, DORLIX_COPYRIGHT);
        PutField(block, 3 * kField, kField, DORLIX_SHORT_NAME);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetVers(const char* path, char* block) {
    using namespace dorlix;
    return Guarded(0, [&] {
        if (!block) return 0;
        // Layout: version, comments, copyright (256 each), product name (252),
        // int32 special-build number.
        std::memset(block, 0, kBlockSize);
        PutField(block, 0, kField, "0.0.0.0.0.0.0");
        PutField(block, kField, kField, "(?)");
        PutField(block, 2 * kField, kField, DORLIX_COPYRIGHT);
        PutField(block, 3 * kField, kProductField, "(?)");
        plat::VersionStrings strings;
        if (!plat::ReadVersionResource(path, strings)) return 0;
        const std::string fileVersion = strings.fileVersion.value_or("");
        PutField(block, 0, kField, fileVersion.c_str());
        const std::string file = path ? std::string(path) : plat::ProcessPath();
        plat::LocalTime written{};
        if (!plat::GetFileWriteTime(file.c_str(), written)) return 0;
        char copyright[kField];
        std::snprintf(copyright, sizeof copyright, "%s %d", DORLIX_COPYRIGHT, written.year);
        PutField(block, 2 * kField, kField, copyright);
        PutField(block, 0, kField, VersionText(fileVersion, written).c_str());
        if (strings.productName) PutField(block, 3 * kField, kProductField, strings.productName->c_str());
        if (strings.comments) PutField(block, kField, kField, strings.comments->c_str());
        const int32_t special = strings.specialBuild ? std::atoi(strings.specialBuild->c_str()) : 0;
        std::memcpy(block + kSpecialBuildOffset, &special, sizeof special);
        return 1;
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
