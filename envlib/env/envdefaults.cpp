// Factory defaults of the 300 environment items. Rows 0-252 come from the
// generated table (GB2312 texts); the reserved rows 253-299 follow a pattern.
#include "env/envrecord.h"

#include <cstdio>
#include <cstring>

namespace dorlix {

namespace {
struct DefaultRow {
    const char* key;
    int type;
    const char* label;
    const char* value;
};

const DefaultRow kRows[] = {
#include "env/envdefaults_table.inc"
};
constexpr int kTableRows = static_cast<int>(sizeof kRows / sizeof kRows[0]);
static_assert(kTableRows == 253);

constexpr int RESERVED_FIRST = 253;
constexpr int RESERVED_TYPE = 18;
// "保留文件_项目-"
constexpr const char* RESERVED_LABEL = "\xB1\xA3\xC1\xF4\xCE\xC4\xBC\xFE_\xCF\xEE\xC4\xBF-";
} // namespace

void BuildDefaultTable(SysEnvRecord& rec) {
    memset(&rec, 0, sizeof rec);
    rec.printType = 0;
    rec.inertia = 900.0f;
    for (int i = 0; i < kTableRows; ++i) {
        SysEnvItem& item = rec.items[i];
        CopyField(item.key, sizeof item.key, kRows[i].key);
        CopyField(item.label, sizeof item.label, kRows[i].label);
        CopyField(item.value, sizeof item.value, kRows[i].value);
        item.type = kRows[i].type;
    }
    for (int i = RESERVED_FIRST; i < ENV_ITEM_COUNT; ++i) {
        SysEnvItem& item = rec.items[i];
        int n = i - RESERVED_FIRST;
        snprintf(item.key, sizeof item.key, "Res[%02d]", n);
        snprintf(item.label, sizeof item.label, "%s%02d", RESERVED_LABEL, n);
        CopyField(item.value, sizeof item.value, ENV_RESERVED_VALUE);
        item.type = RESERVED_TYPE;
    }
}

} // namespace dorlix
