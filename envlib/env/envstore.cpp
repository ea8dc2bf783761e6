// The environment record: default table, main and backup files, the load at
// attach and the record exports.
#include "env/envaccess.h"
#include "env/envrecord.h"
#include "core/lifecycle.h"

#include <cstring>
#include <memory>

namespace dorlix {

namespace {
std::unique_ptr<EnvState> g_env;
} // namespace

EnvState& Env() {
    return *g_env;
}

void CopyField(char* dst, size_t size, const char* src) {
    if (!dst || size == 0) return;
    if (!src) src = "";
    size_t n = strnlen(src, size - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

bool EnvAttach() {
    g_env.reset(new (std::nothrow) EnvState());
    if (!g_env) return false;
    BuildDefaultTable(g_env->defaultTable);
    return true;
}

int WorkingItemValue(int index, char* out, int size) {
    if (!out || size <= 0) return 0;
    out[0] = '\0';
    if (index < 0 || index >= ENV_ITEM_COUNT || !g_env) return 0;
    CopyField(out, static_cast<size_t>(size), g_env->workingCopy.items[index].value);
    return 1;
}

int LogSwitch(int which) {
    if (!g_env || which < 0 || which > 1) return 0;
    return g_env->logSwitch[which];
}

} // namespace dorlix
