// Translation of interface texts through the language file (section "LANGUE"
// of the file named by environment item 179). A missing file or key is not an
// error: the text comes back untranslated.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/export.h"
#include "core/locks.h"
#include "dorlix.h"
#include "env/envaccess.h"
#include "platform/platform.h"

namespace dorlix {
namespace {
constexpr int kRingSize = 50;
constexpr int kRingBuffer = 216;
constexpr size_t kMaxText = 200;
constexpr size_t kMaxLocalText = 2500;
constexpr uint32_t kMaxLocalTranslation = 499;
constexpr int kLangueItem = 179;

// Lent to callers: a returned text stays valid until 50 further calls.
char g_ring[kRingSize][kRingBuffer];
int g_ringIndex = 0;

// Writable storage, so that a host writing into a returned text cannot fault.
char g_nullText[] = "NULL String";
char g_tooLong[] = "OrgStringX Len>200, Too Large";

std::string LanguePath() {
    char path[512];
    if (!WorkingItemValue(kLangueItem, path, sizeof path)) return std::string();
    return path;
}
} // namespace
} // namespace dorlix

extern "C" {

DORLIX_API char* DORLIX_CALL GetLangueString(const char* text) {
    using namespace dorlix;
    return Guarded(g_nullText, [&]() -> char* {
        if (!text) return g_nullText;
        if (std::strlen(text) > kMaxText) return g_tooLong;
        std::lock_guard<plat::CriticalSection> guard(TableLock());
        g_ringIndex = (g_ringIndex + 1) % kRingSize;
        char* buf = g_ring[g_ringIndex];
        std::string path = LanguePath();
        plat::GetPrivateProfileString("LANGUE", text, text, buf, kMaxText + 1, path.c_str());
        return buf;
    });
}

DORLIX_API int DORLIX_CALL GetLangueStringLocal(char* text) {
    using namespace dorlix;
    return Guarded(0, [&] {
        if (!text) return 0;
        size_t len = std::strlen(text);
        if (len > kMaxLocalText) return 0;
        std::lock_guard<plat::CriticalSection> guard(TableLock());
        std::string path = LanguePath();
        // Looked up with the whole text as default, so that an untranslated
        // text longer than a translation may be stays as it was.
        std::vector<char> buf(kMaxLocalText + 1);
        plat::GetPrivateProfileString("LANGUE", text, text, buf.data(), static_cast<uint32_t>(buf.size()),
                                      path.c_str());
        if (std::strcmp(buf.data(), text) == 0) return 1;
        size_t n = std::strlen(buf.data());
        if (n > kMaxLocalTranslation) n = kMaxLocalTranslation;
        std::memcpy(text, buf.data(), n);
        text[n] = '\0';
        return 1;
    });
}

} // extern "C"
