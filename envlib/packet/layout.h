// Byte layout of the standard packet: a 21-byte header followed by packed
// records of one kind. Everything is little-endian and without padding, so the
// packet is read and written byte by byte here and never through a struct
// overlay (the compiler's layout and the host's byte order do not matter).
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace dorlix::packet {

using byte = unsigned char;

// ---- Little-endian field access ----
inline uint8_t Get8(const byte* p, size_t off) {
    return p[off];
}
inline uint16_t Get16(const byte* p, size_t off) {
    return uint16_t(p[off] | (p[off + 1] << 8));
}
inline uint32_t Get32(const byte* p, size_t off) {
    return uint32_t(p[off]) | (uint32_t(p[off + 1]) << 8) | (uint32_t(p[off + 2]) << 16) |
           (uint32_t(p[off + 3]) << 24);
}
inline int16_t GetI16(const byte* p, size_t off) {
    return int16_t(Get16(p, off));
}
inline int32_t GetI32(const byte* p, size_t off) {
    return int32_t(Get32(p, off));
}
inline float GetF32(const byte* p, size_t off) {
    return std::bit_cast<float>(Get32(p, off));
}

inline void Put8(byte* p, size_t off, uint8_t v) {
    p[off] = v;
}
inline void Put16(byte* p, size_t off, uint16_t v) {
    p[off] = byte(v);
    p[off + 1] = byte(v >> 8);
}
inline void Put32(byte* p, size_t off, uint32_t v) {
    p[off] = byte(v);
    p[off + 1] = byte(v >> 8);
    p[off + 2] = byte(v >> 16);
    p[off + 3] = byte(v >> 24);
}
inline void PutF32(byte* p, size_t off, float v) {
    Put32(p, off, std::bit_cast<uint32_t>(v));
}

// ---- Text fields: NUL-terminated GB2312 inside a fixed field ----
// Length of the text in a field that may lack its terminator in a damaged record.
inline size_t TextLength(const byte* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return nul ? size_t(static_cast<const byte*>(nul) - field) : size;
}
inline std::string_view GetText(const byte* field, size_t size) {
    return {reinterpret_cast<const char*>(field), TextLength(field, size)};
}
// Stores at most size - 1 bytes of text, the rest of the field zero (null text: empty).
inline void PutText(byte* field, size_t size, const char* text) {
    size_t n = text ? strnlen(text, size - 1) : 0;
    if (n) std::memcpy(field, text, n);
    std::memset(field + n, 0, size - n);
}
inline void PutText(byte* field, size_t size, std::string_view text) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    if (n) std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

// ---- Dev_Head ----
constexpr size_t HEAD_SIZE = 21;
constexpr size_t HEAD_SYNC0 = 0;    // 0x55
constexpr size_t HEAD_SYNC1 = 1;    // 0xAA
constexpr size_t HEAD_FLAG2 = 2;    // 1 in a new header
constexpr size_t HEAD_FLAG3 = 3;    // 1 in a new header
constexpr size_t HEAD_FLAG4 = 4;    // 1 in a new header
constexpr size_t HEAD_FLAG5 = 5;    // 0 in a new header
constexpr size_t HEAD_FIELD6 = 6;   // uint16, 0
constexpr size_t HEAD_LENGTH = 8;   // uint32: header plus all records
constexpr size_t HEAD_COUNT = 12;   // uint16 record count
constexpr size_t HEAD_KIND = 14;    // uint8 data kind
constexpr size_t HEAD_FIELD15 = 15; // uint32, 0
constexpr size_t HEAD_FIELD19 = 19; // uint16, 0 in a new header
constexpr byte SYNC0 = 0x55;
constexpr byte SYNC1 = 0xAA;

inline bool IsPacket(const byte* p) {
    return p[HEAD_SYNC0] == SYNC0 && p[HEAD_SYNC1] == SYNC1;
}
inline uint16_t HeadCount(const byte* p) {
    return Get16(p, HEAD_COUNT);
}
inline void SetHeadCount(byte* p, uint16_t n) {
    Put16(p, HEAD_COUNT, n);
}
inline uint32_t HeadLength(const byte* p) {
    return Get32(p, HEAD_LENGTH);
}
inline void SetHeadLength(byte* p, uint32_t n) {
    Put32(p, HEAD_LENGTH, n);
}
inline uint8_t HeadKind(const byte* p) {
    return p[HEAD_KIND];
}
inline void SetHeadKind(byte* p, uint8_t kind) {
    p[HEAD_KIND] = kind;
}
inline void SetSync(byte* p) {
    p[HEAD_SYNC0] = SYNC0;
    p[HEAD_SYNC1] = SYNC1;
}
// A freshly constructed header: sync, flags 1 1 1 0, count 0, length 21, kind.
inline void InitHead(byte* head, uint8_t kind) {
    std::memset(head, 0, HEAD_SIZE);
    SetSync(head);
    head[HEAD_FLAG2] = head[HEAD_FLAG3] = head[HEAD_FLAG4] = 1;
    SetHeadLength(head, HEAD_SIZE);
    SetHeadKind(head, kind);
}

// ---- Data kinds (header byte 14) ----
constexpr uint8_t KIND_RESULT = 1;     // Dev_Result
constexpr uint8_t KIND_RESULT_STR = 2; // Dev_ResultStr
constexpr uint8_t KIND_RESULT_ALL = 3; // Dev_Result_All (old format: typed short/long records)
constexpr uint8_t KIND_PRO = 4;        // Dev_Pro
constexpr uint8_t KIND_INFO = 40;      // Dev_Info
constexpr uint8_t KIND_STD = 80;       // Dev_Std
constexpr uint8_t KIND_ITEM = 99;      // Dev_Item
constexpr uint8_t KIND_ITEM_NEW = 100; // Dev_Item_New

// Size of the caller's buffer that every operation assumes for a kind.
constexpr size_t BUFFER_RESULT = 150000;
constexpr size_t BUFFER_INFO = 150000;
constexpr size_t BUFFER_STD = 150000;
constexpr size_t BUFFER_PRO = 260000;
constexpr size_t BUFFER_ITEM = 20000;
constexpr size_t BufferSize(uint8_t kind) {
    return kind == KIND_PRO                               ? BUFFER_PRO
           : (kind == KIND_ITEM || kind == KIND_ITEM_NEW) ? BUFFER_ITEM
                                                          : 150000;
}

// ---- Dev_Info (52) ----
constexpr size_t INFO_SIZE = 52;
constexpr size_t INFO_ID = 0;   // uint16
constexpr size_t INFO_TEXT = 2; // 50 bytes
constexpr size_t INFO_TEXT_SIZE = 50;

// ---- Dev_Item (2) ----
constexpr size_t ITEM_SIZE = 2;
constexpr size_t ITEM_ID = 0; // uint16, 200..499
constexpr int ITEM_ID_MIN = 200;
constexpr int ITEM_ID_MAX = 499;

// ---- Dev_Item_New (5) ----
constexpr size_t ITEM_NEW_SIZE = 5;
constexpr size_t ITEM_NEW_ID = 0;    // uint16
constexpr size_t ITEM_NEW_CHECK = 2; // int16 check number
constexpr size_t ITEM_NEW_JUDGE = 4; // uint8 judgement

// ---- Dev_Std (10) and its output form Dev_Std_Java (12) ----
constexpr size_t STD_SIZE = 10;
constexpr size_t STD_ID = 0;     // uint16
constexpr size_t STD_FIRST = 2;  // float32
constexpr size_t STD_SECOND = 6; // float32
constexpr size_t STD_JAVA_SIZE = 12;
constexpr size_t STD_JAVA_ID = 0;     // int32
constexpr size_t STD_JAVA_FIRST = 4;  // float32
constexpr size_t STD_JAVA_SECOND = 8; // float32

// ---- Dev_Pro (10028) ----
constexpr size_t PRO_SIZE = 10028;
constexpr size_t PRO_ID = 0;         // uint32
constexpr size_t PRO_POINTS = 4;     // int32 number of points
constexpr size_t PRO_POINT_TEXT = 8; // 500 slots of 20 bytes, "x,y"
constexpr size_t PRO_POINT_SLOTS = 500;
constexpr size_t PRO_POINT_SIZE = 20;
constexpr size_t PRO_NAME = 10008; // 20 bytes
constexpr size_t PRO_NAME_SIZE = 20;
constexpr int PRO_MAX_POINTS = 498; // most points a writer stores

// ---- Dev_Prodata_Write (9964): input of the process-data writers ----
constexpr size_t PRODATA_WRITE_SIZE = 9964;
constexpr size_t PRODATA_WRITE_POINTS = 0; // int32, 1..498
constexpr size_t PRODATA_WRITE_TEXT = 4;   // 498 slots of 20 bytes

// ---- Dev_Result (13) ----
constexpr size_t RESULT_SIZE = 13;
constexpr size_t RESULT_ID = 0;   // uint16
constexpr size_t RESULT_TEXT = 2; // 10 bytes
constexpr size_t RESULT_TEXT_SIZE = 10;
constexpr size_t RESULT_JUDGE = 12; // uint8

// ---- Dev_ResultStr (103) ----
constexpr size_t RESULT_STR_SIZE = 103;
constexpr size_t RESULT_STR_ID = 0;   // uint16
constexpr size_t RESULT_STR_TEXT = 2; // 100 bytes
constexpr size_t RESULT_STR_TEXT_SIZE = 100;
constexpr size_t RESULT_STR_JUDGE = 102; // uint8

// ---- Dev_Result_All (211), the framed form ----
constexpr size_t RESULT_ALL_SIZE = 211;
constexpr size_t RESULT_ALL_MARK0 = 0; // 0xAA
constexpr size_t RESULT_ALL_MARK1 = 1; // 0xBB
constexpr size_t RESULT_ALL_FORM = 2;  // int32: 1 short, 2 long
constexpr size_t RESULT_ALL_ID = 6;    // uint16
constexpr size_t RESULT_ALL_TEXT = 8;  // 100 bytes
constexpr size_t RESULT_ALL_TEXT_SIZE = 100;
constexpr size_t RESULT_ALL_JUDGE = 108;    // uint8
constexpr size_t RESULT_ALL_ZERO = 109;     // uint8, 0
constexpr size_t RESULT_ALL_RESERVED = 110; // 99 bytes nobody reads
constexpr size_t RESULT_ALL_RESERVED_SIZE = 99;
constexpr size_t RESULT_ALL_END0 = 209; // 0xFF
constexpr size_t RESULT_ALL_END1 = 210; // 0xEE
constexpr byte RESULT_ALL_MARK0_VALUE = 0xAA;
constexpr byte RESULT_ALL_MARK1_VALUE = 0xBB;
constexpr byte RESULT_ALL_END0_VALUE = 0xFF;
constexpr byte RESULT_ALL_END1_VALUE = 0xEE;
constexpr int RESULT_FORM_SHORT = 1;
constexpr int RESULT_FORM_LONG = 2;

inline bool FramedMarksOk(const byte* rec) {
    return rec[RESULT_ALL_MARK0] == RESULT_ALL_MARK0_VALUE &&
           rec[RESULT_ALL_MARK1] == RESULT_ALL_MARK1_VALUE && rec[RESULT_ALL_END0] == RESULT_ALL_END0_VALUE &&
           rec[RESULT_ALL_END1] == RESULT_ALL_END1_VALUE;
}
inline void SetFramedMarks(byte* rec) {
    rec[RESULT_ALL_MARK0] = RESULT_ALL_MARK0_VALUE;
    rec[RESULT_ALL_MARK1] = RESULT_ALL_MARK1_VALUE;
    rec[RESULT_ALL_ZERO] = 0;
    rec[RESULT_ALL_END0] = RESULT_ALL_END0_VALUE;
    rec[RESULT_ALL_END1] = RESULT_ALL_END1_VALUE;
}

// Old format of kind 3: each record starts with this type byte.
constexpr size_t RESULT_TYPE_SIZE = 1;
constexpr byte RESULT_TYPE_SHORT = 1; // a Dev_Result follows
constexpr byte RESULT_TYPE_LONG = 2;  // a Dev_ResultStr follows

// Record size of a result kind, 0 for any other kind.
constexpr size_t ResultRecordSize(uint8_t kind) {
    return kind == KIND_RESULT       ? RESULT_SIZE
           : kind == KIND_RESULT_STR ? RESULT_STR_SIZE
           : kind == KIND_RESULT_ALL ? RESULT_ALL_SIZE
                                     : 0;
}

// Class of a result identifier: 10 for 7100..9000 and 9500..9999, else 1.
constexpr int ResultClass(int id) {
    return ((id >= 7100 && id <= 9000) || (id >= 9500 && id <= 9999)) ? 10 : 1;
}

// ---- Reading limits: largest count a reader accepts ----
constexpr int READ_MAX_HEAD = 2000;                                       // ParseStdHead cuts larger counts
constexpr int READ_MAX_INFO = int((BUFFER_INFO - HEAD_SIZE) / INFO_SIZE); // 2884
constexpr int READ_MAX_STD = int((BUFFER_STD - HEAD_SIZE) / STD_SIZE);    // 14997
constexpr int READ_MAX_ITEM = int((BUFFER_ITEM - HEAD_SIZE) / ITEM_NEW_SIZE); // 3995, both item kinds
constexpr int READ_MAX_PRO = int((BUFFER_PRO - HEAD_SIZE) / PRO_SIZE);        // 25

// ---- Write limits: most records a writer appends up to ----
constexpr int WRITE_MAX_INFO = 2884;
constexpr int WRITE_MAX_ITEM = 9989;
constexpr int WRITE_MAX_ITEM_NEW = 3995;
constexpr int WRITE_MAX_STD = 14997;
constexpr int WRITE_MAX_PRO = 25;
constexpr int WRITE_MAX_RESULT = 11537; // with count x 103 >= 150000 also refusing

static_assert(READ_MAX_INFO == 2884 && READ_MAX_STD == 14997 && READ_MAX_ITEM == 3995 && READ_MAX_PRO == 25);

// Diagnostic trace of a count beyond a limit: "超过系统内存限制------------------------>" + name,
// sent to the debug output with the source file and line (see packet docs).
void TraceOverLimit(const char* file, int line, const char* name);
// Receives every trace line (already formatted, ending in a line feed); tests install one.
// Null restores the default destination.
using TraceSink = void (*)(const char* line);
void SetTraceSink(TraceSink sink);

} // namespace dorlix::packet
