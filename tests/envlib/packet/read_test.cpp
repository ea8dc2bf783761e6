// Readers of the standard packet: result codes, output clearing, limits and
// packets that lie about themselves, read from exactly-sized heap buffers.
#include "packet_testenv.h"

#include <cstring>
#include <functional>
#include <mutex>
#include <string>

using namespace packettest;
namespace pk = dorlix::packet;

namespace {

std::mutex g_traceMutex;
std::vector<std::string> g_traces;
void CaptureTrace(const char* line) {
    std::lock_guard<std::mutex> lock(g_traceMutex);
    g_traces.emplace_back(line);
}

// A header written straight into a buffer: sync, count, length, kind.
void Head(Buf& b, int count, uint32_t length, uint8_t kind, bool sync = true) {
    if (sync) pk::SetSync(b.data());
    pk::SetHeadCount(b.data(), uint16_t(count));
    pk::SetHeadLength(b.data(), length);
    pk::SetHeadKind(b.data(), kind);
}

TEST(ParseStdHead, ValidatesAndCorrectsTheHeader) {
    struct Case {
        const char* name;
        bool sync;
        int count;
        uint32_t length;
        uint8_t kind;
        int result;
        int outCount;
        uint32_t outLength;
        uint8_t outKind;
    };
    const Case cases[] = {
        {"zero buffer", false, 0, 0, 0, -1, 0, 0, 0},
        {"bad sync clears count length kind", false, 5, 99, 40, -1, 0, 0, 0},
        {"empty", true, 0, 21, 40, -2, 0, 0, 0},
        {"count 2500 kind 40 cut", true, 2500, 130021, 40, -3, 2000, 150000, 40},
        {"count 2001 kind 4 cut", true, 2001, 5, 4, -3, 2000, 260000, 4},
        {"plain", true, 3, 177, 40, 1, 3, 177, 40},
        {"kind 4 long", true, 3, 260001, 4, 1, 3, 260000, 4},
        {"kind 40 long", true, 3, 150001, 40, 1, 3, 156, 40},
        {"kind 80 long", true, 3, 150001, 80, 1, 3, 30, 80},
        {"kind 99 at 20000 kept", true, 3, 20000, 99, 1, 3, 20000, 99},
        {"kind 99 at 20001", true, 3, 20001, 99, 1, 3, 6, 99},
        {"kind 100 at 20001", true, 3, 20001, 100, 1, 3, 15, 100},
        {"kind 2 long", true, 3, 150001, 2, 1, 3, 150000, 2},
        {"kind 2 at 150000 kept", true, 3, 150000, 2, 1, 3, 150000, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buf b(pk::HEAD_SIZE, 0);
        b[2] = b[3] = b[4] = b[5] = 1;
        pk::Put16(b.data(), pk::HEAD_FIELD19, 0x0102);
        Head(b, c.count, c.length, c.kind, c.sync);
        Buf h(pk::HEAD_SIZE, 0xCC);
        EXPECT_EQ(ParseStdHead(b.data(), h.data()), c.result);
        EXPECT_EQ(pk::HeadCount(h.data()), c.outCount);
        EXPECT_EQ(pk::HeadLength(h.data()), c.outLength);
        EXPECT_EQ(pk::HeadKind(h.data()), c.outKind);
        EXPECT_EQ(h[0], b[0]); // sync bytes handed out as found
        EXPECT_EQ(h[1], b[1]);
        const bool cleared = c.result == -1 || c.result == -2;
        EXPECT_EQ(h[2], cleared ? 0 : 1);
        EXPECT_EQ(h[5], cleared ? 0 : 1);
        EXPECT_EQ(pk::Get16(h.data(), pk::HEAD_FIELD19), cleared ? 0 : 0x0102);
    }
    Buf h(pk::HEAD_SIZE);
    EXPECT_EQ(ParseStdHead(nullptr, h.data()), 0);
    Buf b = NewPacket(40);
    EXPECT_EQ(ParseStdHead(b.data(), nullptr), -4);
}

// One reader bound to its output size, as the table rows below use them.
struct Reader {
    const char* name;
    uint8_t kind;   // a packet of this kind is what the reader expects
    size_t outSize; // bytes the reader may write
    std::function<int(const void*, void*)> read;
    int notFound;    // result for a miss
    bool missClears; // a miss clears the output
    bool failClears; // -1/-2/-3 clear the output
    int limit;       // reading limit (0: none)
};

const std::vector<Reader>& Readers() {
    static const std::vector<Reader> r = {
        {"Info", 40, 52, [](const void* p, void* o) { return ParseStdHead_Info(p, 77, o); }, 0, true, true,
         2884},
        {"Info_Idx", 40, 52, [](const void* p, void* o) { return ParseStdHead_Info_Idx(p, 9999, o); }, 0,
         true, true, 2884},
        {"Item", 99, 2, [](const void* p, void* o) { return ParseStdHead_Item(p, 499, o); }, 0, true, true,
         3995},
        {"Item_Idx", 99, 2, [](const void* p, void* o) { return ParseStdHead_Item_Idx(p, 9999, o); }, 0, true,
         true, 3995},
        {"Item_New", 100, 5, [](const void* p, void* o) { return ParseStdHead_Item_New(p, 499, o); }, 0, true,
         true, 3995},
        {"Item_New_Idx", 100, 5, [](const void* p, void* o) { return ParseStdHead_Item_New_Idx(p, 9999, o); },
         0, true, true, 3995},
        {"Std", 80, 10, [](const void* p, void* o) { return ParseStdHead_Std(p, 77, o); }, 0, true, true,
         14997},
        {"Std_Idx", 80, 10, [](const void* p, void* o) { return ParseStdHead_Std_Idx(p, 99999, o); }, -5,
         true, true, 14997},
        {"Std_Java", 80, 12, [](const void* p, void* o) { return ParseStdHead_Std_Java(p, 77, o); }, -5, true,
         true, 14997},
        {"Std_Idx_Java", 80, 12,
         [](const void* p, void* o) { return ParseStdHead_Std_Idx_Java(p, 99999, o); }, -5, true, true,
         14997},
        {"ProDat", 4, 10028, [](const void* p, void* o) { return ParseStdHead_ProDat(p, 77, o); }, 0, false,
         true, 25},
        {"ProDatEx", 4, 10028, [](const void* p, void* o) { return ParseStdHead_ProDatEx(p, "none", o); }, 0,
         false, true, 25},
        {"ProDat_Idx", 4, 10028, [](const void* p, void* o) { return ParseStdHead_ProDat_Idx(p, 99, o); }, 0,
         false, false, 25},
    };
    return r;
}

TEST(LookupReaders, ResultCodesAndOutputClearing) {
    pk::SetTraceSink(CaptureTrace);
    for (const Reader& r : Readers()) {
        SCOPED_TRACE(r.name);
        const size_t bufSize = pk::BufferSize(r.kind);
        auto run = [&](Buf& pack, int expect, bool cleared) {
            Buf out(r.outSize, 0xCC);
            EXPECT_EQ(r.read(pack.data(), out.data()), expect);
            EXPECT_EQ(out, Buf(r.outSize, cleared ? 0 : 0xCC));
        };
        Buf zero(bufSize, 0);
        run(zero, -1, r.failClears);
        Buf empty(bufSize, 0);
        Head(empty, 0, 21, r.kind);
        run(empty, -2, r.failClears);
        // One record past the limit: refused before any record is looked at, with the trace line.
        Buf over(bufSize, 0);
        Head(over, r.limit + 1, 21, r.kind);
        g_traces.clear();
        run(over, -3, r.failClears);
        ASSERT_EQ(g_traces.size(), 1u);
        EXPECT_NE(g_traces[0].find(std::string("\xB3\xAC\xB9\xFD\xCF\xB5\xCD\xB3\xC4\xDA\xB4\xE6\xCF\xDE\xD6"
                                               "\xC6------------------------>") +
                                   "ParseStdHead_" + r.name + "\n"),
                  std::string::npos)
            << g_traces[0];
        // At the limit the walk covers the whole buffer, and a miss is a miss.
        Buf full(bufSize, 0);
        Head(full, r.limit, 21, r.kind);
        for (size_t off = 21; off + 2 <= bufSize; off += 2)
            full[off] = 1; // ids that match nothing asked
        run(full, r.notFound, r.missClears);
        // Null arguments.
        Buf out(r.outSize);
        EXPECT_EQ(r.read(nullptr, out.data()), 0);
        EXPECT_EQ(r.read(full.data(), nullptr), -4);
    }
    pk::SetTraceSink(nullptr);
}

TEST(LookupReaders, FindByIdentifierAndPosition) {
    Buf info = KindBuffer(40);
    WriteStdHead_Info(info.data(), 1001, "first");
    WriteStdHead_Info(info.data(), 1002, "second");
    Buf out(52);
    EXPECT_EQ(ParseStdHead_Info(info.data(), 1002, out.data()), 1);
    EXPECT_STREQ((char*)out.data() + 2, "second");
    EXPECT_EQ(ParseStdHead_Info_Idx(info.data(), 0, out.data()), 1);
    EXPECT_EQ(pk::Get16(out.data(), 0), 1001);
    EXPECT_EQ(ParseStdHead_Info_Idx(info.data(), -1, out.data()), 0);

    Buf std = KindBuffer(80);
    WriteStdHead_Std(std.data(), 5, 1.25f, -3.5f);
    Buf s10(10), s12(12);
    EXPECT_EQ(ParseStdHead_Std(std.data(), 5, s10.data()), 1);
    EXPECT_EQ(ParseStdHead_Std_Java(std.data(), 5, s12.data()), 1);
    EXPECT_EQ(pk::GetI32(s12.data(), 0), 5);
    EXPECT_EQ(pk::GetF32(s12.data(), 4), 1.25f);
    EXPECT_EQ(pk::GetF32(s12.data(), 8), -3.5f);
    EXPECT_EQ(ParseStdHead_Std_Idx_Java(std.data(), 0, s12.data()), 1);
    EXPECT_EQ(ParseStdHead_Std(std.data(), 6, s10.data()), 0);
    EXPECT_EQ(ParseStdHead_Std_Java(std.data(), 6, s12.data()), -5);
}

TEST(LookupReaders, InfoReadsCountsAboveTheHeaderCut) {
    // 2500 records: ParseStdHead cuts the count, ParseStdHead_Info still walks them.
    Buf b = KindBuffer(40);
    Head(b, 2500, 21 + 2500 * 52, 40);
    pk::Put16(b.data(), 21 + 2499 * 52, 1234);
    Buf h(21), out(52);
    EXPECT_EQ(ParseStdHead(b.data(), h.data()), -3);
    EXPECT_EQ(pk::HeadCount(h.data()), 2000);
    EXPECT_EQ(pk::HeadLength(h.data()), 150000u);
    EXPECT_EQ(ParseStdHead_Info(b.data(), 1234, out.data()), 1);
    EXPECT_EQ(ParseStdHead_Info_Idx(b.data(), 2499, out.data()), 1);
}

TEST(LookupReaders, ItemReadersFollowTheKind) {
    struct Case {
        const char* name;
        uint8_t kind;
        int index;
        std::string want2, want5; // outputs of the Item and Item_New readers
    };
    Buf k99 = KindBuffer(99);
    WriteStdHead_Item(k99.data(), 201);
    WriteStdHead_Item(k99.data(), 305);
    Buf k100 = KindBuffer(100);
    WriteStdHead_Item_New(k100.data(), 201, -1, 7);
    WriteStdHead_Item_New(k100.data(), 305, 300, 0x41);
    auto bytes = [](std::initializer_list<int> v) {
        std::string s;
        for (int x : v)
            s.push_back(char(x));
        return s;
    };
    for (auto* p : {&k99, &k100}) {
        const bool isNew = p == &k100;
        SCOPED_TRACE(isNew ? "kind 100" : "kind 99");
        Buf o2(2), o5(5, 0xCC);
        EXPECT_EQ(ParseStdHead_Item(p->data(), 305, o2.data()), 1);
        EXPECT_EQ(std::string(o2.begin(), o2.end()), bytes({0x31, 0x01}));
        EXPECT_EQ(ParseStdHead_Item_Idx(p->data(), 1, o2.data()), 1);
        EXPECT_EQ(std::string(o2.begin(), o2.end()), bytes({0x31, 0x01}));
        EXPECT_EQ(ParseStdHead_Item_New(p->data(), 305, o5.data()), 1);
        EXPECT_EQ(std::string(o5.begin(), o5.end()),
                  isNew ? bytes({0x31, 0x01, 0x2C, 0x01, 0x41}) : bytes({0x31, 0x01, 0, 0, 0}));
        EXPECT_EQ(ParseStdHead_Item_New_Idx(p->data(), 0, o5.data()), 1);
        EXPECT_EQ(std::string(o5.begin(), o5.end()),
                  isNew ? bytes({0xC9, 0, 0xFF, 0xFF, 7}) : bytes({0xC9, 0, 0, 0, 0}));
        EXPECT_EQ(ParseStdHead_Item(p->data(), 306, o2.data()), 0);
        EXPECT_EQ(ParseStdHead_Item_New_Idx(p->data(), 2, o5.data()), 0);
        EXPECT_EQ(o5, Buf(5, 0));
    }
}

TEST(LookupReaders, ProcessDataByIdNameAndPosition) {
    Buf pack = NewPacket(4);
    Buf data(pk::PRODATA_WRITE_SIZE, 0);
    pk::Put32(data.data(), 0, 1);
    std::strcpy((char*)data.data() + 4, "1,2");
    EXPECT_EQ(WriteStdHead_ProDatEx(pack.data(), "abc", data.data()), 2);
    EXPECT_EQ(WriteStdHead_ProDat(pack.data(), 42, data.data()), 2);
    Buf out(pk::PRO_SIZE, 0xCC);
    EXPECT_EQ(ParseStdHead_ProDatEx(pack.data(), "ABC", out.data()), 1);
    EXPECT_EQ(pk::GetText(out.data() + pk::PRO_NAME, 20), "abc");
    EXPECT_EQ(ParseStdHead_ProDat(pack.data(), 42, out.data()), 1);
    EXPECT_EQ(pk::GetI32(out.data(), 0), 42);
    EXPECT_EQ(ParseStdHead_ProDat_Idx(pack.data(), 0, out.data()), 1);
    EXPECT_EQ(pk::GetText(out.data() + pk::PRO_NAME, 20), "abc");
    EXPECT_EQ(ParseStdHead_ProDatEx(pack.data(), "ab", out.data()), 0);
    EXPECT_EQ(ParseStdHead_ProDatEx(pack.data(), nullptr, out.data()), 0);
    // A name field without terminator is compared within its 20 bytes.
    std::memset(pack.data() + 21 + pk::PRO_NAME, 'n', 20);
    EXPECT_EQ(ParseStdHead_ProDatEx(pack.data(), std::string(20, 'N').c_str(), out.data()), 1);
}

// A result packet built by hand: kind, and records as (id, text, judge, form) —
// form is only stored in framed records; damaged marks are set afterwards.
struct R {
    int id;
    const char* text;
    int judge;
    int form;
};
Buf ResultPacket(uint8_t kind, std::initializer_list<R> recs) {
    Buf b = NewPacket(kind);
    for (const R& r : recs)
        EXPECT_EQ(WriteStdHead_Result(b.data(), r.id, r.text, uint8_t(r.judge), r.form), 2);
    return b;
}

TEST(ResultReaders, ClassOfTheFoundIdentifier) {
    const std::pair<int, int> cases[] = {{7099, 1},  {7100, 10}, {9000, 10}, {9001, 1}, {9499, 1},
                                         {9500, 10}, {9999, 10}, {10000, 1}, {1000, 1}};
    for (uint8_t kind : {1, 2, 3}) {
        Buf b = NewPacket(kind);
        for (auto [id, cls] : cases)
            WriteStdHead_Result(b.data(), id, "v", 1, 1);
        int i = 0;
        for (auto [id, cls] : cases) {
            SCOPED_TRACE(testing::Message() << "kind " << int(kind) << " id " << id);
            Buf out(103);
            int form = -9;
            EXPECT_EQ(ParseStdHead_Result(b.data(), id, out.data(), &form), cls);
            EXPECT_EQ(form, kind == 3 ? 1 : kind);
            EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), i++, out.data(), &form), cls);
            EXPECT_EQ(pk::Get16(out.data(), 0), id);
        }
    }
}

TEST(ResultReaders, FramedRecordsOutputTheirForm) {
    Buf b =
        ResultPacket(3, {{1001, "0123456789abcdef", 0x41, 1}, {1002, "long text of the result", 0x12, 2}});
    Buf out(103, 0xCC);
    int form = 0;
    EXPECT_EQ(ParseStdHead_Result(b.data(), 1001, out.data(), &form), 1);
    EXPECT_EQ(form, 1);
    EXPECT_EQ(pk::GetText(out.data() + 2, 10), "012345678"); // first 9 characters
    EXPECT_EQ(out[12], 0x41);
    EXPECT_EQ(out[13], 0xCC); // a short record leaves the rest of out alone
    EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 1, out.data(), &form), 1);
    EXPECT_EQ(form, 2);
    EXPECT_EQ(pk::GetText(out.data() + 2, 100), "long text of the result");
    EXPECT_EQ(out[102], 0x12);

    char text[100];
    int judge = 0, id = 0;
    EXPECT_EQ(ParseStdHead_ResultAll(b.data(), 1002, text, &judge), 2);
    EXPECT_STREQ(text, "long text of the result");
    EXPECT_EQ(judge, 0x12);
    EXPECT_EQ(ParseStdHead_ResultAll_Idx_Java(b.data(), 0, &id, text, &judge), 1);
    EXPECT_EQ(id, 1001);
    EXPECT_STREQ(text, "012345678");
    EXPECT_EQ(ParseStdHead_ResultAll_Java(b.data(), 1001, text, &judge), 1);
}

TEST(ResultReaders, DamagedAndForeignRecords) {
    struct Case {
        const char* name;
        size_t offset; // within record 0
        unsigned char value;
    };
    const Case damage[] = {{"start mark", 0, 0},
                           {"second start mark", 1, 0xBA},
                           {"end mark", 209, 0},
                           {"last end mark", 210, 0xEF}};
    for (const Case& c : damage) {
        SCOPED_TRACE(c.name);
        Buf b = ResultPacket(3, {{1001, "a", 1, 1}, {1002, "b", 1, 1}});
        b[21 + c.offset] = c.value;
        Buf out(103);
        int form = 0;
        EXPECT_EQ(ParseStdHead_Result(b.data(), 1001, out.data(), &form), 0);
        EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 0, out.data(), &form), 0);
        EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 1, out.data(), &form), 1); // positions do not shift
    }
    // A framed record of an unknown form is skipped; the position reader reports form 0.
    Buf b = ResultPacket(3, {{1001, "a", 1, 1}});
    pk::Put32(b.data(), 21 + 2, 7);
    Buf out(103);
    int form = 5;
    EXPECT_EQ(ParseStdHead_Result(b.data(), 1001, out.data(), &form), 0);
    EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 0, out.data(), &form), 0);
    EXPECT_EQ(form, 0);
    char text[100];
    int judge = 0;
    EXPECT_EQ(ParseStdHead_ResultAll(b.data(), 1001, text, &judge), -2);
    // A packet of another kind holds no results.
    Buf info = KindBuffer(40);
    WriteStdHead_Info(info.data(), 1001, "x");
    EXPECT_EQ(ParseStdHead_Result(info.data(), 1001, out.data(), &form), 0);
}

TEST(ResultReaders, ArgumentsAndBadSync) {
    Buf zero = KindBuffer(1);
    Buf out(103, 0xCC);
    int form = 0, judge = 0, id = 0;
    char text[100];
    EXPECT_EQ(ParseStdHead_Result(zero.data(), 1, out.data(), &form), -1);
    // Only the first 21 bytes are cleared.
    EXPECT_EQ(Buf(out.begin(), out.begin() + 21), Buf(21, 0));
    EXPECT_EQ(out[21], 0xCC);
    EXPECT_EQ(ParseStdHead_Result_Idx(zero.data(), 0, out.data(), &form), -1);
    EXPECT_EQ(ParseStdHead_Result_Idx_Old(zero.data(), 0, out.data(), &form), -1);
    EXPECT_EQ(ParseStdHead_Result(nullptr, 1, out.data(), &form), 0);
    Buf b = ResultPacket(1, {{1001, "a", 1, 1}});
    EXPECT_EQ(ParseStdHead_Result(b.data(), 1001, nullptr, &form), -4);
    EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 0, out.data(), nullptr), 1); // form is optional
    EXPECT_EQ(ParseStdHead_ResultAll(b.data(), 1001, nullptr, &judge), -1);
    EXPECT_EQ(ParseStdHead_ResultAll_Idx(b.data(), 0, &id, nullptr, &judge), -1);
    EXPECT_EQ(ParseStdHead_ResultAll(b.data(), 1002, text, &judge), -2);
    EXPECT_EQ(ParseStdHead_ResultAll(zero.data(), 1001, text, &judge), -2);
    EXPECT_EQ(ParseStdHead_ResultAll_Idx(b.data(), 1, &id, text, &judge), -2);
}

// Result readers trust the count; the walk still ends at the result buffer.
TEST(ResultReaders, LyingCountStaysInsideTheBuffer) {
    for (uint8_t kind : {1, 2, 3}) {
        SCOPED_TRACE(int(kind));
        Buf b = KindBuffer(kind);
        Head(b, 65535, 150000, kind);
        std::memset(b.data() + 21, 0x11, b.size() - 21);
        Buf out(103);
        int form = 0;
        EXPECT_EQ(ParseStdHead_Result(b.data(), 4, out.data(), &form), 0);
        EXPECT_EQ(ParseStdHead_Result_Idx(b.data(), 60000, out.data(), &form), 0);
        EXPECT_EQ(ParseStdHead_Result_Idx_Old(b.data(), 60000, out.data(), &form), 0);
    }
}

TEST(ResultReaders, OldFormat) {
    // Kind 3, typed records: short, long, short.
    Buf b = KindBuffer(3);
    Head(b, 3, 0, 3);
    size_t off = 21;
    auto put = [&](int type, int id, const char* text, int judge) {
        b[off++] = uint8_t(type);
        const size_t size = type == 1 ? 13 : 103;
        pk::Put16(b.data(), off, uint16_t(id));
        std::strcpy((char*)b.data() + off + 2, text);
        b[off + size - 1] = uint8_t(judge);
        off += size;
    };
    put(1, 1001, "s1", 1);
    put(2, 1002, "long", 2);
    put(1, 1003, "s3", 3);
    struct Case {
        int index, result, form, id, judge;
    };
    const Case cases[] = {{0, 1, 1, 1001, 1}, {1, 1, 2, 1002, 2}, {2, 1, 1, 1003, 3}, {3, 0, -1, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Buf out(103, 0);
        int form = -1;
        EXPECT_EQ(ParseStdHead_Result_Idx_Old(b.data(), c.index, out.data(), &form), c.result);
        EXPECT_EQ(form, c.form);
        if (c.result != 1) continue;
        EXPECT_EQ(pk::Get16(out.data(), 0), c.id);
        EXPECT_EQ(out[c.form == 1 ? 12 : 102], c.judge);
    }
    // A bad type byte ends the walk.
    b[21 + 14] = 9;
    Buf out(103);
    int form = 0;
    EXPECT_EQ(ParseStdHead_Result_Idx_Old(b.data(), 0, out.data(), &form), 1);
    EXPECT_EQ(ParseStdHead_Result_Idx_Old(b.data(), 2, out.data(), &form), 0);
    // Kind 1 and 2 packets are read as plain short records.
    Buf k1 = ResultPacket(1, {{5, "a", 1, 1}, {6, "b", 2, 1}});
    EXPECT_EQ(ParseStdHead_Result_Idx_Old(k1.data(), 1, out.data(), &form), 1);
    EXPECT_EQ(pk::Get16(out.data(), 0), 6);
    EXPECT_EQ(form, 1);
}

// Every reader on a zero-filled buffer: not a packet.
TEST(AllReaders, ZeroBufferIsNotAPacket) {
    Buf z = KindBuffer(4);
    Buf out(pk::PRO_SIZE);
    int form = 0, judge = 0, id = 0;
    char text[100];
    const std::pair<const char*, int> results[] = {
        {"ParseStdHead", ParseStdHead(z.data(), out.data())},
        {"Info", ParseStdHead_Info(z.data(), 0, out.data())},
        {"Info_Idx", ParseStdHead_Info_Idx(z.data(), 0, out.data())},
        {"Item", ParseStdHead_Item(z.data(), 0, out.data())},
        {"Item_Idx", ParseStdHead_Item_Idx(z.data(), 0, out.data())},
        {"Item_New", ParseStdHead_Item_New(z.data(), 0, out.data())},
        {"Item_New_Idx", ParseStdHead_Item_New_Idx(z.data(), 0, out.data())},
        {"Std", ParseStdHead_Std(z.data(), 0, out.data())},
        {"Std_Idx", ParseStdHead_Std_Idx(z.data(), 0, out.data())},
        {"Std_Java", ParseStdHead_Std_Java(z.data(), 0, out.data())},
        {"Std_Idx_Java", ParseStdHead_Std_Idx_Java(z.data(), 0, out.data())},
        {"ProDat", ParseStdHead_ProDat(z.data(), 0, out.data())},
        {"ProDatEx", ParseStdHead_ProDatEx(z.data(), "", out.data())},
        {"ProDat_Idx", ParseStdHead_ProDat_Idx(z.data(), 0, out.data())},
        {"Result", ParseStdHead_Result(z.data(), 0, out.data(), &form)},
        {"Result_Idx", ParseStdHead_Result_Idx(z.data(), 0, out.data(), &form)},
        {"Result_Idx_Old", ParseStdHead_Result_Idx_Old(z.data(), 0, out.data(), &form)},
    };
    for (auto [name, r] : results)
        EXPECT_EQ(r, -1) << name;
    // The text readers fold every failure of the result reader into -2.
    EXPECT_EQ(ParseStdHead_ResultAll(z.data(), 0, text, &judge), -2);
    EXPECT_EQ(ParseStdHead_ResultAll_Idx(z.data(), 0, &id, text, &judge), -2);
}

} // namespace
