// The calling process's executable name.
#include <cstring>
#include <string>

#include "core/export.h"
#include "dorlix.h"
#include "platform/platform.h"

namespace {
// Room for a Windows file name: the caller's buffer is at least this large.
constexpr size_t kMaxName = 260;
} // namespace

extern "C" DORLIX_API int DORLIX_CALL GetCurProcess(char* out) {
    return dorlix::Guarded(0, [&] {
        if (!out) return 0;
        std::string name = plat::ProcessName();
        size_t n = name.size() < kMaxName ? name.size() : kMaxName - 1;
        std::memcpy(out, name.data(), n);
        out[n] = '\0';
        return 1;
    });
}
