// Identifier and line/station tables: lookups in the INI file named by the
// environment item ParamIDPath and in its two companions (the same path with
// "1" and "2" appended). Every call goes back to the file through the profile
// reader, so an edited table is seen by the next lookup.
#include "ids/idtables.h"

#include "core/export.h"
#include "core/locks.h"
#include "env/envaccess.h"
#include "platform/platform.h"

#include <dorlix.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kParamIdItem = 170;
constexpr uint32_t kNameSize = 100;
constexpr uint32_t kAddressSize = 64;
constexpr uint32_t kSubNameSize = 200;
constexpr uint32_t kTransInfoSize = 5998;
constexpr uint32_t kSectionSize = 204800;
constexpr size_t kLineSize = 4076;
constexpr uint32_t kKeyListSize = 1500;
constexpr int kMaxKeys = 200;

std::string Num(int n) {
    return std::to_string(n);
}

int ReadValue(const char* section, const std::string& key, const char* def, char* out, uint32_t size,
              const std::string& file) {
    return static_cast<int>(
        plat::GetPrivateProfileString(section, key.c_str(), def, out, size, file.c_str()));
}

// Field n of text split at sep, as GetField2 cuts it; false when the field does not exist.
bool Field(const char* text, int n, char sep, std::string& out) {
    std::vector<char> buf(strlen(text) + 1);
    int found = GetField2(text, buf.data(), n, sep);
    out = buf.data();
    return found == 1;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t n = strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Main identifiers that never form compounds.
constexpr int kExcludedMains[] = {1001, 1002, 1003, 1004, 1011, 1016, 1017, 1018, 1019, 1024, 1032, 1036,
                                  1040, 1041, 1049, 1050, 1051, 1052, 1053, 1054, 1062, 1063, 1068, 1083,
                                  1084, 1085, 1086, 1110, 1111, 1112, 1113, 1114, 1115, 1117, 1118, 1119,
                                  1126, 1127, 1128, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1136, 1137,
                                  1138, 1139, 1140, 1141, 1156, 1157, 1158, 1159, 1160, 1161, 1172};
static_assert(sizeof(kExcludedMains) / sizeof(kExcludedMains[0]) == 59);

// Main identifiers that form compounds whatever main filter the extended tests are given.
constexpr int kAlwaysMains[] = {1034, 1035, 1098, 1099, 1100, 1173, 1179, 1197};

template <size_t N> bool Contains(const int (&list)[N], int v) {
    for (int x : list)
        if (x == v) return true;
    return false;
}

bool InMainRange(int main) {
    return main >= 1001 && main <= 1299;
}

int SubIdPlain(int id) {
    int main = id / 10000;
    int sub = id - main * 10000;
    if (Contains(kExcludedMains, main)) return 0;
    if (sub > 1000) return 0;
    return InMainRange(main) ? 1 : 0;
}

int SubIdExtended(int id, int filter) {
    int main = id / 10000;
    int sub = id - main * 10000;
    if (Contains(kExcludedMains, main)) return 0;
    if (sub > 1000 && sub < 1300) return 0;
    if (Contains(kAlwaysMains, main)) return InMainRange(main) ? 1 : 0;
    if (filter != 0 && filter != main) return 0;
    return InMainRange(main) ? 1 : 0;
}

int LineStationByAddress(const char* section, const char* address, int* line, int* station) {
    if (line) *line = 0;
    if (station) *station = 0;
    if (!address || !line || !station) return -3;
    char value[256] = {};
    if (ReadValue(section, address, "0", value, sizeof value, dorlix::IdTablePath()) <= 0) return 0;
    const char* p = value;
    while (*p && static_cast<unsigned char>(*p) <= 32)
        ++p;
    std::string text(p);
    size_t cut = text.find_first_of(" \n");
    if (cut != std::string::npos) text.resize(cut);
    if (text.empty()) return -1;
    std::string f;
    if (!Field(text.c_str(), 0, ',', f)) return -2;
    *line = atoi(f.c_str());
    if (!Field(text.c_str(), 1, ',', f)) return -3;
    *station = atoi(f.c_str());
    return 1;
}

int NameLookup(const char* section, const std::string& key, char* out) {
    if (!out) return -1;
    std::lock_guard<plat::CriticalSection> lock(dorlix::TableLock());
    return ReadValue(section, key, "", out, kNameSize, dorlix::IdTablePath());
}

int AliasLookup(const char* section, int id, char* out) {
    if (!out) return 0;
    return ReadValue(section, Num(id), "", out, kNameSize, dorlix::IdTablePath());
}

int AddressLookup(const char* section, int line, int station, char* out) {
    if (!out) return -3;
    std::string key = Num(line) + "_" + Num(station);
    return ReadValue(section, key, "", out, kAddressSize, dorlix::IdTablePath()) > 0 ? 1 : 0;
}

int MainFromCompoundKey(const char* text) {
    if (!text) return 0;
    std::string f;
    if (!Field(text, 1, '_', f)) return 0;
    return atoi(f.c_str());
}

} // namespace

namespace dorlix {

std::string IdTablePath() {
    char path[257] = {};
    WorkingItemValue(kParamIdItem, path, sizeof path - 1);
    return path;
}

int IsCompoundId(int id) {
    return SubIdPlain(id);
}

int IsCompoundIdEx(int id, int main) {
    return SubIdExtended(id, main);
}

} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL GetVZ5IDInfo(int id, char* out) {
    return dorlix::Guarded(0, [&] { return NameLookup("INDEX", Num(id), out); });
}

DORLIX_API int DORLIX_CALL GetVZ5IDInfoEx(const char* key, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!out) return -1;
        if (!key) {
            *out = 0;
            return 0;
        }
        return NameLookup("INDEX", key, out);
    });
}

DORLIX_API int DORLIX_CALL GetVZ5IDInfoExInv(const char* key, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!out) return -1;
        if (!key) {
            *out = 0;
            return 0;
        }
        return NameLookup("INDEX_INV", key, out);
    });
}

DORLIX_API int DORLIX_CALL GetVZ5IDInfoIdx(int index, int type, char* key, char* value) {
    return dorlix::Guarded(0, [&] {
        if (!key || !value || index < 0) return 0;
        // Types 2 and 3 name no table.
        if (type == 2 || type == 3) return 0;
        const bool wj = type == 1;
        std::vector<char> section;
        try {
            section.resize(kSectionSize + kLineSize);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        std::string file = dorlix::IdTablePath() + (wj ? "2" : "1");
        uint32_t n = plat::GetPrivateProfileSection(wj ? "INDEX_WJ" : "INDEX_RESULT", section.data(),
                                                    kSectionSize, file.c_str());
        size_t pos = 0;
        for (int i = 0;; ++i) {
            if (pos >= n || section[pos] == 0) return 0;
            size_t len = strnlen(&section[pos], n - pos);
            if (i == index) {
                // A line is taken into a work buffer of kLineSize bytes, so key and value stay below that.
                std::string line(&section[pos], std::min(len, kLineSize - 1));
                size_t eq = line.find('=');
                std::string k = eq == std::string::npos ? line : line.substr(0, eq);
                std::string v = eq == std::string::npos ? std::string() : line.substr(eq + 1);
                memcpy(key, k.c_str(), k.size() + 1);
                memcpy(value, v.c_str(), v.size() + 1);
                return 1;
            }
            pos += len + 1;
        }
    });
}

DORLIX_API int DORLIX_CALL GetVZ5IPInfoByLineStation(int line, int station, char* out) {
    return dorlix::Guarded(0, [&] { return AddressLookup("LINEINFO", line, station, out); });
}

DORLIX_API int DORLIX_CALL GetVZ5IPInfoByLineStationAll(int line, int station, char* out) {
    return dorlix::Guarded(0, [&] { return AddressLookup("IPINFO", line, station, out); });
}

DORLIX_API int DORLIX_CALL GetVZ5LineInfo(int line, char* out) {
    return dorlix::Guarded(0, [&] {
        char value[501] = {};
        ReadValue("IPINFO", Num(line), "", value, 500, dorlix::IdTablePath());
        std::string f;
        int number = Field(value, 0, ',', f) ? atoi(f.c_str()) : 0;
        if (out) {
            if (!Field(value, 1, ',', f)) f.clear();
            memcpy(out, f.c_str(), f.size() + 1);
        }
        return number;
    });
}

DORLIX_API int DORLIX_CALL GetVZ5LineStationInfoByIP(const char* address, int* line, int* station) {
    return dorlix::Guarded(0, [&] { return LineStationByAddress("LINEINFO", address, line, station); });
}

DORLIX_API int DORLIX_CALL GetVZ5LineStationInfoByIPAll(const char* address, int* line, int* station) {
    return dorlix::Guarded(0, [&] { return LineStationByAddress("IPINFO", address, line, station); });
}

DORLIX_API int DORLIX_CALL GetVZ5SubIDAllInfo(const char* key, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!key || !out) return 0;
        std::vector<char> work;
        try {
            work.resize(6000);
        } catch (const std::bad_alloc&) {
            return -10;
        }
        int n = ReadValue("TRANSINFO", key, "", work.data(), kTransInfoSize, dorlix::IdTablePath());
        memcpy(out, work.data(), static_cast<size_t>(n) + 1);
        return n;
    });
}

DORLIX_API int DORLIX_CALL GetInfoAlias(int id, char* out) {
    return dorlix::Guarded(0, [&] { return AliasLookup("INFOALIAS", id, out); });
}

DORLIX_API int DORLIX_CALL GetWGAlias(int id, char* out) {
    return dorlix::Guarded(0, [&] { return AliasLookup("WJALIAS", id, out); });
}

DORLIX_API int DORLIX_CALL GetInfoID(const char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        std::string upper(text);
        plat::CharUpper(upper.data());
        char name[32];
        for (int id = 1000; id <= 1299; ++id) {
            snprintf(name, sizeof name, "INFO_%d", id);
            if (upper == name) return id;
        }
        return 0;
    });
}

DORLIX_API int DORLIX_CALL GetMainID(int id) {
    return dorlix::Guarded(0, [&] {
        int value = static_cast<int>(
            plat::GetPrivateProfileInt("TRANSINFO", Num(id).c_str(), 0, dorlix::IdTablePath().c_str()));
        return SubIdPlain(value) ? value : id;
    });
}

DORLIX_API int DORLIX_CALL GetMainIDEx(const char* text) {
    return dorlix::Guarded(0, [&] { return MainFromCompoundKey(text); });
}

DORLIX_API int DORLIX_CALL GetParamIDString(const char* text) {
    return dorlix::Guarded(0, [&] { return MainFromCompoundKey(text); });
}

DORLIX_API int DORLIX_CALL GetSubIDName(const char* prefix, int number, const char* suffix, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!prefix || !suffix || number == 0 || !out) return 0;
        std::string key = std::string(prefix) + "_" + Num(number) + "_" + suffix;
        return ReadValue("INDEX", key, "", out, kSubNameSize, dorlix::IdTablePath());
    });
}

DORLIX_API int DORLIX_CALL GetSubIDNameA(int number, const char* /*ignored*/, const char* suffix, char* out) {
    return dorlix::Guarded(0, [&] {
        if (number == 0 || !suffix || !out) return 0;
        std::string key = "INFO_" + Num(number) + "_" + suffix;
        return ReadValue("INDEX", key, "", out, kSubNameSize, dorlix::IdTablePath());
    });
}

DORLIX_API int DORLIX_CALL GetParamIDByName(const char* name, int number, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!name || !out) return 0;
        ReadValue("INDEX", std::string(name) + "_" + Num(number), name, out, kNameSize,
                  dorlix::IdTablePath());
        return atoi(out);
    });
}

DORLIX_API int DORLIX_CALL IsInfoID(const char* text) {
    return dorlix::Guarded(0, [&] {
        if (!text) return 0;
        std::string f;
        Field(text, 0, '_', f);
        return EqualsNoCase(f, "INFO") ? 1 : 0;
    });
}

DORLIX_API int DORLIX_CALL IsSubID_int(int id) {
    return dorlix::Guarded(0, [&] { return SubIdPlain(id); });
}

DORLIX_API int DORLIX_CALL IsSubID_char(const char* text) {
    return dorlix::Guarded(0, [&] { return text ? SubIdPlain(atoi(text)) : 0; });
}

DORLIX_API int DORLIX_CALL IsSubID_intEx(int id, int main) {
    return dorlix::Guarded(0, [&] { return SubIdExtended(id, main); });
}

DORLIX_API int DORLIX_CALL IsSubID_charEx(const char* text, int main) {
    return dorlix::Guarded(0, [&] { return text ? SubIdExtended(atoi(text), main) : 0; });
}

DORLIX_API int DORLIX_CALL GetDevIDByItemID(int device) {
    return dorlix::Guarded(0, [&] {
        std::string file = dorlix::IdTablePath();
        char keys[kKeyListSize + 2] = {};
        uint32_t n =
            plat::GetPrivateProfileString("ITEMID2DEVID", nullptr, "", keys, kKeyListSize, file.c_str());
        size_t pos = 0;
        for (int k = 0; k < kMaxKeys && pos < n && keys[pos] != 0 && keys[pos] != ' '; ++k) {
            const char* key = &keys[pos];
            pos += strlen(key) + 1;
            char value[1024] = {};
            ReadValue("ITEMID2DEVID", key, "", value, sizeof value, file);
            std::string f;
            for (int i = 0; Field(value, i, ',', f); ++i)
                if (atoi(f.c_str()) == device) return atoi(key);
        }
        return 0;
    });
}

DORLIX_API int DORLIX_CALL GetItemIDByParamID(int param) {
    return dorlix::Guarded(0, [&] {
        return static_cast<int>(plat::GetPrivateProfileInt("PARAMID2ITEMID", Num(param).c_str(), 0,
                                                           dorlix::IdTablePath().c_str()));
    });
}

DORLIX_API int DORLIX_CALL GetModifyIDByItemID(int item) {
    return dorlix::Guarded(0, [&] {
        if (item >= 200 && item <= 203) return 15;
        if (item == 204 || item == 205) return 13;
        if (item == 207) return 12;
        if (item >= 208 && item <= 215) return 18;
        if (item == 216 || item == 244 || item == 276) return 23;
        if (item >= 223 && item <= 229) return item - 222;
        switch (item) {
        case 230:
            return 14;
        case 231:
            return 16;
        case 233:
            return 20;
        case 234:
            return 21;
        case 235:
            return 8;
        case 236:
            return 9;
        case 237:
            return 11;
        case 238:
            return 10;
        case 240:
            return 19;
        case 245:
            return 17;
        default:
            break;
        }
        if (item >= 279 && item <= 281) return 22;
        return 0;
    });
}

DORLIX_API int DORLIX_CALL GetItemIDByDevID(void) {
    return 0;
}

DORLIX_API int DORLIX_CALL GetParamIDByDevID(void) {
    return 0;
}

DORLIX_API int DORLIX_CALL GetSubID(void) {
    return 1;
}

DORLIX_API int DORLIX_CALL SetSubID(void) {
    return 1;
}

DORLIX_API int DORLIX_CALL GetPrecisionDataAny(float* value, int decimals) {
    return dorlix::Guarded(0, [&] {
        if (decimals > 5) decimals = 6;
        if (decimals < 0) decimals = 0;
        if (value) *value = dorlix::RoundToDecimals(*value, decimals);
        return decimals;
    });
}

DORLIX_API int DORLIX_CALL GetPrecisionData(int id, float* value) {
    return dorlix::Guarded(0, [&] {
        if (!value) return 0;
        int decimals = static_cast<int>(
            plat::GetPrivateProfileInt("POINTBIT", Num(id).c_str(), 0, dorlix::IdTablePath().c_str()));
        return GetPrecisionDataAny(value, decimals);
    });
}

} // extern "C"

namespace dorlix {

float RoundToDecimals(float value, int decimals) {
    double scale = std::pow(10.0, decimals);
    double v = static_cast<double>(value) * scale;
    // Half away from zero; trunc instead of an integer cast keeps huge values defined.
    v = value >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
    return static_cast<float>(v / scale);
}

} // namespace dorlix
