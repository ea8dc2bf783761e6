// Packets written by the library against byte images built by hand from the
// documented layout: every writer, replace and append, a full packet, and the
// removals that rebuild packets.
#include "packet_testenv.h"

#include <cstring>
#include <functional>

using namespace packettest;
namespace pk = dorlix::packet;

namespace {

// A Dev_Prodata_Write block with the given point texts.
Buf ProData(std::initializer_list<const char*> points) {
    Buf d(pk::PRODATA_WRITE_SIZE, 0);
    pk::Put32(d.data(), pk::PRODATA_WRITE_POINTS, uint32_t(points.size()));
    size_t i = 0;
    for (const char* p : points)
        std::strcpy((char*)d.data() + pk::PRODATA_WRITE_TEXT + 20 * i++, p);
    return d;
}

// Starts a packet with a header prepared by hand (before WriteStdHead fills it in).
int StartWith(unsigned char* b, const std::string& headSpec) {
    Buf head = Image(headSpec, pk::HEAD_SIZE);
    return WriteStdHead(b, head.data());
}

struct ImageCase {
    const char* name;
    uint8_t kind;                             // decides the buffer size
    std::function<int(unsigned char*)> steps; // returns the result of the last step
    int last;
    std::string image;
};

const ImageCase kCases[] = {
    {"WriteStdHead keeps kind and flags, sets sync count length", 2,
     [](unsigned char* b) { return StartWith(b, "0000 01 00 01 01 0700 63000000 0500 02 01020304 0900"); }, 1,
     "55AA 01 00 01 01 0700 15000000 0000 02 01020304 0900"},
    {"Info appended on a zero buffer", 40, [](unsigned char* b) { return WriteStdHead_Info(b, 1001, "ABC"); },
     2, "55AA 00000000 0000 49000000 0100 28 00000000 0000  E903 'ABC' 00*47"},
    {"Info replaced keeps order, text shorter than before", 40,
     [](unsigned char* b) {
         EXPECT_EQ(WriteStdHead_Info(b, 1001, "ABC"), 2);
         EXPECT_EQ(WriteStdHead_Info(b, 1002, "XY"), 2);
         return WriteStdHead_Info(b, 1001, "Z");
     },
     1, "55AA 00000000 0000 7D000000 0200 28 00000000 0000  E903 'Z' 00*49  EA03 'XY' 00*48"},
    {"Info text cut to 49 characters", 40,
     [](unsigned char* b) { return WriteStdHead_Info(b, 1, std::string(60, 'q').c_str()); }, 2,
     "55AA 00000000 0000 49000000 0100 28 00000000 0000  0100 71*49 00"},
    {"Item appended on a zero buffer", 99, [](unsigned char* b) { return WriteStdHead_Item(b, 200); }, 2,
     "55AA 00000000 0000 17000000 0100 63 00000000 0000  C800"},
    {"Item present again is not duplicated", 99,
     [](unsigned char* b) {
         EXPECT_EQ(WriteStdHead_Item(b, 499), 2);
         EXPECT_EQ(WriteStdHead_Item(b, 300), 2);
         return WriteStdHead_Item(b, 499);
     },
     1, "55AA 00000000 0000 19000000 0200 63 00000000 0000  F301 2C01"},
    {"Item_New appended into a started packet", 100,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 64 00000000 0000");
         return WriteStdHead_Item_New(b, 250, -2, 0x41);
     },
     2, "55AA 010101 00 0000 1A000000 0100 64 00000000 0000  FA00 FEFF 41"},
    {"Item_New check number and judgement set one at a time", 100,
     [](unsigned char* b) {
         EXPECT_EQ(WriteStdHead_Item_New_CheckNum(b, 300, 7), 2);
         EXPECT_EQ(WriteStdHead_Item_New_Judge(b, 300, 0x12), 1);
         return WriteStdHead_Item_New_CheckNum(b, 301, 9);
     },
     2, "55AA 00000000 0000 1F000000 0200 64 00000000 0000  2C01 0700 12  2D01 0900 00"},
    {"Item_New writer turns a kind 99 packet into kind 100", 99,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 63 00000000 0000");
         return WriteStdHead_Item_New_Judge(b, 210, 3);
     },
     2, "55AA 010101 00 0000 1A000000 0100 64 00000000 0000  D200 0000 03"},
    {"Std appended and replaced", 80,
     [](unsigned char* b) {
         EXPECT_EQ(WriteStdHead_Std(b, 3, 9.0f, 9.0f), 2);
         return WriteStdHead_Std(b, 3, 1.5f, -2.25f);
     },
     1, "55AA 00000000 0000 1F000000 0100 50 00000000 0000  0300 0000C03F 000010C0"},
    {"ProDat appended", 4,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 04 00000000 0000");
         Buf d = ProData({"1,2", "3,4"});
         return WriteStdHead_ProDat(b, 7, d.data());
     },
     2,
     "55AA 010101 00 0000 41270000 0100 04 00000000 0000  07000000 02000000 '1,2' 00*17 '3,4' 00*17 "
     "00*9960 00*20"},
    {"ProDatEx replaced: fewer points keep later slots, name upper-cased", 4,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 04 00000000 0000");
         Buf d1 = ProData({"1,2", "3,4"});
         EXPECT_EQ(WriteStdHead_ProDatEx(b, "flow", d1.data()), 2);
         Buf d2 = ProData({"5,6"});
         return WriteStdHead_ProDatEx(b, "Flow", d2.data());
     },
     1,
     "55AA 010101 00 0000 41270000 0100 04 00000000 0000  00000000 01000000 '5,6' 00*17 '3,4' 00*17 "
     "00*9960 'FLOW' 00*16"},
    {"Result short form, text cut to 9", 1,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 01 00000000 0000");
         return WriteStdHead_Result(b, 1001, "0123456789AB", 0x41, 1);
     },
     2, "55AA 010101 00 0000 22000000 0100 01 00000000 0000  E903 '012345678' 00 41"},
    {"Result long form: text only, judgement only, new judgement-only record", 2,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 02 00000000 0000");
         EXPECT_EQ(WriteStdHead_Result_Data(b, 2001, "abc", 2), 2);
         EXPECT_EQ(WriteStdHead_Result_Judge(b, 2001, 0x12, 2), 1);
         return WriteStdHead_Result_Judge(b, 2002, 0x21, 1);
     },
     2, "55AA 010101 00 0000 E3000000 0200 02 00000000 0000  D107 'abc' 00*97 12  D207 00*100 21"},
    {"Result framed form", 3,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 03 00000000 0000");
         return WriteStdHead_Result(b, 7100, "T", 0x41, 2);
     },
     2, "55AA 010101 00 0000 E8000000 0100 03 00000000 0000  AABB 02000000 BC1B 'T' 00*99 41 00 00*99 FFEE"},
    {"Result framed update rewrites form and marks", 3,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 03 00000000 0000");
         EXPECT_EQ(WriteStdHead_Result(b, 7100, "T", 0x41, 2), 2);
         b[21 + 210] = 0; // damaged end mark
         return WriteStdHead_Result_Data(b, 7100, "U", 1);
     },
     1, "55AA 010101 00 0000 E8000000 0100 03 00000000 0000  AABB 01000000 BC1B 'U' 00*99 41 00 00*99 FFEE"},
    {"Removal of a kind 1 packet gives framed records of form 1", 1,
     [](unsigned char* b) {
         StartWith(b, "0000 01 01 01 01 0000 00000000 0000 01 00000000 0201");
         EXPECT_EQ(WriteStdHead_Result(b, 1001, "a", 1, 1), 2);
         EXPECT_EQ(WriteStdHead_Result(b, 1002, "bb", 2, 1), 2);
         EXPECT_EQ(WriteStdHead_Result(b, 1003, "ccc", 0x41, 1), 2);
         return RemoveStdHead_Result(b, 1002);
     },
     1,
     "55AA 00 01 00 01 0000 BB010000 0200 03 00000000 0000  AABB 01000000 E903 'a' 00*99 01 00 00*99 FFEE  "
     "AABB 01000000 EB03 'ccc' 00*97 41 00 00*99 FFEE"},
    {"Removal of every copy of an item", 99,
     [](unsigned char* b) {
         for (int id : {200, 201, 202})
             WriteStdHead_Item(b, id);
         b[21] = 0xCA; // 200 becomes a second 202
         return RemoveStdHead_Item(b, 202);
     },
     1, "55AA 00000000 0000 17000000 0100 63 00000000 0000  C900"},
    {"Removal of an Item_New keeps the others' values, flags 2 and 4 cleared", 100,
     [](unsigned char* b) {
         StartWith(b, "0000 010101 00 0000 00000000 0000 64 00000000 0000");
         WriteStdHead_Item_New(b, 250, -2, 0x41);
         WriteStdHead_Item_New(b, 251, 3, 2);
         return RemoveStdHead_Item_New(b, 250);
     },
     1, "55AA 00 01 00 00 0000 1A000000 0100 64 00000000 0000  FB00 0300 02"},
    {"Rebased curve written by GetProDatAll_Pos", 4,
     [](unsigned char* b) {
         Buf src = NewPacket(4);
         Buf d = ProData({"0,1", "10,3", "20,2"});
         EXPECT_EQ(WriteStdHead_ProDat(src.data(), 9, d.data()), 2);
         StartWith(b, "0000 010101 00 0000 00000000 0000 04 00000000 0000");
         return GetProDatAll_Pos(src.data(), b, 0.4f, 0);
     },
     1,
     "55AA 010101 00 0000 41270000 0100 04 00000000 0000  09000000 02000000 '10,0.000' 00*12 '20,0.000' "
     "00*12 00*9960 00*20"},
};

TEST(PacketImages, WritersProduceTheDocumentedBytes) {
    for (const ImageCase& c : kCases) {
        SCOPED_TRACE(c.name);
        Buf b = KindBuffer(c.kind);
        EXPECT_EQ(c.steps(b.data()), c.last);
        Buf want = Image(c.image, b.size());
        EXPECT_EQ(FirstDifference(b, want), -1);
    }
}

// A packet at its write limit refuses an append and stays byte for byte as it
// was; replacing a record of it still works.
TEST(PacketImages, FullPacketRefusesAppendButReplaces) {
    struct Full {
        const char* name;
        uint8_t kind;
        int limit;
        std::function<int(unsigned char*, int)> write; // write record number i
        int refused;
    };
    Buf pro = ProData({"1,1"});
    const Full cases[] = {
        {"Info", 40, 2884, [](unsigned char* b, int i) { return WriteStdHead_Info(b, 1000 + i, "x"); }, -3},
        {"Item", 99, 9989, [](unsigned char* b, int i) { return WriteStdHead_Item(b, 200 + i % 300); }, -3},
        {"Item_New", 100, 3995,
         [](unsigned char* b, int i) { return WriteStdHead_Item_New(b, 200 + i % 300, short(i), 1); }, -3},
        {"Std", 80, 14997, [](unsigned char* b, int i) { return WriteStdHead_Std(b, i, 1, 2); }, -3},
        {"ProDat", 4, 25, [&](unsigned char* b, int i) { return WriteStdHead_ProDat(b, i, pro.data()); }, -3},
        {"Result short", 1, 1457,
         [](unsigned char* b, int i) { return WriteStdHead_Result(b, i, "r", 1, 1); }, -1},
        {"Result long", 2, 1456, [](unsigned char* b, int i) { return WriteStdHead_Result(b, i, "r", 1, 2); },
         -1},
        {"Result framed", 3, 710,
         [](unsigned char* b, int i) { return WriteStdHead_Result(b, i, "r", 1, 2); }, -1},
    };
    for (const Full& c : cases) {
        SCOPED_TRACE(c.name);
        Buf b = NewPacket(c.kind);
        int absent = c.limit + 1, present = 1;
        if (c.kind == 99 || c.kind == 100) {
            // More items than identifiers: fill by hand with 200..498 repeated, 499 stays absent.
            const size_t rs = c.kind == 99 ? 2 : 5;
            for (int i = 0; i < c.limit; ++i)
                pk::Put16(b.data(), 21 + i * rs, uint16_t(200 + i % 299));
            pk::SetHeadCount(b.data(), uint16_t(c.limit));
            pk::SetHeadLength(b.data(), uint32_t(21 + c.limit * rs));
            absent = 499 - 200;
            present = 0;
        } else {
            for (int i = 1; i <= c.limit; ++i)
                ASSERT_EQ(c.write(b.data(), i), 2) << i;
        }
        const Buf before = b;
        EXPECT_EQ(c.write(b.data(), absent), c.refused);
        EXPECT_EQ(FirstDifference(b, before), -1);
        EXPECT_EQ(c.write(b.data(), present), 1);
        EXPECT_EQ(pk::HeadCount(b.data()), c.limit);
    }
}

} // namespace
