// Profile (INI) files: the Win32 calls themselves.
#include "platform/win32/winapi.h"

namespace plat {

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* def, char* out,
                                 uint32_t size, const char* file) {
    if (!out || size == 0) return 0;
    return ::GetPrivateProfileStringA(section, key, def, out, size, file);
}

uint32_t GetPrivateProfileInt(const char* section, const char* key, int def, const char* file) {
    return ::GetPrivateProfileIntA(section, key, def, file);
}

uint32_t GetPrivateProfileSection(const char* section, char* out, uint32_t size, const char* file) {
    if (!out || size == 0) return 0;
    return ::GetPrivateProfileSectionA(section, out, size, file);
}

int WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    return ::WritePrivateProfileStringA(section, key, value, file) ? 1 : 0;
}

} // namespace plat
