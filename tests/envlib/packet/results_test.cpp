// Result handling on whole packets: judgement texts, conversions between the
// result layouts, merges, duplicate removal, sorting and the engineering
// display form. Packets live in heap buffers of exactly the size of their
// kind, so that a walk past the end shows under the address sanitizer.
#include "core/lifecycle.h"

#include <dorlix.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "station.h"

namespace {

constexpr size_t kResultBuffer = 150000;
constexpr size_t kItemBuffer = 20000;
constexpr size_t kProBuffer = 260000;

using Bytes = std::vector<unsigned char>;

class ResultPackets : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        station_ = std::make_unique<vz5test::Station>("dorlix-results");
        ASSERT_TRUE(dorlix::Attach());
    }
    static void TearDownTestSuite() {
        dorlix::Detach();
        station_.reset();
    }
    static inline std::unique_ptr<vz5test::Station> station_;
};

// A result as the tests describe it; form 1 short, 2 long.
struct R {
    int id;
    std::string text;
    int judge;
    int form;
    bool operator==(const R&) const = default;
};
std::ostream& operator<<(std::ostream& os, const R& r) {
    return os << "{" << r.id << ",'" << r.text << "'," << r.judge << "," << r.form << "}";
}

Bytes Head(int kind) {
    Bytes head(21, 0);
    head[2] = head[3] = head[4] = 1;
    head[14] = static_cast<unsigned char>(kind);
    return head;
}

// A result packet of the kind written with the library's writers.
Bytes ResultPacket(int kind, const std::vector<R>& results) {
    Bytes pack(kResultBuffer, 0);
    Bytes head = Head(kind);
    EXPECT_EQ(WriteStdHead(pack.data(), head.data()), 1);
    for (const auto& r : results)
        EXPECT_GT(WriteStdHead_Result(pack.data(), r.id, r.text.c_str(), static_cast<unsigned char>(r.judge),
                                      r.form),
                  0)
            << r;
    return pack;
}

int Count(const Bytes& pack) {
    return pack[12] | (pack[13] << 8);
}
int Kind(const Bytes& pack) {
    return pack[14];
}
uint32_t Length(const Bytes& pack) {
    return pack[8] | (pack[9] << 8) | (pack[10] << 16) | (uint32_t(pack[11]) << 24);
}

// Every result of the packet by position, as the readers hand it out.
std::vector<R> ReadAll(const Bytes& pack) {
    std::vector<R> all;
    for (int i = 0; i < Count(pack); ++i) {
        unsigned char out[103] = {};
        int form = 0;
        if (ParseStdHead_Result_Idx(pack.data(), i, out, &form) <= 0) break;
        int id = out[0] | (out[1] << 8);
        if (form == 1)
            all.push_back(
                {id, std::string(reinterpret_cast<char*>(out + 2), strnlen((char*)out + 2, 10)), out[12], 1});
        else
            all.push_back({id, std::string(reinterpret_cast<char*>(out + 2), strnlen((char*)out + 2, 100)),
                           out[102], 2});
    }
    return all;
}

TEST_F(ResultPackets, JudgementTexts) {
    // GB2312: 未检 合格 否决 建议 不判 一级 二级 三级 不合格
    const std::string none = "\xCE\xB4\xBC\xEC", pass = "\xBA\xCF\xB8\xF1", veto = "\xB7\xF1\xBE\xF6",
                      advice = "\xBD\xA8\xD2\xE9", nojudge = "\xB2\xBB\xC5\xD0", g1 = "\xD2\xBB\xBC\xB6",
                      g2 = "\xB6\xFE\xBC\xB6", g3 = "\xC8\xFD\xBC\xB6", fail = "\xB2\xBB\xBA\xCF\xB8\xF1";
    struct Case {
        int judge, mode;
        std::string want;
    } cases[] = {
        {0x41, 0, pass + "/" + pass},
        {0x12, 0, veto + "/" + g1},
        {0x07, 0, none + "/" + none},
        {0x23, 0, advice + "/" + g2},
        {0x34, 0, nojudge + "/" + g3},
        {0x55, 0, none + "/" + fail},
        {0x60, 0, none + "/" + none},
        {0xF1, 0, pass + "/" + none},
        {0x00, 0, none + "/" + none},
        {0x12, 1, veto},
        {0x12, 2, g1},
        {0x12, 5, "Mode??"},
        {0x12, -1, "Mode??"},
        {0x1F0, 2, none},
    };
    for (const auto& c : cases) {
        char out[64] = "garbage";
        EXPECT_EQ(GetJudgeString(c.judge, out, c.mode), c.judge);
        EXPECT_EQ(out, c.want) << std::hex << c.judge << " mode " << c.mode;
    }
    EXPECT_EQ(GetJudgeString(0x41, nullptr, 0), -1);
}

TEST_F(ResultPackets, EngineeringDisplayForm) {
    struct Case {
        float value;
        const char* unit;
        int width, decimals, result;
        const char* want;
    } cases[] = {
        {0.0123f, "V", 10, -1, 0, "12.3mV"},
        {12345.0f, "V", 10, -1, 0, "12.345KV"},
        {0.0f, "V", 10, 2, 0, "0.00V"},
        {0.0f, "V", 10, -1, 0, "0V"},
        {1e-13f, "A", 3, -1, 0, "0A"}, // zero comes before the width check
        {1.5f, "mm", 4, -1, 1, "untouched"},
        {-0.0123f, "V", 10, -1, 0, "-12.3mV"},
        {123.456f, "V", 10, -1, 0, "123.46V"}, // cut to 5 significant digits
        {0.5f, "V", 10, -1, 0, "0.5V"},
        {12345.0f, "V", 10, 2, 0, "12.3KV"}, // one decimal less per prefix step
        {0.0123f, "V", 10, 3, 0, "12.30mV"},
        {5e9f, "V", 10, -1, 0, "5GV"},
        {2e-12f, "V", 10, -1, 0, "2pV"},
        {0.00045f, "s", 8, -1, 0, "450us"},
        {-123456.0f, "V", 5, -1, 1, ""},  // does not fit: emptied
        {5e13f, "V", 6, -1, 0, "9999GV"}, // beyond the largest prefix: the largest number that fits
    };
    for (const auto& c : cases) {
        char out[64] = "untouched";
        EXPECT_EQ(AutoV_UStr(out, c.value, c.unit, c.width, c.decimals), c.result) << c.value;
        EXPECT_STREQ(out, c.want) << c.value << " " << c.unit << " " << c.width << " " << c.decimals;
    }
    EXPECT_EQ(AutoV_UStr(nullptr, 1.0f, "V", 10, -1), 1);
}

TEST_F(ResultPackets, CompatibleFormsByIdentifier) {
    Bytes pack = ResultPacket(3, {{5200, "long", 1, 2},
                                  {5194, "kept", 2, 2},
                                  {5000, "edge", 1, 2},
                                  {5999, "edge", 1, 2},
                                  {5316, "listed", 1, 2},
                                  {5317, "unlisted", 1, 2},
                                  {6000, "outside", 3, 2},
                                  {1000, "short", 1, 1}});
    EXPECT_EQ(CnvStdHead_Result_Compatible(pack.data()), 1);
    std::vector<R> want = {{5200, "long", 1, 1},    {5194, "kept", 2, 2},   {5000, "edge", 1, 1},
                           {5999, "edge", 1, 1},    {5316, "listed", 1, 2}, {5317, "unlisted", 1, 1},
                           {6000, "outside", 3, 2}, {1000, "short", 1, 1}};
    // A framed record marked short hands out at most 9 characters.
    for (auto& r : want)
        if (r.form == 1) r.text = r.text.substr(0, 9);
    EXPECT_EQ(ReadAll(pack), want);

    Bytes plain = ResultPacket(2, {{5200, "long text", 1, 2}});
    Bytes before = plain;
    EXPECT_EQ(CnvStdHead_Result_Compatible(plain.data()), 1);
    EXPECT_EQ(plain, before); // only framed packets store a form

    Bytes zero(kResultBuffer, 0);
    EXPECT_EQ(CnvStdHead_Result_Compatible(zero.data()), 0);
    EXPECT_EQ(CnvStdHead_Result_Compatible(nullptr), 0);
}

TEST_F(ResultPackets, PacketConvertedInPlaceToFramedRecords) {
    struct Case {
        int kind;
        std::vector<R> in, out;
    } cases[] = {
        {1, {{7, "a", 1, 1}, {60000, "dropped", 2, 1}, {3, "b", 2, 1}}, {{7, "a", 1, 1}, {3, "b", 2, 1}}},
        {2, {{50000, "kept", 0x41, 2}, {50001, "gone", 1, 2}}, {{50000, "kept", 0x41, 2}}},
        {3, {{9, "x", 1, 2}, {8, "y", 1, 1}}, {{9, "x", 1, 2}, {8, "y", 1, 1}}},
    };
    for (const auto& c : cases) {
        Bytes pack = ResultPacket(c.kind, c.in);
        EXPECT_EQ(CnvResultPack2StdPack(pack.data()), 1);
        EXPECT_EQ(Kind(pack), 3);
        EXPECT_EQ(ReadAll(pack), c.out) << "kind " << c.kind;
        EXPECT_EQ(Length(pack), 21 + 211 * c.out.size());
    }
    Bytes zero(kResultBuffer, 0);
    EXPECT_EQ(CnvResultPack2StdPack(zero.data()), 0);
    EXPECT_EQ(CnvResultPack2StdPack(nullptr), 0);
}

TEST_F(ResultPackets, ConvertedIntoANewFramedPacket) {
    Bytes src = ResultPacket(2, {{12, "long one", 0x12, 2}, {65000, "dropped", 1, 2}, {13, "", 0, 2}});
    src[2] = 5, src[3] = 6, src[4] = 7, src[5] = 8, src[19] = 0x34, src[20] = 0x12;
    Bytes dst(kResultBuffer, 0xCC);
    EXPECT_EQ(CnvStdHead_Result(src.data(), dst.data()), 1);
    EXPECT_EQ(dst[0], 0x55);
    EXPECT_EQ(dst[1], 0xAA);
    EXPECT_EQ(dst[2], 1); // flag 2 set, flags 3..5 copied
    EXPECT_EQ(dst[3], 6);
    EXPECT_EQ(dst[4], 7);
    EXPECT_EQ(dst[5], 8);
    EXPECT_EQ(Kind(dst), 3);
    EXPECT_EQ(dst[19], 0);
    EXPECT_EQ(dst[20], 0);
    EXPECT_EQ(ReadAll(dst), (std::vector<R>{{12, "long one", 0x12, 2}, {13, "", 0, 2}}));

    EXPECT_EQ(CnvStdHead_Result(src.data(), nullptr), 0);
    Bytes zero(kResultBuffer, 0);
    EXPECT_EQ(CnvStdHead_Result(zero.data(), dst.data()), 0);
    EXPECT_EQ(CnvStdHead_Result(nullptr, dst.data()), 0);
}

TEST_F(ResultPackets, OldFormatConvertedToFramedRecords) {
    // Kind 3 in the old format: a type byte before each short or long record.
    Bytes src(kResultBuffer, 0);
    Bytes head = Head(3);
    ASSERT_EQ(WriteStdHead(src.data(), head.data()), 1);
    size_t at = 21;
    src[at++] = 1; // short
    src[at] = 21, src[at + 1] = 0;
    memcpy(&src[at + 2], "old", 3);
    src[at + 12] = 1;
    at += 13;
    src[at++] = 2;                      // long
    src[at] = 0x2C, src[at + 1] = 0x01; // 300
    memcpy(&src[at + 2], "old long", 8);
    src[at + 102] = 2;
    at += 103;
    src[12] = 2;
    src[8] = static_cast<unsigned char>(at);
    Bytes dst(kResultBuffer, 0);
    EXPECT_EQ(CnvStdHead_Result(src.data(), dst.data()), 1);
    EXPECT_EQ(ReadAll(dst), (std::vector<R>{{21, "old", 1, 1}, {300, "old long", 2, 2}}));
}

// Merges of record packets: dst starts empty (zero) or as a packet with a record already in it.
TEST_F(ResultPackets, RecordMergesIntoEmptyAndFilledPackets) {
    // Items.
    Bytes src(kItemBuffer, 0), dst(kItemBuffer, 0);
    for (int id : {200, 201})
        WriteStdHead_Item(src.data(), id);
    EXPECT_EQ(Combin_ItemData(dst.data(), src.data()), 1);
    EXPECT_EQ(Kind(dst), 0); // started from the cleared header of a non-packet
    EXPECT_EQ(Count(dst), 2);
    Bytes src2(kItemBuffer, 0);
    for (int id : {201, 202})
        WriteStdHead_Item(src2.data(), id);
    EXPECT_EQ(Combin_ItemData(dst.data(), src2.data()), 1);
    ASSERT_EQ(Count(dst), 3);
    for (int i = 0; i < 3; ++i) {
        unsigned char id[2];
        ASSERT_EQ(ParseStdHead_Item_Idx(dst.data(), i, id), 1);
        EXPECT_EQ(id[0] | (id[1] << 8), 200 + i);
    }

    // Items with check number and judgement: an existing item takes the values of src.
    Bytes nsrc(kItemBuffer, 0), ndst(kItemBuffer, 0);
    WriteStdHead_Item_New(ndst.data(), 300, 1, 1);
    WriteStdHead_Item_New(nsrc.data(), 300, -5, 0x41);
    WriteStdHead_Item_New(nsrc.data(), 301, 7, 2);
    EXPECT_EQ(Combin_ItemNewData(ndst.data(), nsrc.data()), 1);
    EXPECT_EQ(Kind(ndst), 100);
    unsigned char rec[5];
    ASSERT_EQ(ParseStdHead_Item_New(ndst.data(), 300, rec), 1);
    EXPECT_EQ(int16_t(rec[2] | (rec[3] << 8)), -5);
    EXPECT_EQ(rec[4], 0x41);
    ASSERT_EQ(ParseStdHead_Item_New(ndst.data(), 301, rec), 1);
    EXPECT_EQ(rec[2], 7);
    EXPECT_EQ(Count(ndst), 2);

    // Standard limits.
    Bytes ssrc(kResultBuffer, 0), sdst(kResultBuffer, 0);
    WriteStdHead_Std(ssrc.data(), 17, 1.5f, -2.25f);
    EXPECT_EQ(Combin_StdData(sdst.data(), ssrc.data()), 1);
    unsigned char std10[10];
    ASSERT_EQ(ParseStdHead_Std(sdst.data(), 17, std10), 1);
    float first, second;
    memcpy(&first, std10 + 2, 4);
    memcpy(&second, std10 + 6, 4);
    EXPECT_EQ(first, 1.5f);
    EXPECT_EQ(second, -2.25f);

    // Information texts: the text of src replaces the one in dst.
    Bytes isrc(kResultBuffer, 0), idst(kResultBuffer, 0);
    WriteStdHead_Info(idst.data(), 1073, "old");
    WriteStdHead_Info(idst.data(), 1001, "kept");
    WriteStdHead_Info(isrc.data(), 1073, std::string(49, 'n').c_str());
    EXPECT_EQ(Combin_VehicleData(idst.data(), isrc.data()), 1);
    unsigned char info[52];
    ASSERT_EQ(ParseStdHead_Info(idst.data(), 1073, info), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(info + 2)), std::string(49, 'n'));
    ASSERT_EQ(ParseStdHead_Info(idst.data(), 1001, info), 1);
    EXPECT_STREQ(reinterpret_cast<char*>(info + 2), "kept");
}

TEST_F(ResultPackets, ProcessDataMerge) {
    Bytes src(kProBuffer, 0), dst(kProBuffer, 0);
    Bytes head = Head(4);
    WriteStdHead(src.data(), head.data());
    WriteStdHead(dst.data(), head.data());
    Bytes data(9964, 0);
    auto curve = [&](int points, int base) {
        std::fill(data.begin(), data.end(), 0);
        data[0] = static_cast<unsigned char>(points);
        data[1] = static_cast<unsigned char>(points >> 8);
        for (int i = 0; i < points; ++i)
            snprintf(reinterpret_cast<char*>(&data[4 + 20 * i]), 20, "%d,%d", i, base + i);
    };
    curve(498, 100);
    ASSERT_EQ(WriteStdHead_ProDat(src.data(), 41, data.data()), 2);
    curve(3, 0);
    ASSERT_EQ(WriteStdHead_ProDat(dst.data(), 41, data.data()), 2);
    ASSERT_EQ(WriteStdHead_ProDat(dst.data(), 42, data.data()), 2);
    EXPECT_EQ(Combin_ProData(dst.data(), src.data()), 1);
    EXPECT_EQ(Count(dst), 2);
    Bytes rec(10028, 0);
    ASSERT_EQ(ParseStdHead_ProDat(dst.data(), 41, rec.data()), 1);
    EXPECT_EQ(rec[4] | (rec[5] << 8), 498);
    EXPECT_STREQ(reinterpret_cast<char*>(&rec[8 + 20 * 497]), "497,597");
}

TEST_F(ResultPackets, MergeArgumentResults) {
    using Merge = int (*)(void*, const void*);
    struct Case {
        const char* name;
        Merge merge;
        size_t size;
        int srcNull, dstNull;
    } cases[] = {
        {"Combin_ItemData", Combin_ItemData, kItemBuffer, -1, -2},
        {"Combin_ItemNewData", Combin_ItemNewData, kItemBuffer, -1, -2},
        {"Combin_StdData", Combin_StdData, kResultBuffer, -1, -2},
        {"Combin_VehicleData", Combin_VehicleData, kResultBuffer, -2, -1},
        {"Combin_ProData", Combin_ProData, kProBuffer, -2, -1},
        {"Combin_ResultData", Combin_ResultData, kResultBuffer, -1, -1},
    };
    for (const auto& c : cases) {
        Bytes dst(c.size, 0), src(c.size, 0);
        EXPECT_EQ(c.merge(dst.data(), nullptr), c.srcNull) << c.name;
        EXPECT_EQ(c.merge(nullptr, src.data()), c.dstNull) << c.name;
        EXPECT_EQ(c.merge(dst.data(), src.data()), 0) << c.name << ": src no packet";
        Bytes head = Head(1);
        WriteStdHead(src.data(), head.data());
        EXPECT_EQ(c.merge(dst.data(), src.data()), 0) << c.name << ": src empty";
    }
}

TEST_F(ResultPackets, ResultMerge) {
    // Into a zero buffer: a framed packet; identifiers below 1000 stay out.
    Bytes src = ResultPacket(1, {{999, "low", 1, 1}, {1000, "first", 1, 1}, {2000, "both", 2, 1}});
    Bytes dst(kResultBuffer, 0);
    EXPECT_EQ(Combin_ResultData(dst.data(), src.data()), 1);
    EXPECT_EQ(Kind(dst), 3);
    EXPECT_EQ(ReadAll(dst), (std::vector<R>{{1000, "first", 1, 1}, {2000, "both", 2, 1}}));

    // A result in both packets ends up once, with the text of src; duplicates of dst collapse.
    Bytes dst2 = ResultPacket(2, {{2000, "dst text", 4, 2}, {3000, "only dst", 1, 2}});
    Bytes src2 = ResultPacket(2, {{2000, "src text", 1, 2}, {4000, "only src", 2, 2}});
    EXPECT_EQ(Combin_ResultData(dst2.data(), src2.data()), 1);
    EXPECT_EQ(Kind(dst2), 3);
    EXPECT_EQ(ReadAll(dst2),
              (std::vector<R>{{2000, "src text", 1, 2}, {3000, "only dst", 1, 2}, {4000, "only src", 2, 2}}));
    EXPECT_EQ(Length(dst2), 21u + 3 * 211);
}

TEST_F(ResultPackets, DuplicatesInTheDestinationKeepTheirFirstOccurrence) {
    // Two records of one identifier can only come from outside the writers: build them by hand.
    Bytes dst = ResultPacket(1, {{1500, "one", 1, 1}, {1600, "two", 2, 1}});
    memcpy(&dst[21 + 2 * 13], &dst[21], 13); // third record: copy of the first
    dst[21 + 2 * 13 + 2] = 'X';
    dst[12] = 3;
    dst[8] = 21 + 3 * 13;
    Bytes src = ResultPacket(1, {{1700, "three", 0, 1}});
    EXPECT_EQ(Combin_ResultData(dst.data(), src.data()), 1);
    EXPECT_EQ(ReadAll(dst),
              (std::vector<R>{{1500, "one", 1, 1}, {1600, "two", 2, 1}, {1700, "three", 0, 1}}));
}

TEST_F(ResultPackets, Sorting) {
    Bytes framed = ResultPacket(3, {{7, "seven", 1, 2}, {3, "three", 2, 1}, {5, "five", 3, 2}});
    // A repeated identifier, as only a foreign writer leaves it: copy the first record to the end.
    memcpy(&framed[21 + 3 * 211], &framed[21], 211);
    framed[21 + 3 * 211 + 8] = 'X';
    framed[12] = 4;
    uint32_t len = 21 + 4 * 211;
    memcpy(&framed[8], &len, 4);
    EXPECT_EQ(SortResult(framed.data()), 1);
    EXPECT_EQ(Count(framed), 3);
    EXPECT_EQ(ReadAll(framed), (std::vector<R>{{3, "three", 2, 1}, {5, "five", 3, 2}, {7, "seven", 1, 2}}));

    // Short and long packets would grow when framed: left as they are.
    for (int kind : {1, 2}) {
        Bytes plain = ResultPacket(kind, {{9, "nine", 1, kind}, {2, "two", 1, kind}});
        Bytes before = plain;
        EXPECT_EQ(SortResult(plain.data()), 1) << kind;
        EXPECT_EQ(plain, before) << kind;
    }

    Bytes zero(kResultBuffer, 0);
    EXPECT_EQ(SortResult(zero.data()), -1);
    Bytes empty = ResultPacket(3, {});
    EXPECT_EQ(SortResult(empty.data()), -2);
    EXPECT_EQ(SortResult(nullptr), 0);
}

// Counts that promise more records than the buffer of the kind can hold: every
// operation stays inside the 150000 bytes (the sanitizer build shows it).
TEST_F(ResultPackets, LyingCountsStayInsideTheBuffer) {
    for (int kind : {1, 2, 3}) {
        Bytes pack =
            ResultPacket(kind, {{1200, "a", 1, kind == 1 ? 1 : 2}, {1100, "b", 1, kind == 1 ? 1 : 2}});
        pack[12] = 0xD0, pack[13] = 0x07; // 2000 records announced
        Bytes work = pack;
        SortResult(work.data());
        work = pack;
        CnvResultPack2StdPack(work.data());
        work = pack;
        CnvStdHead_Result_Compatible(work.data());
        Bytes dst(kResultBuffer, 0);
        CnvStdHead_Result(pack.data(), dst.data());
        dst.assign(kResultBuffer, 0);
        Combin_ResultData(dst.data(), pack.data());
        EXPECT_EQ(Count(dst), 2) << kind; // the zero records beyond are identifier 0, below 1000
        dst = pack;
        Bytes src = ResultPacket(3, {{1300, "c", 1, 2}});
        Combin_ResultData(dst.data(), src.data());
    }
}

} // namespace
