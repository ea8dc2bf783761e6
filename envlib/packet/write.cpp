// Writers of the standard packet: start a packet, add or replace one record,
// remove records. Every writer works in place on a caller buffer of the size
// of its kind and never writes or walks beyond that size.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/export.h"
#include "dorlix.h"
#include "packet/layout.h"
#include "packet/read_internal.h"

namespace dorlix::packet {
namespace {

byte* B(void* p) {
    return static_cast<byte*>(p);
}

// "_Data_Judge:WriteHead_Result不可能出现的问题[%d][%d]" in GB2312.
constexpr const char* RESULT_KIND_IMPOSSIBLE =
    "_Data_Judge:WriteHead_Result\xB2\xBB\xBF\xC9\xC4\xDC\xB3\xF6\xCF\xD6"
    "\xB5\xC4\xCE\xCA\xCC\xE2[%d][%d]";

// Header of pack in a local copy; a buffer without sync bytes becomes an empty
// packet of newKind (the other header bytes stay as found).
void LoadHead(const byte* pack, byte* head, uint8_t newKind) {
    std::memcpy(head, pack, HEAD_SIZE);
    if (!IsPacket(head)) {
        SetHeadCount(head, 0);
        SetHeadLength(head, 0);
        SetSync(head);
        SetHeadKind(head, newKind);
    }
}

// The common frame of the Info, Item, Item_New and Std writers. store() puts
// the new values into a record: into the matching one (replace) or into a
// zeroed new one (append). Returns 2 appended, 1 replaced, -3 full.
template <class Store>
int WriteRecord(byte* pack, int id, uint8_t newKind, bool forceKind, size_t recSize, int limit,
                const char* name, Store store) {
    byte head[HEAD_SIZE];
    LoadHead(pack, head, newKind);
    if (forceKind) SetHeadKind(head, newKind);
    int count = HeadCount(head);
    // A count beyond the limit cannot be walked inside the buffer; at the
    // limit an existing record may still be replaced, only an append is refused.
    if (count > limit) {
        DORLIX_TRACE_OVER_LIMIT(name);
        return -3;
    }
    SetHeadLength(head, uint32_t(count * recSize + HEAD_SIZE));
    std::memcpy(pack, head, HEAD_SIZE);
    for (int i = 0; i < count; ++i) {
        byte* rec = pack + HEAD_SIZE + size_t(i) * recSize;
        if (int(Get16(rec, 0)) == id) {
            store(rec, false);
            return 1;
        }
    }
    if (count >= limit) {
        DORLIX_TRACE_OVER_LIMIT(name);
        return -3;
    }
    byte* rec = pack + HEAD_SIZE + size_t(count) * recSize;
    std::memset(rec, 0, recSize);
    Put16(rec, 0, uint16_t(id));
    store(rec, true);
    ++count;
    SetHeadCount(head, uint16_t(count));
    SetHeadLength(head, uint32_t(count * recSize + HEAD_SIZE));
    std::memcpy(pack, head, HEAD_SIZE);
    return 2;
}

bool ItemIdOk(int id) {
    return id >= ITEM_ID_MIN && id <= ITEM_ID_MAX;
}

// Which fields a result writer stores.
enum ResultPart { PART_TEXT = 1, PART_JUDGE = 2 };

void StoreResult(byte* rec, uint8_t kind, int id, const char* text, uint8_t judge, int form, int parts) {
    switch (kind) {
    case KIND_RESULT:
        Put16(rec, RESULT_ID, uint16_t(id));
        if (parts & PART_TEXT) PutText(rec + RESULT_TEXT, RESULT_TEXT_SIZE, text);
        if (parts & PART_JUDGE) rec[RESULT_JUDGE] = judge;
        break;
    case KIND_RESULT_STR:
        Put16(rec, RESULT_STR_ID, uint16_t(id));
        if (parts & PART_TEXT) PutText(rec + RESULT_STR_TEXT, RESULT_STR_TEXT_SIZE, text);
        if (parts & PART_JUDGE) rec[RESULT_STR_JUDGE] = judge;
        break;
    default:
        Put16(rec, RESULT_ALL_ID, uint16_t(id));
        if (parts & PART_TEXT) PutText(rec + RESULT_ALL_TEXT, RESULT_ALL_TEXT_SIZE, text);
        if (parts & PART_JUDGE) rec[RESULT_ALL_JUDGE] = judge;
        Put32(rec, RESULT_ALL_FORM, uint32_t(form));
        SetFramedMarks(rec);
        break;
    }
}

// The result writers. parts says what a matching record gets; a new record
// gets the missing field empty (text) or 0 (judgement).
int WriteResult(void* packv, int id, const char* text, uint8_t judge, int form, int parts,
                const char* logName, const char* name) {
    byte* pack = B(packv);
    if (!pack) return 0;
    if (form < 1 || form > 3) return -6;
    if (!IsPacket(pack)) return -1;
    if ((parts & PART_TEXT) && !text) return -4;
    byte head[HEAD_SIZE];
    std::memcpy(head, pack, HEAD_SIZE);
    const uint8_t kind = HeadKind(head);
    const size_t recSize = ResultRecordSize(kind);
    if (recSize == 0) {
        char msg[160];
        snprintf(msg, sizeof msg, RESULT_KIND_IMPOSSIBLE, form, id);
        PacketLog(logName, msg);
        return -1;
    }
    int count = HeadCount(head);
    // Records beyond the result buffer do not exist, whatever the count says.
    const int fit = int((BUFFER_RESULT - HEAD_SIZE) / recSize);
    const int walk = count < fit ? count : fit;
    bool updated = false;
    for (int i = 0; i < walk; ++i) {
        byte* rec = pack + HEAD_SIZE + size_t(i) * recSize;
        const int recId = Get16(rec, kind == KIND_RESULT_ALL ? RESULT_ALL_ID : 0);
        if (recId != id) continue;
        StoreResult(rec, kind, id, text, judge, form, parts);
        updated = true;
    }
    if (updated) {
        SetHeadLength(head, uint32_t(HEAD_SIZE + size_t(walk) * recSize));
        std::memcpy(pack, head, HEAD_SIZE);
        return 1;
    }
    if (count >= WRITE_MAX_RESULT) {
        DORLIX_TRACE_OVER_LIMIT(name);
        return -1;
    }
    if (size_t(count) * RESULT_STR_SIZE >= BUFFER_RESULT) return -1;
    const size_t end = HEAD_SIZE + size_t(count + 1) * recSize;
    if (end > BUFFER_RESULT) return -1;
    byte* rec = pack + HEAD_SIZE + size_t(count) * recSize;
    std::memset(rec, 0, recSize);
    StoreResult(rec, kind, id, (parts & PART_TEXT) ? text : "", (parts & PART_JUDGE) ? judge : 0, form,
                PART_TEXT | PART_JUDGE);
    SetHeadCount(head, uint16_t(count + 1));
    SetHeadLength(head, uint32_t(end));
    std::memcpy(pack, head, HEAD_SIZE);
    return 2;
}

// Removal: rebuilds the packet without the records of id in a work buffer of
// the kind's size, then copies the work buffer over the packet. Nothing of the
// caller's packet changes before the rebuild succeeded.
template <class Copy>
int Remove(void* packv, int recSize, size_t bufSize, uint8_t newKind, const char* name, Copy copy) {
    byte* pack = B(packv);
    if (!pack) return -1;
    byte head[HEAD_SIZE];
    if (ParseStdHead(pack, head) <= 0 || HeadCount(head) == 0) return -2;
    const uint32_t length = HeadLength(pack);
    const int count = HeadCount(head);
    const bool implausible =
        recSize > 0 ? (length >= bufSize && size_t(count) * size_t(recSize) >= bufSize) : length >= bufSize;
    if (implausible) {
        DORLIX_TRACE_OVER_LIMIT(name);
        return -2;
    }
    std::unique_ptr<byte[]> work(new (std::nothrow) byte[bufSize]());
    if (!work) return -7;
    head[HEAD_FLAG2] = 0;
    head[HEAD_FLAG4] = 0;
    Put16(head, HEAD_FIELD19, 0);
    SetHeadKind(head, newKind);
    WriteStdHead(work.get(), head);
    for (int i = 0; i < count; ++i)
        copy(pack, work.get(), i);
    std::memcpy(pack, work.get(), bufSize);
    return 1;
}

} // namespace
} // namespace dorlix::packet

using namespace dorlix::packet;
using dorlix::Guarded;

extern "C" {

DORLIX_API int DORLIX_CALL WriteStdHead(void* pack, void* head) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!head) return -4;
        byte* h = B(head);
        SetSync(h);
        SetHeadCount(h, 0);
        SetHeadLength(h, HEAD_SIZE);
        std::memcpy(pack, h, HEAD_SIZE);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Info(void* pack, int id, const char* text) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!text) return -4;
        return WriteRecord(B(pack), id, KIND_INFO, false, INFO_SIZE, WRITE_MAX_INFO, "WriteStdHead_Info",
                           [&](byte* rec, bool) { PutText(rec + INFO_TEXT, INFO_TEXT_SIZE, text); });
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Item(void* pack, int id) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!ItemIdOk(id)) return -5;
        return WriteRecord(B(pack), id, KIND_ITEM, false, ITEM_SIZE, WRITE_MAX_ITEM, "WriteStdHead_Item",
                           [](byte*, bool) {});
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Item_New(void* pack, int id, short check, unsigned char judge) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!ItemIdOk(id)) return -5;
        return WriteRecord(B(pack), id, KIND_ITEM_NEW, true, ITEM_NEW_SIZE, WRITE_MAX_ITEM_NEW,
                           "WriteStdHead_Item_New", [&](byte* rec, bool) {
                               Put16(rec, ITEM_NEW_CHECK, uint16_t(check));
                               rec[ITEM_NEW_JUDGE] = judge;
                           });
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Item_New_CheckNum(void* pack, int id, short check) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!ItemIdOk(id)) return -5;
        return WriteRecord(B(pack), id, KIND_ITEM_NEW, true, ITEM_NEW_SIZE, WRITE_MAX_ITEM_NEW,
                           "WriteStdHead_Item_New_CheckNum",
                           [&](byte* rec, bool) { Put16(rec, ITEM_NEW_CHECK, uint16_t(check)); });
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Item_New_Judge(void* pack, int id, unsigned char judge) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        if (!ItemIdOk(id)) return -5;
        return WriteRecord(B(pack), id, KIND_ITEM_NEW, true, ITEM_NEW_SIZE, WRITE_MAX_ITEM_NEW,
                           "WriteStdHead_Item_New_Judge",
                           [&](byte* rec, bool) { rec[ITEM_NEW_JUDGE] = judge; });
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Std(void* pack, int id, float first, float second) {
    return Guarded(0, [&] {
        if (!pack) return 0;
        return WriteRecord(B(pack), id, KIND_STD, false, STD_SIZE, WRITE_MAX_STD, "WriteStdHead_Std",
                           [&](byte* rec, bool) {
                               PutF32(rec, STD_FIRST, first);
                               PutF32(rec, STD_SECOND, second);
                           });
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Result(void* pack, int id, const char* text, unsigned char judge,
                                               int form) {
    return Guarded(0, [&] {
        return WriteResult(pack, id, text, judge, form, PART_TEXT | PART_JUDGE, "SYSENV",
                           "WriteStdHead_Result");
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Result_Data(void* pack, int id, const char* text, int form) {
    return Guarded(0, [&] {
        return WriteResult(pack, id, text, 0, form, PART_TEXT, "SysEnv", "WriteStdHead_Result_Data");
    });
}

DORLIX_API int DORLIX_CALL WriteStdHead_Result_Judge(void* pack, int id, unsigned char judge, int form) {
    return Guarded(0, [&] {
        return WriteResult(pack, id, nullptr, judge, form, PART_JUDGE, "SysEnv", "WriteStdHead_Result_Judge");
    });
}

DORLIX_API int DORLIX_CALL RemoveStdHead_Item(void* pack, int id) {
    return Guarded(-1, [&] {
        return Remove(pack, ITEM_SIZE, BUFFER_ITEM, KIND_ITEM, "RemoveStdHead_Item",
                      [&](const byte* from, byte* to, int i) {
                          byte rec[ITEM_SIZE];
                          if (ParseStdHead_Item_Idx(from, i, rec) != 1) return;
                          if (Get16(rec, 0) != id) WriteStdHead_Item(to, Get16(rec, 0));
                      });
    });
}

DORLIX_API int DORLIX_CALL RemoveStdHead_Item_New(void* pack, int id) {
    return Guarded(-1, [&] {
        return Remove(pack, ITEM_NEW_SIZE, BUFFER_ITEM, KIND_ITEM_NEW, "RemoveStdHead_Item_New",
                      [&](const byte* from, byte* to, int i) {
                          byte rec[ITEM_NEW_SIZE];
                          if (ParseStdHead_Item_New_Idx(from, i, rec) != 1) return;
                          if (Get16(rec, 0) != id)
                              WriteStdHead_Item_New(to, Get16(rec, 0), GetI16(rec, ITEM_NEW_CHECK),
                                                    rec[ITEM_NEW_JUDGE]);
                      });
    });
}

DORLIX_API int DORLIX_CALL RemoveStdHead_Result(void* pack, int id) {
    return Guarded(-1, [&] {
        return Remove(pack, 0, BUFFER_RESULT, KIND_RESULT_ALL, "RemoveStdHead_Result",
                      [&](const byte* from, byte* to, int i) {
                          byte rec[RESULT_STR_SIZE] = {};
                          int form = 0;
                          if (ParseStdHead_Result_Idx(from, i, rec, &form) <= 0) return;
                          const int recId = Get16(rec, 0);
                          if (recId == id) return;
                          if (form == RESULT_FORM_SHORT) {
                              std::string t(GetText(rec + RESULT_TEXT, RESULT_TEXT_SIZE));
                              WriteStdHead_Result(to, recId, t.c_str(), rec[RESULT_JUDGE], form);
                          } else if (form == RESULT_FORM_LONG) {
                              std::string t(GetText(rec + RESULT_STR_TEXT, RESULT_STR_TEXT_SIZE));
                              WriteStdHead_Result(to, recId, t.c_str(), rec[RESULT_STR_JUDGE], form);
                          }
                      });
    });
}

} // extern "C"
