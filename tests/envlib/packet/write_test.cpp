// Writers, removals and process-data tools: argument checks, refusals that
// leave the packet alone, and the documented edge cases.
#include "packet_testenv.h"

#include <cstring>
#include <functional>
#include <string>

using namespace packettest;
namespace pk = dorlix::packet;

namespace {

Buf ProData(std::initializer_list<const char*> points) {
    Buf d(pk::PRODATA_WRITE_SIZE, 0);
    pk::Put32(d.data(), 0, uint32_t(points.size()));
    size_t i = 0;
    for (const char* p : points)
        std::strcpy((char*)d.data() + 4 + 20 * i++, p);
    return d;
}

// A Dev_Pro record holding the given point texts.
Buf ProRecord(std::initializer_list<const char*> points) {
    Buf r(pk::PRO_SIZE, 0);
    pk::Put32(r.data(), pk::PRO_POINTS, uint32_t(points.size()));
    size_t i = 0;
    for (const char* p : points)
        std::strcpy((char*)r.data() + pk::PRO_POINT_TEXT + 20 * i++, p);
    return r;
}

TEST(Writers, ArgumentChecksLeaveThePacketAlone) {
    struct Case {
        const char* name;
        uint8_t kind; // packet the call gets (0: a zero buffer of 150000 bytes)
        std::function<int(unsigned char*)> call;
        int result;
    };
    Buf one = ProData({"1,1"});
    Buf none = ProData({});
    Buf tooMany(pk::PRODATA_WRITE_SIZE, 0);
    pk::Put32(tooMany.data(), 0, 499);
    const Case cases[] = {
        {"WriteStdHead null pack", 1, [](unsigned char*) { return WriteStdHead(nullptr, nullptr); }, 0},
        {"WriteStdHead null head", 1, [](unsigned char* b) { return WriteStdHead(b, nullptr); }, -4},
        {"Info null pack", 40, [](unsigned char*) { return WriteStdHead_Info(nullptr, 1, "x"); }, 0},
        {"Info null text", 40, [](unsigned char* b) { return WriteStdHead_Info(b, 1, nullptr); }, -4},
        {"Item 199", 99, [](unsigned char* b) { return WriteStdHead_Item(b, 199); }, -5},
        {"Item 500", 99, [](unsigned char* b) { return WriteStdHead_Item(b, 500); }, -5},
        {"Item null pack", 99, [](unsigned char*) { return WriteStdHead_Item(nullptr, 300); }, 0},
        {"Item_New 199", 100, [](unsigned char* b) { return WriteStdHead_Item_New(b, 199, 1, 1); }, -5},
        {"Item_New_CheckNum 500", 100,
         [](unsigned char* b) { return WriteStdHead_Item_New_CheckNum(b, 500, 1); }, -5},
        {"Item_New_Judge -1", 100, [](unsigned char* b) { return WriteStdHead_Item_New_Judge(b, -1, 1); },
         -5},
        {"Std null pack", 80, [](unsigned char*) { return WriteStdHead_Std(nullptr, 1, 1, 1); }, 0},
        {"ProDat null data", 4, [](unsigned char* b) { return WriteStdHead_ProDat(b, 1, nullptr); }, 0},
        {"ProDat no points", 4, [&](unsigned char* b) { return WriteStdHead_ProDat(b, 1, none.data()); }, -6},
        {"ProDat 499 points", 4, [&](unsigned char* b) { return WriteStdHead_ProDat(b, 1, tooMany.data()); },
         -6},
        {"ProDatEx null name", 4,
         [&](unsigned char* b) { return WriteStdHead_ProDatEx(b, nullptr, one.data()); }, 0},
        {"Result on a zero buffer", 0, [](unsigned char* b) { return WriteStdHead_Result(b, 1, "x", 1, 1); },
         -1},
        {"Result form 0", 1, [](unsigned char* b) { return WriteStdHead_Result(b, 1, "x", 1, 0); }, -6},
        {"Result form 4", 1, [](unsigned char* b) { return WriteStdHead_Result_Judge(b, 1, 1, 4); }, -6},
        {"Result null text", 2, [](unsigned char* b) { return WriteStdHead_Result_Data(b, 1, nullptr, 2); },
         -4},
        {"Result into an information packet", 40,
         [](unsigned char* b) { return WriteStdHead_Result(b, 1, "x", 1, 1); }, -1},
        {"Result null pack", 1, [](unsigned char*) { return WriteStdHead_Result(nullptr, 1, "x", 1, 1); }, 0},
        {"Remove item null", 99, [](unsigned char*) { return RemoveStdHead_Item(nullptr, 200); }, -1},
        {"Remove item zero buffer", 0, [](unsigned char* b) { return RemoveStdHead_Item(b, 200); }, -2},
        {"Remove item empty packet", 99, [](unsigned char* b) { return RemoveStdHead_Item(b, 200); }, -2},
        {"Remove Item_New empty packet", 100, [](unsigned char* b) { return RemoveStdHead_Item_New(b, 200); },
         -2},
        {"Remove result empty packet", 1, [](unsigned char* b) { return RemoveStdHead_Result(b, 1); }, -2},
        {"Remove result implausible length", 1,
         [](unsigned char* b) {
             WriteStdHead_Result(b, 1, "x", 1, 1);
             pk::SetHeadLength(b, 150000);
             return RemoveStdHead_Result(b, 1);
         },
         -2},
        {"GetProDatAll_Pos null src", 4, [](unsigned char* b) { return GetProDatAll_Pos(nullptr, b, 1, 0); },
         -2},
        {"GetProDatAll_Pos null dst", 4, [](unsigned char* b) { return GetProDatAll_Pos(b, nullptr, 1, 0); },
         -3},
        {"GetProDatAll_Pos zero src", 0,
         [](unsigned char* b) {
             Buf dst = KindBuffer(4);
             return GetProDatAll_Pos(b, dst.data(), 1, 0);
         },
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buf b = c.kind ? NewPacket(c.kind) : KindBuffer(1);
        int r = c.call(b.data());
        EXPECT_EQ(r, c.result);
        Buf again = c.kind ? NewPacket(c.kind) : KindBuffer(1);
        if (std::string(c.name) == "Remove result implausible length") {
            WriteStdHead_Result(again.data(), 1, "x", 1, 1);
            pk::SetHeadLength(again.data(), 150000);
        }
        EXPECT_EQ(FirstDifference(b, again), -1);
    }
}

TEST(Writers, ResultUpdatesEveryRecordOfTheIdentifier) {
    for (uint8_t kind : {1, 2, 3}) {
        SCOPED_TRACE(int(kind));
        Buf b = NewPacket(kind);
        EXPECT_EQ(WriteStdHead_Result(b.data(), 5, "a", 1, 1), 2);
        EXPECT_EQ(WriteStdHead_Result(b.data(), 6, "b", 2, 1), 2);
        EXPECT_EQ(WriteStdHead_Result(b.data(), 7, "c", 3, 1), 2);
        const size_t rs = pk::ResultRecordSize(kind), idOff = kind == 3 ? 6 : 0;
        pk::Put16(b.data(), 21 + 2 * rs + idOff, 5); // record 2 becomes a second 5
        EXPECT_EQ(WriteStdHead_Result_Judge(b.data(), 5, 9, 1), 1);
        Buf out(103);
        int form = 0;
        for (int i : {0, 2}) {
            EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), i, out.data(), &form), 1);
            EXPECT_EQ(out[form == 1 ? 12 : 102], 9) << i;
        }
        EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 1, out.data(), &form), 1);
        EXPECT_EQ(out[form == 1 ? 12 : 102], 2);
        EXPECT_EQ(pk::HeadCount(b.data()), 3);
    }
}

TEST(Writers, TracesTheRefusedAppend) {
    static std::string last;
    pk::SetTraceSink([](const char* line) { last = line; });
    Buf b = NewPacket(4);
    Buf d = ProData({"1,1"});
    for (int i = 0; i < 25; ++i)
        ASSERT_EQ(WriteStdHead_ProDat(b.data(), i, d.data()), 2);
    EXPECT_EQ(WriteStdHead_ProDat(b.data(), 99, d.data()), -3);
    pk::SetTraceSink(nullptr);
    EXPECT_NE(last.find("------------------------>WriteStdHead_ProDat\n"), std::string::npos) << last;
    // A count beyond the limit is refused before the records are walked.
    pk::SetHeadCount(b.data(), 26);
    EXPECT_EQ(WriteStdHead_ProDat(b.data(), 0, d.data()), -3);
    Buf i = NewPacket(100);
    pk::SetHeadCount(i.data(), 3996);
    EXPECT_EQ(WriteStdHead_Item_New(i.data(), 200, 1, 1), -3);
}

TEST(Removal, RecordsTheRebuildRefusesDisappear) {
    // Items outside 200..499, written into the packet by hand, are dropped.
    Buf b = NewPacket(99);
    for (int id : {200, 201, 202})
        WriteStdHead_Item(b.data(), id);
    pk::Put16(b.data(), 21 + 2, 150);
    EXPECT_EQ(RemoveStdHead_Item(b.data(), 200), 1);
    Buf out(2);
    EXPECT_EQ(pk::HeadCount(b.data()), 1);
    EXPECT_EQ(ParseStdHead_Item_Idx(b.data(), 0, out.data()), 1);
    EXPECT_EQ(pk::Get16(out.data(), 0), 202);
    // A framed record of an unknown form, and one with damaged marks, are dropped.
    Buf r = NewPacket(3);
    for (int id : {1, 2, 3, 4})
        WriteStdHead_Result(r.data(), id, "x", 1, 2);
    pk::Put32(r.data(), 21 + 2, 5);
    r[21 + 211 + 210] = 0;
    EXPECT_EQ(RemoveStdHead_Result(r.data(), 4), 1);
    EXPECT_EQ(pk::HeadCount(r.data()), 1);
    int form = 0;
    Buf o(103);
    EXPECT_EQ(ParseStdHead_Result_Idx(r.data(), 0, o.data(), &form), 1);
    EXPECT_EQ(pk::Get16(o.data(), 0), 3);
    // Removing an identifier that is absent still rebuilds (kind 1 becomes framed).
    Buf k1 = NewPacket(1);
    WriteStdHead_Result(k1.data(), 10, "ten", 1, 1);
    EXPECT_EQ(RemoveStdHead_Result(k1.data(), 11), 1);
    EXPECT_EQ(pk::HeadKind(k1.data()), 3);
    EXPECT_EQ(pk::HeadCount(k1.data()), 1);
    // Removing the only record leaves an empty packet.
    EXPECT_EQ(RemoveStdHead_Result(k1.data(), 10), 1);
    EXPECT_EQ(pk::HeadCount(k1.data()), 0);
    EXPECT_EQ(pk::HeadLength(k1.data()), 21u);
}

TEST(ProcessData, MaxAndPosition) {
    struct Case {
        const char* name;
        Buf rec;
        float fraction;
        int maxIndex;
        float max;
        int pos;
    };
    const Case cases[] = {
        {"first x above half the largest", ProRecord({"1,0", "5,0", "10,0", "4,0"}), 0.5f, 2, 10, 2},
        {"first of equal maxima", ProRecord({"3,0", "7,1", "7,2"}), 0.5f, 1, 7, 1},
        {"nothing above the whole largest", ProRecord({"3,0", "7,1"}), 1.0f, 1, 7, -1},
        {"negative x: threshold -1 lies above both", ProRecord({"-5,0", "-2,0"}), 0.5f, 1, -2, -1},
        {"missing y field", ProRecord({"2", "8"}), 0.2f, 1, 8, 0},
        {"no points", ProRecord({}), 0.5f, -1, -999990.0f, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float max = 0;
        EXPECT_EQ(GetProDat_Max(c.rec.data(), &max), c.maxIndex);
        EXPECT_EQ(max, c.max);
        EXPECT_EQ(GetProDat_Max(c.rec.data(), nullptr), c.maxIndex);
        EXPECT_EQ(GetProDat_Pos(c.rec.data(), c.fraction), c.pos);
    }
    EXPECT_EQ(GetProDat_Max(nullptr, nullptr), -1);
    EXPECT_EQ(GetProDat_Pos(nullptr, 0.5f), -1);
    // A point count beyond the record's slots is read as far as the slots go.
    Buf lying = ProRecord({"1,1"});
    pk::Put32(lying.data(), pk::PRO_POINTS, 100000);
    EXPECT_EQ(GetProDat_Max(lying.data(), nullptr), 0);
}

TEST(ProcessData, RebasedCurves) {
    Buf src = NewPacket(4);
    Buf a = ProData({"0,1", "10,3", "20,2"});
    Buf b = ProData({"0.123,5", "0.456,7.5", "0.2,9"});
    Buf c = ProData({"1,1"});
    ASSERT_EQ(WriteStdHead_ProDat(src.data(), 1, a.data()), 2);
    ASSERT_EQ(WriteStdHead_ProDat(src.data(), 2, b.data()), 2);
    ASSERT_EQ(WriteStdHead_ProDat(src.data(), 3, c.data()), 2);
    Buf dst = NewPacket(4);
    EXPECT_EQ(GetProDatAll_Pos(src.data(), dst.data(), 0.4f, 2), 1);
    EXPECT_EQ(pk::HeadCount(dst.data()), 3);
    Buf out(pk::PRO_SIZE);
    auto point = [&](int i) { return std::string(pk::GetText(out.data() + 8 + 20 * i, 20)); };
    ASSERT_EQ(ParseStdHead_ProDat(dst.data(), 1, out.data()), 1);
    EXPECT_EQ(pk::GetI32(out.data(), 4), 2);
    EXPECT_EQ(point(0), "10,0.000");
    EXPECT_EQ(point(1), "20,0.000");
    ASSERT_EQ(ParseStdHead_ProDat(dst.data(), 2, out.data()), 1);
    // Starts at x 0.456 (first above 0.4 x 0.456); x rounded to 2 decimals, y rebased on 7.5.
    EXPECT_EQ(pk::GetI32(out.data(), 4), 2);
    EXPECT_EQ(point(0), "0.46,0.000");
    EXPECT_EQ(point(1), "0.2,1.500");
    // With fraction 1 no point lies above the largest x: nothing is written.
    Buf empty = NewPacket(4);
    EXPECT_EQ(GetProDatAll_Pos(src.data(), empty.data(), 1.0f, 0), 1);
    EXPECT_EQ(pk::HeadCount(empty.data()), 0);
}

} // namespace
