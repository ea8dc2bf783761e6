// Readers of the standard packet. None of them writes into the packet; each
// walks at most the records that fit the buffer its kind is defined with, so a
// packet whose count lies cannot make a reader leave the caller's buffer.
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/export.h"
#include "dorlix.h"
#include "packet/layout.h"
#include "packet/read_internal.h"
#include "services/cxlog.h"

namespace dorlix::packet {
namespace {

std::atomic<TraceSink> g_traceSink{nullptr};

void DefaultTrace(const char* line) {
    DebugOutput(line);
}

// "版本不匹配[...]" and "Result_Type类型不对!" in GB2312.
constexpr const char* FORM_MISMATCH_RESULT = "\xB0\xE6\xB1\xBE\xB2\xBB\xC6\xA5\xC5\xE4[ParseStdHead_Result]";
constexpr const char* FORM_MISMATCH_RESULT_IDX =
    "\xB0\xE6\xB1\xBE\xB2\xBB\xC6\xA5\xC5\xE4[ParseStdHead_Result_Idx]";
constexpr const char* RESULT_TYPE_BAD = "Result_Type\xC0\xE0\xD0\xCD\xB2\xBB\xB6\xD4!";
constexpr const char* RESULT_KIND_BAD = "ParseStdHead_Result_Dev_Result_Type.type==0";

const byte* B(const void* p) {
    return static_cast<const byte*>(p);
}
byte* B(void* p) {
    return static_cast<byte*>(p);
}

// Argument, sync, count and limit checks shared by the lookup readers.
// Returns 1 when the records may be walked (count set), else the result code.
int CheckLookup(const byte* pack, const void* out, int limit, const char* name, int& count) {
    if (!pack) return 0;
    if (!out) return -4;
    if (!IsPacket(pack)) return -1;
    count = HeadCount(pack);
    if (count == 0) return -2;
    if (count > limit) {
        TraceOverLimit(__FILE__, __LINE__, name);
        return -3;
    }
    return 1;
}

enum class Clear { Record, Keep };

// Walks fixed-size records by identifier (byId) or by position and copies the
// first match. A failed check (-1, -2, -3) clears out when onFail says so, a
// miss when onMiss says so. idSize 2 compares a uint16 identifier, 4 an int32.
int LookupFixed(const void* packv, int key, bool byId, void* out, size_t recSize, int limit, const char* name,
                int notFound, Clear onFail, Clear onMiss, size_t idSize = 2) {
    const byte* pack = B(packv);
    int count = 0;
    int r = CheckLookup(pack, out, limit, name, count);
    if (r != 1) {
        if (pack && out && onFail == Clear::Record) std::memset(out, 0, recSize);
        return r;
    }
    if (byId) {
        for (int i = 0; i < count; ++i) {
            const byte* rec = pack + HEAD_SIZE + size_t(i) * recSize;
            const int id = idSize == 4 ? GetI32(rec, 0) : int(Get16(rec, 0));
            if (id == key) {
                std::memcpy(out, rec, recSize);
                return 1;
            }
        }
    } else if (key >= 0 && key < count) {
        std::memcpy(out, pack + HEAD_SIZE + size_t(key) * recSize, recSize);
        return 1;
    }
    if (onMiss == Clear::Record) std::memset(out, 0, recSize);
    return notFound;
}

// Item readers: record size from the kind byte, output the identifier only or a
// full Dev_Item_New (check number and judgement 0 from a kind 99 packet).
int LookupItem(const void* packv, int key, bool byId, void* out, bool asNew, const char* name) {
    const byte* pack = B(packv);
    const size_t outSize = asNew ? ITEM_NEW_SIZE : ITEM_SIZE;
    int count = 0;
    int r = CheckLookup(pack, out, READ_MAX_ITEM, name, count);
    if (r != 1) {
        if (pack && out) std::memset(out, 0, outSize);
        return r;
    }
    const bool isNew = HeadKind(pack) == KIND_ITEM_NEW;
    const size_t recSize = isNew ? ITEM_NEW_SIZE : ITEM_SIZE;
    const byte* found = nullptr;
    if (byId) {
        for (int i = 0; i < count && !found; ++i) {
            const byte* rec = pack + HEAD_SIZE + size_t(i) * recSize;
            if (Get16(rec, ITEM_NEW_ID) == key) found = rec;
        }
    } else if (key >= 0 && key < count) {
        found = pack + HEAD_SIZE + size_t(key) * recSize;
    }
    byte* o = B(out);
    std::memset(o, 0, outSize);
    if (!found) return 0;
    Put16(o, 0, Get16(found, 0));
    if (asNew && isNew) {
        Put16(o, ITEM_NEW_CHECK, Get16(found, ITEM_NEW_CHECK));
        o[ITEM_NEW_JUDGE] = found[ITEM_NEW_JUDGE];
    }
    return 1;
}

int LookupStdJava(const void* packv, int key, bool byId, void* out, const char* name) {
    if (!packv) return 0;
    if (!out) return -4;
    byte rec[STD_SIZE];
    int r =
        LookupFixed(packv, key, byId, rec, STD_SIZE, READ_MAX_STD, name, -5, Clear::Record, Clear::Record);
    byte* o = B(out);
    if (r != 1) {
        std::memset(o, 0, STD_JAVA_SIZE);
        return r;
    }
    Put32(o, STD_JAVA_ID, Get16(rec, STD_ID));
    Put32(o, STD_JAVA_FIRST, Get32(rec, STD_FIRST));
    Put32(o, STD_JAVA_SECOND, Get32(rec, STD_SECOND));
    return 1;
}

// Copies a framed record into out as a short or long record of its form.
void FramedToPlain(const byte* rec, byte* out, int form) {
    std::string_view text = GetText(rec + RESULT_ALL_TEXT, RESULT_ALL_TEXT_SIZE);
    if (form == RESULT_FORM_SHORT) {
        Put16(out, RESULT_ID, Get16(rec, RESULT_ALL_ID));
        PutText(out + RESULT_TEXT, RESULT_TEXT_SIZE, text);
        out[RESULT_JUDGE] = rec[RESULT_ALL_JUDGE];
    } else {
        Put16(out, RESULT_STR_ID, Get16(rec, RESULT_ALL_ID));
        PutText(out + RESULT_STR_TEXT, RESULT_STR_TEXT_SIZE, text);
        out[RESULT_STR_JUDGE] = rec[RESULT_ALL_JUDGE];
    }
}

// Common entry of the result readers: 0 without a packet, -4 without an
// output, -1 (output head cleared) for a bad sync, 1 to go on.
int EnterResultReader(const byte* pack, byte* o) {
    if (!pack) return 0;
    if (!o) return -4;
    if (!IsPacket(pack)) {
        std::memset(o, 0, HEAD_SIZE);
        return -1;
    }
    return 1;
}

// Current-format result reader by identifier or position.
int ReadResult(const void* packv, int key, bool byId, void* out, int* form) {
    const byte* pack = B(packv);
    byte* o = B(out);
    if (const int entry = EnterResultReader(pack, o); entry <= 0) return entry;
    const int count = HeadCount(pack);
    const uint8_t kind = HeadKind(pack);
    const size_t recSize = ResultRecordSize(kind);
    if (recSize == 0) {
        for (int i = 0; i < count; ++i)
            PacketLog("SYSENV", RESULT_KIND_BAD);
        return 0;
    }
    // The count is trusted only as far as the result buffer reaches.
    for (int i = 0; i < count && HEAD_SIZE + size_t(i + 1) * recSize <= BUFFER_RESULT; ++i) {
        const byte* rec = pack + HEAD_SIZE + size_t(i) * recSize;
        if (kind != KIND_RESULT_ALL) {
            const int id = Get16(rec, 0);
            if (byId ? id == key : i == key) {
                std::memcpy(o, rec, recSize);
                if (form) *form = kind;
                return ResultClass(id);
            }
            continue;
        }
        const int id = Get16(rec, RESULT_ALL_ID);
        if (!(byId ? id == key : i == key) || !FramedMarksOk(rec)) continue;
        const int32_t f = GetI32(rec, RESULT_ALL_FORM);
        if (f == RESULT_FORM_SHORT || f == RESULT_FORM_LONG) {
            FramedToPlain(rec, o, f);
            if (form) *form = f;
            return ResultClass(id);
        }
        if (byId) {
            PacketLog("SYSENV", FORM_MISMATCH_RESULT);
        } else {
            PacketLog("SYSENV", FORM_MISMATCH_RESULT_IDX);
            if (form) *form = 0;
        }
    }
    return 0;
}

int ReadResultOld(const void* packv, int index, void* out, int* form) {
    const byte* pack = B(packv);
    byte* o = B(out);
    if (const int entry = EnterResultReader(pack, o); entry <= 0) return entry;
    const int count = HeadCount(pack);
    const bool typed = HeadKind(pack) == KIND_RESULT_ALL;
    size_t off = HEAD_SIZE;
    for (int i = 0; i < count; ++i) {
        int f = RESULT_FORM_SHORT;
        if (typed) {
            if (off + RESULT_TYPE_SIZE > BUFFER_RESULT) break;
            const byte type = pack[off];
            if (type != RESULT_TYPE_SHORT && type != RESULT_TYPE_LONG) {
                PacketLog("SysEnv", RESULT_TYPE_BAD);
                break;
            }
            f = type;
            off += RESULT_TYPE_SIZE;
        }
        const size_t recSize = f == RESULT_FORM_SHORT ? RESULT_SIZE : RESULT_STR_SIZE;
        if (off + recSize > BUFFER_RESULT) break;
        if (i == index) {
            std::memcpy(o, pack + off, recSize);
            if (form) *form = f;
            return 1;
        }
        off += recSize;
    }
    return 0;
}

// ResultAll readers: the found record's text, judgement and identifier.
int ReadResultAll(int r, int f, const byte* work, int* id, char* text, int* judge) {
    if (r <= 0) return -2;
    if (f != RESULT_FORM_SHORT && f != RESULT_FORM_LONG) return -3;
    const bool shortForm = f == RESULT_FORM_SHORT;
    std::string_view t = shortForm ? GetText(work + RESULT_TEXT, RESULT_TEXT_SIZE)
                                   : GetText(work + RESULT_STR_TEXT, RESULT_STR_TEXT_SIZE);
    PutText(reinterpret_cast<byte*>(text), RESULT_STR_TEXT_SIZE, t);
    if (judge) *judge = work[shortForm ? RESULT_JUDGE : RESULT_STR_JUDGE];
    if (id) *id = Get16(work, 0);
    return 1;
}

} // namespace

void TraceOverLimit(const char* file, int line, const char* name) {
    char text[512];
    snprintf(text, sizeof text, "%s(%d) : %s%s\n", file ? file : "", line, OVER_LIMIT_TEXT, name ? name : "");
    TraceSink sink = g_traceSink.load();
    (sink ? sink : DefaultTrace)(text);
}

void SetTraceSink(TraceSink sink) {
    g_traceSink = sink;
}

void PacketLog(const char* name, const char* text) {
    SaveLog(name, text);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x < 0x80) x = (unsigned char)std::tolower(x);
        if (y < 0x80) y = (unsigned char)std::tolower(y);
        if (x != y) return false;
    }
    return true;
}

} // namespace dorlix::packet

using namespace dorlix::packet;
using dorlix::Guarded;

extern "C" {

DORLIX_API int DORLIX_CALL ParseStdHead(const void* pack, void* headOut) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!headOut) return -4;
        byte head[HEAD_SIZE];
        std::memcpy(head, pack, HEAD_SIZE);
        auto clear = [&] {
            SetHeadCount(head, 0);
            SetHeadLength(head, 0);
            head[HEAD_FLAG2] = head[HEAD_FLAG3] = head[HEAD_FLAG4] = head[HEAD_FLAG5] = 0;
            SetHeadKind(head, 0);
            Put16(head, HEAD_FIELD19, 0);
        };
        int r = 1;
        const uint8_t kind = HeadKind(head);
        const uint32_t count = HeadCount(head);
        const uint32_t length = HeadLength(head);
        if (!IsPacket(head)) {
            clear();
            r = -1;
        } else if (count == 0) {
            clear();
            r = -2;
        } else if (count > (uint32_t)READ_MAX_HEAD) {
            SetHeadCount(head, READ_MAX_HEAD);
            SetHeadLength(head, kind == KIND_PRO ? uint32_t(BUFFER_PRO) : uint32_t(BUFFER_RESULT));
            r = -3;
        } else {
            switch (kind) {
            case KIND_PRO:
                if (length > BUFFER_PRO) SetHeadLength(head, BUFFER_PRO);
                break;
            case KIND_INFO:
                if (length > BUFFER_INFO) SetHeadLength(head, count * INFO_SIZE);
                break;
            case KIND_STD:
                if (length > BUFFER_STD) SetHeadLength(head, count * STD_SIZE);
                break;
            case KIND_ITEM:
                if (length > BUFFER_ITEM) SetHeadLength(head, count * ITEM_SIZE);
                break;
            case KIND_ITEM_NEW:
                if (length > BUFFER_ITEM) SetHeadLength(head, count * ITEM_NEW_SIZE);
                break;
            default:
                if (length > BUFFER_RESULT) SetHeadLength(head, BUFFER_RESULT);
                break;
            }
        }
        std::memcpy(headOut, head, HEAD_SIZE);
        return r;
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Info(const void* pack, int id, void* out) {
    return Guarded(0, [&] {
        return LookupFixed(pack, id, true, out, INFO_SIZE, READ_MAX_INFO, "ParseStdHead_Info", 0,
                           Clear::Record, Clear::Record);
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Info_Idx(const void* pack, int index, void* out) {
    return Guarded(0, [&] {
        return LookupFixed(pack, index, false, out, INFO_SIZE, READ_MAX_INFO, "ParseStdHead_Info_Idx", 0,
                           Clear::Record, Clear::Record);
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Item(const void* pack, int id, void* out) {
    return Guarded(0, [&] { return LookupItem(pack, id, true, out, false, "ParseStdHead_Item"); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Item_Idx(const void* pack, int index, void* out) {
    return Guarded(0, [&] { return LookupItem(pack, index, false, out, false, "ParseStdHead_Item_Idx"); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Item_New(const void* pack, int id, void* out) {
    return Guarded(0, [&] { return LookupItem(pack, id, true, out, true, "ParseStdHead_Item_New"); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Item_New_Idx(const void* pack, int index, void* out) {
    return Guarded(0, [&] { return LookupItem(pack, index, false, out, true, "ParseStdHead_Item_New_Idx"); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Std(const void* pack, int id, void* out) {
    return Guarded(0, [&] {
        return LookupFixed(pack, id, true, out, STD_SIZE, READ_MAX_STD, "ParseStdHead_Std", 0, Clear::Record,
                           Clear::Record);
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Std_Idx(const void* pack, int index, void* out) {
    return Guarded(0, [&] {
        return LookupFixed(pack, index, false, out, STD_SIZE, READ_MAX_STD, "ParseStdHead_Std_Idx", -5,
                           Clear::Record, Clear::Record);
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Std_Java(const void* pack, int id, void* out) {
    return Guarded(0, [&] { return LookupStdJava(pack, id, true, out, "ParseStdHead_Std_Java"); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Std_Idx_Java(const void* pack, int index, void* out) {
    return Guarded(0, [&] { return LookupStdJava(pack, index, false, out, "ParseStdHead_Std_Idx_Java"); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_ProDat(const void* pack, int id, void* out) {
    return Guarded(0, [&] {
        // A failed check clears the record; a plain miss leaves it as it was.
        return LookupFixed(pack, id, true, out, PRO_SIZE, READ_MAX_PRO, "ParseStdHead_ProDat", 0,
                           Clear::Record, Clear::Keep, 4);
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_ProDatEx(const void* pack, const char* name, void* out) {
    return Guarded(0, [&] {
        const byte* p = B(pack);
        int count = 0;
        int r = CheckLookup(p, out, READ_MAX_PRO, "ParseStdHead_ProDatEx", count);
        if (r != 1) {
            if (p && out) std::memset(out, 0, PRO_SIZE);
            return r;
        }
        if (!name) return 0;
        const std::string_view want(name);
        for (int i = 0; i < count; ++i) {
            const byte* rec = p + HEAD_SIZE + size_t(i) * PRO_SIZE;
            if (EqualNoCase(GetText(rec + PRO_NAME, PRO_NAME_SIZE), want)) {
                std::memcpy(out, rec, PRO_SIZE);
                return 1;
            }
        }
        return 0;
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_ProDat_Idx(const void* pack, int index, void* out) {
    return Guarded(0, [&] {
        return LookupFixed(pack, index, false, out, PRO_SIZE, READ_MAX_PRO, "ParseStdHead_ProDat_Idx", 0,
                           Clear::Keep, Clear::Keep);
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Result(const void* pack, int id, void* out, int* form) {
    return Guarded(0, [&] { return ReadResult(pack, id, true, out, form); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Result_Idx(const void* pack, int index, void* out, int* form) {
    return Guarded(0, [&] { return ReadResult(pack, index, false, out, form); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_Result_Idx_Old(const void* pack, int index, void* out, int* form) {
    return Guarded(0, [&] { return ReadResultOld(pack, index, out, form); });
}

DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll(const void* pack, int id, char* text, int* judge) {
    return Guarded(-2, [&] {
        if (!text) return -1;
        byte work[RESULT_STR_SIZE] = {};
        int form = 0;
        int r = ReadResult(pack, id, true, work, &form);
        r = ReadResultAll(r, form, work, nullptr, text, judge);
        return r == 1 ? form : r;
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll_Idx(const void* pack, int index, int* id, char* text,
                                                      int* judge) {
    return Guarded(-2, [&] {
        if (!text) return -1;
        byte work[RESULT_STR_SIZE] = {};
        int form = 0;
        const int r = ReadResult(pack, index, false, work, &form);
        const int a = ReadResultAll(r, form, work, id, text, judge);
        return a == 1 ? r : a;
    });
}

DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll_Java(const void* pack, int id, char* text, int* judge) {
    return ParseStdHead_ResultAll(pack, id, text, judge);
}

DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll_Idx_Java(const void* pack, int index, int* id, char* text,
                                                           int* judge) {
    return ParseStdHead_ResultAll_Idx(pack, index, id, text, judge);
}

} // extern "C"
