// Rewriting the texts of an information packet between compound identifiers
// and their names in the identifier table.
#include "core/export.h"
#include "ids/idtables.h"
#include "packet/layout.h"

#include <dorlix.h>

#include <cstdlib>
#include <string>

namespace {
namespace pk = dorlix::packet;

// Count of the packet, or the validation result when it is 0 or less.
int ValidCount(const void* pack, int& count) {
    pk::byte head[pk::HEAD_SIZE] = {};
    int r = ParseStdHead(pack, head);
    count = pk::HeadCount(head);
    return r;
}

// Identifier and text of the information record at index; false when there is none.
bool InfoAt(const void* pack, int index, int& id, std::string& text) {
    pk::byte rec[pk::INFO_SIZE] = {};
    if (ParseStdHead_Info_Idx(pack, index, rec) != 1) return false;
    id = pk::Get16(rec, pk::INFO_ID);
    text = std::string(pk::GetText(rec + pk::INFO_TEXT, pk::INFO_TEXT_SIZE));
    return true;
}
} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL Cnv2SubID(void* pack) {
    return dorlix::Guarded(0, [&] {
        if (!pack) return -1;
        int count = 0;
        if (ValidCount(pack, count) <= 0) return 0;
        for (int i = 0; i < count; ++i) {
            int id = 0;
            std::string text;
            if (!InfoAt(pack, i, id, text)) continue;
            if (dorlix::IsCompoundIdEx(atoi(text.c_str()), id)) continue;
            char value[128] = {};
            GetParamIDByName(text.c_str(), id, value);
            if (dorlix::IsCompoundIdEx(atoi(value), id)) WriteStdHead_Info(pack, id, value);
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL Cnv2Text(void* pack) {
    return dorlix::Guarded(0, [&] {
        if (!pack) return 0;
        int count = 0;
        if (ValidCount(pack, count) <= 0) return -1;
        for (int i = 0; i < count; ++i) {
            int id = 0;
            std::string text;
            if (!InfoAt(pack, i, id, text)) continue;
            int sub = atoi(text.c_str());
            if (!dorlix::IsCompoundIdEx(sub, id)) continue;
            char name[128] = {};
            if (GetVZ5IDInfo(sub, name) > 0) WriteStdHead_Info(pack, id, name);
        }
        return 1;
    });
}

} // extern "C"
