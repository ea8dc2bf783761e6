// Whole-packet result handling: judgement texts, conversions between the
// short, long and framed result layouts, merges of two packets, duplicate
// removal and sorting. Everything goes through the packet readers and
// writers, so the byte layout lives in one place only.
#include "core/export.h"
#include "packet/layout.h"

#include <dorlix.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {
namespace pk = dorlix::packet;

// GB2312 texts.
const char kLogName[] = "SYSENV";
const char kFormError[] = "\xB0\xE6\xB1\xBE\xB4\xED\xCE\xF3!"; // 版本错误!
const char kCombinFormError[] =
    "Combin_ResultData:"
    "\xB3\xF6\xCF\xD6\xB2\xBB\xBF\xC9\xC4\xDC\xB5\xC4\xC0\xE0\xD0\xCD"; // 出现不可能的类型
const char kDuplicateFormError[] =
    "RemoveDuplicate_Result->"
    "\xB2\xBB\xBF\xC9\xC4\xDC\xB3\xF6\xCF\xD6\xB5\xC4\xC0\xE0\xD0\xCD"; // 不可能出现的类型
const char kDuplicateFormErrorNew[] = "RemoveDuplicate_Result->"
                                      "\xB2\xBB\xBF\xC9\xC4\xDC\xB3\xF6\xCF\xD6\xB5\xC4\xC0\xE0\xD0\xCD"
                                      "New";

// Result identifiers above this are dropped by every conversion.
constexpr int kMaxConvertedId = 50000;
// Combin_ResultData takes over results from this identifier on.
constexpr int kMinMergedId = 1000;

// One result as a reader hands it out (a Dev_Result or Dev_ResultStr).
struct Result {
    int id = 0;
    std::string text;
    int judge = 0;
    int form = 0;
};

// Decodes the 103-byte output of the result readers for the given form; false for any other form.
bool Decode(const pk::byte* out, int form, Result& r) {
    r.form = form;
    if (form == pk::RESULT_FORM_SHORT) {
        r.id = pk::Get16(out, pk::RESULT_ID);
        r.text = std::string(pk::GetText(out + pk::RESULT_TEXT, pk::RESULT_TEXT_SIZE));
        r.judge = out[pk::RESULT_JUDGE];
        return true;
    }
    if (form == pk::RESULT_FORM_LONG) {
        r.id = pk::Get16(out, pk::RESULT_STR_ID);
        r.text = std::string(pk::GetText(out + pk::RESULT_STR_TEXT, pk::RESULT_STR_TEXT_SIZE));
        r.judge = out[pk::RESULT_STR_JUDGE];
        return true;
    }
    return false;
}

enum class Read { Missing, Found, BadForm };

Read ResultAt(const void* pack, int index, Result& r) {
    pk::byte out[pk::RESULT_STR_SIZE] = {};
    int form = 0;
    if (ParseStdHead_Result_Idx(pack, index, out, &form) <= 0) return Read::Missing;
    return Decode(out, form, r) ? Read::Found : Read::BadForm;
}

Read ResultById(const void* pack, int id, Result& r) {
    pk::byte out[pk::RESULT_STR_SIZE] = {};
    int form = 0;
    if (ParseStdHead_Result(pack, id, out, &form) <= 0) return Read::Missing;
    return Decode(out, form, r) ? Read::Found : Read::BadForm;
}

Read OldResultAt(const void* pack, int index, Result& r) {
    pk::byte out[pk::RESULT_STR_SIZE] = {};
    int form = 0;
    if (ParseStdHead_Result_Idx_Old(pack, index, out, &form) <= 0) return Read::Missing;
    return Decode(out, form, r) ? Read::Found : Read::BadForm;
}

int Write(void* pack, const Result& r, int form) {
    return WriteStdHead_Result(pack, r.id, r.text.c_str(), static_cast<unsigned char>(r.judge), form);
}

// The validated header of pack and the result of ParseStdHead.
int Validate(const void* pack, pk::byte* head) {
    std::fill(head, head + pk::HEAD_SIZE, pk::byte(0));
    return ParseStdHead(pack, head);
}

std::unique_ptr<pk::byte[]> Work(size_t size) {
    return std::unique_ptr<pk::byte[]>(new (std::nothrow) pk::byte[size]());
}

// Result records a reader can reach in pack: its count, but never more than a
// result buffer can hold even in the shortest layout.
int Reachable(const pk::byte* head) {
    constexpr int most = int((pk::BUFFER_RESULT - pk::HEAD_SIZE) / pk::RESULT_SIZE);
    return std::min<int>(pk::HeadCount(head), most);
}

// Long results whose identifier lies in 5000..5999 stay long only when listed here.
bool KeepsLongForm(int id) {
    if (id < 5000 || id > 5999) return true;
    if (id == 5146 || id == 5194 || id == 5236 || id == 5237 || id == 5491 || id == 5513) return true;
    return (id >= 5310 && id <= 5316) || (id >= 5503 && id <= 5506) || (id >= 5520 && id <= 5530);
}

// Rewrites pack so that every identifier appears once, first occurrence
// first; the packet ends up framed.
void RemoveDuplicates(void* pack) {
    pk::byte head[pk::HEAD_SIZE];
    Validate(pack, head);
    auto work = Work(pk::BUFFER_RESULT);
    if (!work) return;
    pk::byte start[pk::HEAD_SIZE];
    std::copy(head, head + pk::HEAD_SIZE, start);
    pk::SetHeadKind(start, pk::KIND_RESULT_ALL);
    pk::Put16(start, pk::HEAD_FIELD19, 0);
    if (WriteStdHead(work.get(), start) != 1) return;
    const int count = Reachable(static_cast<const pk::byte*>(pack));
    for (int i = 0; i < count; ++i) {
        Result r;
        Read got = ResultAt(pack, i, r);
        if (got == Read::Missing) continue;
        if (got == Read::BadForm) {
            SaveLog(kLogName, kDuplicateFormError);
            continue;
        }
        Result seen;
        Read there = ResultById(work.get(), r.id, seen);
        if (there == Read::BadForm) SaveLog(kLogName, kDuplicateFormErrorNew);
        if (there == Read::Missing) Write(work.get(), r, r.form);
    }
    size_t length = std::min<size_t>(pk::HeadLength(work.get()), pk::BUFFER_RESULT);
    std::copy(work.get(), work.get() + length, static_cast<pk::byte*>(pack));
}

// Starts dst as a packet when it is none: the header ParseStdHead hands back
// for it (kind, flags and the field at 19 cleared), with the kind given.
void StartIfNoPacket(void* dst, int kind) {
    pk::byte head[pk::HEAD_SIZE];
    if (Validate(dst, head) != -1) return;
    if (kind >= 0) pk::SetHeadKind(head, static_cast<uint8_t>(kind));
    WriteStdHead(dst, head);
}

// Common frame of the record merges: checks, start of dst, then one write per record of src.
template <class Each>
int Merge(void* dst, const void* src, int nullSrc, int nullDst, bool dstFirst, Each each) {
    if (dstFirst && !dst) return nullDst;
    if (!src) return nullSrc;
    if (!dst) return nullDst;
    pk::byte head[pk::HEAD_SIZE];
    if (Validate(src, head) <= 0) return 0;
    StartIfNoPacket(dst, -1);
    const int count = pk::HeadCount(head);
    for (int i = 0; i < count; ++i)
        each(i);
    return 1;
}

const char* Verdict(int judge) {
    switch (judge & 0x0F) {
    case 1:
        return "\xBA\xCF\xB8\xF1"; // 合格
    case 2:
        return "\xB7\xF1\xBE\xF6"; // 否决
    case 3:
        return "\xBD\xA8\xD2\xE9"; // 建议
    case 4:
        return "\xB2\xBB\xC5\xD0"; // 不判
    default:
        return "\xCE\xB4\xBC\xEC"; // 未检
    }
}

const char* Grade(int judge) {
    switch (judge & 0xF0) {
    case 0x10:
        return "\xD2\xBB\xBC\xB6"; // 一级
    case 0x20:
        return "\xB6\xFE\xBC\xB6"; // 二级
    case 0x30:
        return "\xC8\xFD\xBC\xB6"; // 三级
    case 0x40:
        return "\xBA\xCF\xB8\xF1"; // 合格
    case 0x50:
        return "\xB2\xBB\xBA\xCF\xB8\xF1"; // 不合格
    default:
        return "\xCE\xB4\xBC\xEC"; // 未检
    }
}

} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL GetJudgeString(int judge, char* out, int mode) {
    return dorlix::Guarded(0, [&] {
        if (!out) return -1;
        std::string text;
        switch (mode) {
        case 0:
            text = std::string(Verdict(judge)) + "/" + Grade(judge);
            break;
        case 1:
            text = Verdict(judge);
            break;
        case 2:
            text = Grade(judge);
            break;
        default:
            text = "Mode??";
            break;
        }
        std::copy(text.c_str(), text.c_str() + text.size() + 1, out);
        return judge;
    });
}

DORLIX_API int DORLIX_CALL CnvResultPack2StdPack(void* pack) {
    return dorlix::Guarded(0, [&] {
        pk::byte head[pk::HEAD_SIZE];
        if (Validate(pack, head) <= 0) return 0;
        auto copy = Work(pk::BUFFER_RESULT);
        if (!copy) return -1;
        std::copy_n(static_cast<const pk::byte*>(pack), pk::BUFFER_RESULT, copy.get());
        // WriteStdHead resets the count in the header it is given: take it first.
        const int count = pk::HeadCount(head);
        pk::SetHeadKind(head, pk::KIND_RESULT_ALL);
        WriteStdHead(pack, head);
        for (int i = 0; i < count; ++i) {
            Result r;
            Read got = ResultAt(copy.get(), i, r);
            if (got == Read::BadForm) SaveLog(kLogName, kFormError);
            if (got != Read::Found || r.id > kMaxConvertedId) continue;
            Write(pack, r, r.form);
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL CnvStdHead_Result(const void* src, void* dst) {
    return dorlix::Guarded(0, [&] {
        pk::byte head[pk::HEAD_SIZE];
        if (Validate(src, head) <= 0 || !dst) return 0;
        pk::byte start[pk::HEAD_SIZE];
        std::copy(head, head + pk::HEAD_SIZE, start);
        start[pk::HEAD_FLAG2] = 1;
        pk::SetHeadKind(start, pk::KIND_RESULT_ALL);
        pk::Put16(start, pk::HEAD_FIELD19, 0);
        if (WriteStdHead(dst, start) != 1) return 0;
        const int count = pk::HeadCount(head);
        for (int i = 0; i < count; ++i) {
            Result r;
            Read got = ResultAt(src, i, r);
            if (got == Read::Missing) got = OldResultAt(src, i, r);
            if (got == Read::BadForm) SaveLog(kLogName, kFormError);
            if (got != Read::Found || r.id > kMaxConvertedId) continue;
            Write(dst, r, r.form);
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL CnvStdHead_Result_Compatible(void* pack) {
    return dorlix::Guarded(0, [&] {
        pk::byte head[pk::HEAD_SIZE];
        if (Validate(pack, head) <= 0) return 0;
        auto copy = Work(pk::BUFFER_RESULT);
        if (!copy) return -1;
        std::copy_n(static_cast<const pk::byte*>(pack), pk::BUFFER_RESULT, copy.get());
        const int count = pk::HeadCount(head);
        for (int i = 0; i < count; ++i) {
            Result r;
            Read got = ResultAt(copy.get(), i, r);
            if (got == Read::BadForm) SaveLog(kLogName, kFormError);
            if (got != Read::Found || r.id > kMaxConvertedId) continue;
            int form = r.form == pk::RESULT_FORM_LONG && KeepsLongForm(r.id) ? pk::RESULT_FORM_LONG
                                                                             : pk::RESULT_FORM_SHORT;
            Write(pack, r, form);
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL Combin_ItemData(void* dst, const void* src) {
    return dorlix::Guarded(0, [&] {
        return Merge(dst, src, -1, -2, false, [&](int i) {
            pk::byte rec[pk::ITEM_SIZE] = {};
            if (ParseStdHead_Item_Idx(src, i, rec) == 1) WriteStdHead_Item(dst, pk::Get16(rec, pk::ITEM_ID));
        });
    });
}

DORLIX_API int DORLIX_CALL Combin_ItemNewData(void* dst, const void* src) {
    return dorlix::Guarded(0, [&] {
        return Merge(dst, src, -1, -2, false, [&](int i) {
            pk::byte rec[pk::ITEM_NEW_SIZE] = {};
            if (ParseStdHead_Item_New_Idx(src, i, rec) == 1)
                WriteStdHead_Item_New(dst, pk::Get16(rec, pk::ITEM_NEW_ID),
                                      pk::GetI16(rec, pk::ITEM_NEW_CHECK), rec[pk::ITEM_NEW_JUDGE]);
        });
    });
}

DORLIX_API int DORLIX_CALL Combin_StdData(void* dst, const void* src) {
    return dorlix::Guarded(0, [&] {
        return Merge(dst, src, -1, -2, false, [&](int i) {
            pk::byte rec[pk::STD_SIZE] = {};
            if (ParseStdHead_Std_Idx(src, i, rec) == 1)
                WriteStdHead_Std(dst, pk::Get16(rec, pk::STD_ID), pk::GetF32(rec, pk::STD_FIRST),
                                 pk::GetF32(rec, pk::STD_SECOND));
        });
    });
}

DORLIX_API int DORLIX_CALL Combin_VehicleData(void* dst, const void* src) {
    return dorlix::Guarded(0, [&] {
        return Merge(dst, src, -2, -1, true, [&](int i) {
            pk::byte rec[pk::INFO_SIZE] = {};
            if (ParseStdHead_Info_Idx(src, i, rec) == 1) {
                std::string text(pk::GetText(rec + pk::INFO_TEXT, pk::INFO_TEXT_SIZE));
                WriteStdHead_Info(dst, pk::Get16(rec, pk::INFO_ID), text.c_str());
            }
        });
    });
}

DORLIX_API int DORLIX_CALL Combin_ProData(void* dst, const void* src) {
    return dorlix::Guarded(0, [&] {
        if (!dst) return -1;
        if (!src) return -2;
        pk::byte head[pk::HEAD_SIZE];
        if (Validate(src, head) <= 0) return 0;
        auto rec = Work(pk::PRO_SIZE);
        auto data = Work(pk::PRODATA_WRITE_SIZE);
        if (!rec || !data) return 0;
        const int count = pk::HeadCount(head);
        for (int i = 0; i < count; ++i) {
            if (ParseStdHead_ProDat_Idx(src, i, rec.get()) != 1) continue;
            pk::Put32(data.get(), pk::PRODATA_WRITE_POINTS, pk::Get32(rec.get(), pk::PRO_POINTS));
            std::copy_n(rec.get() + pk::PRO_POINT_TEXT, size_t(pk::PRO_MAX_POINTS) * pk::PRO_POINT_SIZE,
                        data.get() + pk::PRODATA_WRITE_TEXT);
            WriteStdHead_ProDat(dst, static_cast<int>(pk::Get32(rec.get(), pk::PRO_ID)), data.get());
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL Combin_ResultData(void* dst, const void* src) {
    return dorlix::Guarded(0, [&] {
        if (!dst || !src) return -1;
        StartIfNoPacket(dst, pk::KIND_RESULT_ALL);
        pk::byte head[pk::HEAD_SIZE];
        if (Validate(src, head) <= 0) return 0;
        const int count = pk::HeadCount(head);
        for (int i = 0; i < count; ++i) {
            Result r;
            Read got = ResultAt(src, i, r);
            if (got == Read::BadForm) SaveLog(kLogName, kCombinFormError);
            if (got != Read::Found || r.id < kMinMergedId) continue;
            Write(dst, r, r.form);
        }
        RemoveDuplicates(dst);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL SortResult(void* pack) {
    return dorlix::Guarded(0, [&] {
        pk::byte head[pk::HEAD_SIZE];
        int valid = Validate(pack, head);
        if (valid <= 0) return valid;
        const uint32_t oldLength = pk::HeadLength(head);
        auto work = Work(pk::BUFFER_RESULT);
        if (!work) return 0;
        pk::byte start[pk::HEAD_SIZE];
        std::copy(head, head + pk::HEAD_SIZE, start);
        pk::SetHeadKind(start, pk::KIND_RESULT_ALL);
        pk::Put16(start, pk::HEAD_FIELD19, 0);
        if (WriteStdHead(work.get(), start) != 1) return -10;
        std::vector<int> ids;
        try {
            ids.reserve(pk::HeadCount(head));
        } catch (const std::bad_alloc&) {
            return -11;
        }
        const int count = pk::HeadCount(head);
        for (int i = 0; i < count; ++i) {
            Result r;
            if (ResultAt(pack, i, r) == Read::Found) ids.push_back(r.id);
        }
        std::sort(ids.begin(), ids.end());
        for (int id : ids) {
            Result r;
            if (ResultById(pack, id, r) == Read::Found) Write(work.get(), r, r.form);
        }
        pk::byte sorted[pk::HEAD_SIZE];
        int check = Validate(work.get(), sorted);
        if (check <= 0) return check;
        const uint32_t newLength = pk::HeadLength(work.get());
        if (newLength <= oldLength && newLength <= pk::BUFFER_RESULT)
            std::copy_n(work.get(), newLength, static_cast<pk::byte*>(pack));
        return 1;
    });
}

} // extern "C"
