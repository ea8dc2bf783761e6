// Process-data curves: the writers of Dev_Pro records and the tools that find
// points on a curve and rebase curves onto a start point.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "core/export.h"
#include "dorlix.h"
#include "packet/layout.h"
#include "packet/read_internal.h"
#include "platform/platform.h"

namespace dorlix::packet {
namespace {

byte* B(void* p) {
    return static_cast<byte*>(p);
}
const byte* B(const void* p) {
    return static_cast<const byte*>(p);
}

// Number of point slots of a record that may be looked at: its count, bounded
// by the slots the record has.
int PointsOf(const byte* rec) {
    const int32_t n = GetI32(rec, PRO_POINTS);
    if (n < 0) return 0;
    return n > int(PRO_POINT_SLOTS) ? int(PRO_POINT_SLOTS) : n;
}

// Comma field `field` of point i as a number (0 when the field is missing).
double PointField(const byte* rec, int i, int field) {
    char text[PRO_POINT_SIZE + 1];
    std::string_view t = GetText(rec + PRO_POINT_TEXT + size_t(i) * PRO_POINT_SIZE, PRO_POINT_SIZE);
    std::memcpy(text, t.data(), t.size());
    text[t.size()] = 0;
    char value[PRO_POINT_SIZE + 1] = {};
    GetField(text, value, field);
    return std::atof(value);
}

// The process-data writers. matchName null: match on the identifier.
int WritePro(void* packv, int id, const char* matchName, const void* datav, const char* name) {
    byte* pack = B(packv);
    const byte* data = B(datav);
    if (!pack || !data) return 0;
    byte head[HEAD_SIZE];
    std::memcpy(head, pack, HEAD_SIZE);
    if (!IsPacket(head)) {
        // The kind byte stays as found: process-data packets are started with WriteStdHead.
        SetHeadCount(head, 0);
        SetHeadLength(head, 0);
        SetSync(head);
    }
    const int count = HeadCount(head);
    if (count > WRITE_MAX_PRO) {
        DORLIX_TRACE_OVER_LIMIT(name);
        return -3;
    }
    const int32_t points = GetI32(data, PRODATA_WRITE_POINTS);
    if (points < 1 || points > PRO_MAX_POINTS) return -6;

    auto storePoints = [&](byte* rec) {
        Put32(rec, PRO_POINTS, uint32_t(points));
        for (int i = 0; i < points; ++i) {
            const byte* from = data + PRODATA_WRITE_TEXT + size_t(i) * PRO_POINT_SIZE;
            PutText(rec + PRO_POINT_TEXT + size_t(i) * PRO_POINT_SIZE, PRO_POINT_SIZE,
                    GetText(from, PRO_POINT_SIZE));
        }
    };

    for (int i = 0; i < count; ++i) {
        byte* rec = pack + HEAD_SIZE + size_t(i) * PRO_SIZE;
        bool match;
        if (matchName) {
            char upper[PRO_NAME_SIZE + 1];
            std::string_view n = GetText(rec + PRO_NAME, PRO_NAME_SIZE);
            std::memcpy(upper, n.data(), n.size());
            upper[n.size()] = 0;
            plat::CharUpper(upper);
            match = EqualNoCase(upper, matchName);
            if (match) PutText(rec + PRO_NAME, PRO_NAME_SIZE, std::string_view(upper));
        } else {
            match = GetI32(rec, PRO_ID) == id;
        }
        if (match) {
            storePoints(rec);
            return 1;
        }
    }
    if (count >= WRITE_MAX_PRO) {
        DORLIX_TRACE_OVER_LIMIT(name);
        return -3;
    }
    byte* rec = pack + HEAD_SIZE + size_t(count) * PRO_SIZE;
    std::memset(rec, 0, PRO_SIZE);
    Put32(rec, PRO_ID, matchName ? 0u : uint32_t(id));
    storePoints(rec);
    if (matchName) PutText(rec + PRO_NAME, PRO_NAME_SIZE, matchName);
    SetHeadCount(head, uint16_t(count + 1));
    SetHeadLength(head, uint32_t(HEAD_SIZE + size_t(count + 1) * PRO_SIZE));
    std::memcpy(pack, head, HEAD_SIZE);
    return 2;
}

int MaxIndex(const byte* rec, float* maxOut) {
    float best = -999990.0f;
    int index = -1;
    const int n = PointsOf(rec);
    for (int i = 0; i < n; ++i) {
        const float x = float(PointField(rec, i, 0));
        if (x > best) {
            best = x;
            index = i;
        }
    }
    if (maxOut) *maxOut = best;
    return index;
}

int PosIndex(const byte* rec, float fraction) {
    float best = 0;
    MaxIndex(rec, &best);
    const float threshold = best * fraction;
    const int n = PointsOf(rec);
    for (int i = 0; i < n; ++i)
        if (float(PointField(rec, i, 0)) > threshold) return i;
    return -1;
}

} // namespace
} // namespace dorlix::packet

using namespace dorlix::packet;
using dorlix::Guarded;

extern "C" {

DORLIX_API int DORLIX_CALL WriteStdHead_ProDat(void* pack, int id, const void* data) {
    return Guarded(0, [&] { return WritePro(pack, id, nullptr, data, "WriteStdHead_ProDat"); });
}

DORLIX_API int DORLIX_CALL WriteStdHead_ProDatEx(void* pack, const char* name, const void* data) {
    return Guarded(0, [&] {
        if (!name) return 0;
        return WritePro(pack, 0, name, data, "WriteStdHead_ProDatEx");
    });
}

DORLIX_API int DORLIX_CALL GetProDat_Max(const void* record, float* max) {
    return Guarded(-1, [&] { return record ? MaxIndex(B(record), max) : -1; });
}

DORLIX_API int DORLIX_CALL GetProDat_Pos(const void* record, float fraction) {
    return Guarded(-1, [&] { return record ? PosIndex(B(record), fraction) : -1; });
}

DORLIX_API int DORLIX_CALL GetProDatAll_Pos(const void* src, void* dst, float fraction, int digits) {
    return Guarded(-1, [&] {
        if (!src) return -2;
        if (!dst) return -3;
        byte head[HEAD_SIZE];
        if (ParseStdHead(src, head) <= 0) return -1;
        const int count = HeadCount(head);
        std::unique_ptr<byte[]> rec(new byte[PRO_SIZE]);
        std::unique_ptr<byte[]> data(new byte[PRODATA_WRITE_SIZE]);
        for (int r = 0; r < count; ++r) {
            if (ParseStdHead_ProDat_Idx(src, r, rec.get()) != 1) continue;
            const int p = PosIndex(rec.get(), fraction);
            if (p < 0) continue;
            const double y0 = PointField(rec.get(), p, 1);
            const int last = PointsOf(rec.get());
            std::memset(data.get(), 0, PRODATA_WRITE_SIZE);
            int n = 0;
            for (int i = p; i < last; ++i, ++n) {
                if (n >= PRO_MAX_POINTS) continue; // counted, so that the writer refuses the curve
                float x = float(PointField(rec.get(), i, 0));
                GetPrecisionDataAny(&x, digits);
                double y = PointField(rec.get(), i, 1) - y0;
                if (y < 0) y = 0;
                char text[64];
                snprintf(text, sizeof text, "%g,%.3f", double(x), y);
                PutText(data.get() + PRODATA_WRITE_TEXT + size_t(n) * PRO_POINT_SIZE, PRO_POINT_SIZE,
                        std::string_view(text));
            }
            Put32(data.get(), PRODATA_WRITE_POINTS, uint32_t(n));
            WriteStdHead_ProDat(dst, GetI32(rec.get(), PRO_ID), data.get());
        }
        return 1;
    });
}

} // extern "C"
