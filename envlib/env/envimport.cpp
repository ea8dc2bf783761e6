// Export and import of the environment: the digest-protected export file and
// the seed file "lwpenv.ini" read when a station's environment is created.
#include "env/envrecord.h"
#include "core/export.h"
#include "core/locks.h"
#include "platform/platform.h"
#include "services/md5.h"
#include "dorlix.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace dorlix {

namespace {
constexpr int DIGEST_AREA = 64;
constexpr int EXPORT_SIZE = DIGEST_AREA + ENV_RECORD_SIZE; // 188974

// Seed file sections and keys (GB2312).
constexpr const char* SEC_ITEMS = "File&Path";
constexpr const char* SEC_INFO = "LWPENVINFO";
constexpr const char* SEC_AUX = "AuxParam";
constexpr const char* KEY_FILE_VERSION = "\xBB\xB7\xBE\xB3\xCE\xC4\xBC\xFE\xB0\xE6\xB1\xBE"; // 环境文件版本
constexpr const char* KEY_LIB_VERSION = "\xC9\xFA\xB3\xC9\xBF\xE2\xB0\xE6\xB1\xBE"; // 生成库版本
constexpr const char* KEY_PRINT_TYPE = "\xB4\xF2\xD3\xA1\xC0\xE0\xD0\xCD";          // 打印类型
constexpr const char* KEY_INERTIA = "\xCF\xB5\xCD\xB3\xB9\xDF\xC1\xBF";             // 系统惯量

bool IsFixedRow(int i) {
    return i >= ENV_FIXED_FIRST && i <= ENV_FIXED_LAST;
}

// Writes a key back into the seed file, which is kept read-only between uses.
void WriteBack(const char* section, const char* key, const char* value, const char* file) {
    plat::SetFileAttributes(file, plat::FILE_ATTRIBUTE_NORMAL);
    plat::WritePrivateProfileString(section, key, value, file);
}

bool KeyPresent(const char* section, const char* key, const char* file) {
    char buf[64];
    return plat::GetPrivateProfileString(section, key, "", buf, sizeof buf, file) > 0;
}

FILE* OpenMapped(const std::string& winPath, const char* mode) {
    std::string native = plat::MapPath(winPath.c_str());
    return native.empty() ? nullptr : fopen(native.c_str(), mode);
}
} // namespace

std::string SeedFilePath() {
    const EnvState& st = Env();
    return st.systemDir.empty() ? std::string("lwpenv.ini") : st.systemDir + "\\lwpenv.ini";
}

int ImportSeedFile(const std::string& seedFile) {
    std::lock_guard<plat::CriticalSection> lock(ImportLock());
    EnvState& st = Env();
    const char* file = seedFile.c_str();
    bool setup = CallerIsSetupTool();
    plat::SetFileAttributes(file, plat::FILE_ATTRIBUTE_NORMAL);

    SysEnvRecord& wc = st.workingCopy;
    for (int i = 0; i < ENV_ITEM_COUNT; ++i) {
        SysEnvItem& item = wc.items[i];
        const SysEnvItem& def = st.defaultTable.items[i];
        memcpy(item.label, def.label, sizeof item.label);
        memcpy(item.key, def.key, sizeof item.key);
        item.type = def.type;
        memset(item.value, 0, sizeof item.value);
        plat::GetPrivateProfileString(SEC_ITEMS, item.label, "", item.value, sizeof item.value, file);
        if (item.value[0] == '\0' && IsFixedRow(i))
            CopyField(item.value, sizeof item.value, ENV_RESERVED_VALUE);
    }

    if (plat::GetPrivateProfileInt(SEC_INFO, KEY_FILE_VERSION, 0, file) != 200)
        WriteBack(SEC_INFO, KEY_FILE_VERSION, "200", file);
    if (plat::GetPrivateProfileInt(SEC_INFO, KEY_LIB_VERSION, 0, file) != ENV_FORMAT_VERSION)
        WriteBack(SEC_INFO, KEY_LIB_VERSION, "423", file);

    char text[64];
    if (!KeyPresent(SEC_AUX, KEY_PRINT_TYPE, file)) {
        snprintf(text, sizeof text, "%d", static_cast<int>(st.defaultTable.printType));
        WriteBack(SEC_AUX, KEY_PRINT_TYPE, text, file);
    }
    wc.printType = static_cast<int16_t>(
        plat::GetPrivateProfileInt(SEC_AUX, KEY_PRINT_TYPE, st.defaultTable.printType, file));
    if (!KeyPresent(SEC_AUX, KEY_INERTIA, file)) {
        snprintf(text, sizeof text, "%.3f", static_cast<double>(st.defaultTable.inertia));
        WriteBack(SEC_AUX, KEY_INERTIA, text, file);
    }
    plat::GetPrivateProfileString(SEC_AUX, KEY_INERTIA, "", text, sizeof text, file);
    wc.inertia = text[0] ? static_cast<float>(atof(text)) : st.defaultTable.inertia;

    plat::SetFileAttributes(file, plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_READONLY);

    for (int i = 0; i < ENV_ITEM_COUNT; ++i) {
        if (IsFixedRow(i)) continue;
        if (setup) TranslateLabel(wc.items[i]);
        // Unlike a read, the seed import upper-cases free text as well.
        NormaliseItem(wc.items[i], false);
    }
    return st.envStatus;
}

} // namespace dorlix

using namespace dorlix;

extern "C" {

DORLIX_API int DORLIX_CALL ExportLWPConfig(const char* base) {
    return Guarded(-1, [&] {
        if (!base || !*base) return -1;
        std::unique_ptr<char[]> block(new (std::nothrow) char[EXPORT_SIZE]);
        if (!block) return -1;
        memset(block.get(), 0, EXPORT_SIZE);
        std::string name = std::string(base) + ".LWPENV";
        FILE* f = OpenMapped(name, "wb");
        if (!f) return -1;
        ReadSysEnv(block.get() + DIGEST_AREA);
        Md5Hex(block.get() + DIGEST_AREA, ENV_RECORD_SIZE, block.get());
        bool ok = fwrite(block.get(), EXPORT_SIZE, 1, f) == 1;
        ok = (fclose(f) == 0) && ok;
        // An export that did not reach the disk completely is no export.
        return ok ? 1 : -1;
    });
}

DORLIX_API int DORLIX_CALL ImportLWPConfig(const char* path) {
    return Guarded(-1, [&] {
        if (!path || !*path) return -1;
        std::unique_ptr<char[]> block(new (std::nothrow) char[EXPORT_SIZE]);
        if (!block) return -1;
        FILE* f = OpenMapped(path, "rb");
        if (!f) return -1;
        size_t got = fread(block.get(), 1, EXPORT_SIZE, f);
        fclose(f);
        if (got != static_cast<size_t>(EXPORT_SIZE)) return 0; // a cut file cannot match its digest
        char digest[33];
        Md5Hex(block.get() + DIGEST_AREA, ENV_RECORD_SIZE, digest);
        // The stored text ends at its terminator, so a longer text never matches.
        if (strncasecmp(block.get(), digest, sizeof digest) != 0) return 0;
        return StoreSysEnv(block.get() + DIGEST_AREA);
    });
}

} // extern "C"
