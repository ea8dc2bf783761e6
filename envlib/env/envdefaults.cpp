// Factory defaults of the 300 environment items.
#include "env/envrecord.h"

#include <cstring>

namespace dorlix {

void BuildDefaultTable(SysEnvRecord& rec) {
    memset(&rec, 0, sizeof rec);
    rec.inertia = 900.0f;
}

} // namespace dorlix
