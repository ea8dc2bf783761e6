// Random sequences of writes and removals on every kind, checked after each
// step against a plain model of the packet (which records, in which order,
// with which values) through every reader. Fixed seeds, bounded steps.
#include "packet_testenv.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

using namespace packettest;
namespace pk = dorlix::packet;

namespace {

struct Rec {
    int id = 0;
    std::string text;
    int check = 0, judge = 0, form = 0;
    float first = 0, second = 0;
    std::vector<std::string> points; // process data: every slot ever written
    int pointCount = 0;
};

using Model = std::vector<Rec>;

Rec NewRec(int id) {
    Rec r;
    r.id = id;
    return r;
}

Rec* Find(Model& m, int id) {
    for (Rec& r : m)
        if (r.id == id) return &r;
    return nullptr;
}

void RemoveAll(Model& m, int id) {
    m.erase(std::remove_if(m.begin(), m.end(), [&](const Rec& r) { return r.id == id; }), m.end());
}

std::string RandomText(std::mt19937& rng, int maxLen) {
    std::string t(std::uniform_int_distribution<int>(0, maxLen)(rng), ' ');
    for (char& c : t)
        c = char(std::uniform_int_distribution<int>('!', '~')(rng));
    return t;
}

void CheckHead(const Buf& b, const Model& m, uint8_t kind, size_t recSize) {
    Buf h(21);
    EXPECT_EQ(ParseStdHead(b.data(), h.data()), m.empty() ? -2 : 1);
    EXPECT_EQ(pk::HeadCount(b.data()), m.size());
    EXPECT_EQ(pk::HeadKind(b.data()), kind);
    if (!m.empty()) {
        EXPECT_EQ(pk::HeadLength(b.data()), 21 + m.size() * recSize);
    }
}

constexpr int kSteps = 300;

TEST(RoundTrip, Information) {
    std::mt19937 rng(11);
    Buf b = KindBuffer(40);
    Model m;
    for (int step = 0; step < kSteps; ++step) {
        SCOPED_TRACE(step);
        const int id = std::uniform_int_distribution<int>(1000, 1015)(rng);
        const std::string text = RandomText(rng, 60);
        Rec* r = Find(m, id);
        EXPECT_EQ(WriteStdHead_Info(b.data(), id, text.c_str()), r ? 1 : 2);
        if (!r) m.push_back(NewRec(id)), r = &m.back();
        r->text = text.substr(0, 49);
        CheckHead(b, m, 40, 52);
        Buf out(52);
        for (size_t i = 0; i < m.size(); ++i) {
            ASSERT_EQ(ParseStdHead_Info_Idx(b.data(), int(i), out.data()), 1);
            EXPECT_EQ(pk::Get16(out.data(), 0), m[i].id);
            EXPECT_EQ(pk::GetText(out.data() + 2, 50), m[i].text);
            ASSERT_EQ(ParseStdHead_Info(b.data(), m[i].id, out.data()), 1);
            EXPECT_EQ(pk::GetText(out.data() + 2, 50), m[i].text);
        }
        EXPECT_EQ(ParseStdHead_Info_Idx(b.data(), int(m.size()), out.data()), 0);
    }
}

TEST(RoundTrip, Items) {
    std::mt19937 rng(22);
    Buf b = KindBuffer(99);
    Model m;
    for (int step = 0; step < kSteps; ++step) {
        SCOPED_TRACE(step);
        const int id = std::uniform_int_distribution<int>(196, 230)(rng);
        const bool valid = id >= 200 && id <= 499;
        if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
            const bool had = !m.empty();
            EXPECT_EQ(RemoveStdHead_Item(b.data(), id), had ? 1 : -2);
            RemoveAll(m, id);
        } else {
            EXPECT_EQ(WriteStdHead_Item(b.data(), id), !valid ? -5 : Find(m, id) ? 1 : 2);
            if (valid && !Find(m, id)) m.push_back(NewRec(id));
        }
        if (!m.empty() || step > 0) CheckHead(b, m, 99, 2);
        Buf o2(2), o5(5);
        for (size_t i = 0; i < m.size(); ++i) {
            ASSERT_EQ(ParseStdHead_Item_Idx(b.data(), int(i), o2.data()), 1);
            EXPECT_EQ(pk::Get16(o2.data(), 0), m[i].id);
            EXPECT_EQ(ParseStdHead_Item(b.data(), m[i].id, o2.data()), 1);
            ASSERT_EQ(ParseStdHead_Item_New_Idx(b.data(), int(i), o5.data()), 1);
            EXPECT_EQ(Buf(o5.begin() + 2, o5.end()), Buf(3, 0));
        }
        for (int absent = 200; absent <= 230; ++absent)
            if (!Find(m, absent)) {
                EXPECT_LE(ParseStdHead_Item(b.data(), absent, o2.data()), 0);
            }
    }
}

TEST(RoundTrip, ItemsWithCheckAndJudgement) {
    std::mt19937 rng(33);
    Buf b = KindBuffer(100);
    Model m;
    for (int step = 0; step < kSteps; ++step) {
        SCOPED_TRACE(step);
        const int id = std::uniform_int_distribution<int>(200, 225)(rng);
        const short check = short(std::uniform_int_distribution<int>(-32768, 32767)(rng));
        const int judge = std::uniform_int_distribution<int>(0, 255)(rng);
        Rec* r = Find(m, id);
        const int expect = r ? 1 : 2;
        switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
        case 0:
            EXPECT_EQ(RemoveStdHead_Item_New(b.data(), id), m.empty() ? -2 : 1);
            RemoveAll(m, id);
            break;
        case 1:
            EXPECT_EQ(WriteStdHead_Item_New(b.data(), id, check, uint8_t(judge)), expect);
            if (!r) m.push_back(NewRec(id)), r = &m.back();
            r->check = check, r->judge = judge;
            break;
        case 2:
            EXPECT_EQ(WriteStdHead_Item_New_CheckNum(b.data(), id, check), expect);
            if (!r) m.push_back(NewRec(id)), r = &m.back();
            r->check = check;
            break;
        default:
            EXPECT_EQ(WriteStdHead_Item_New_Judge(b.data(), id, uint8_t(judge)), expect);
            if (!r) m.push_back(NewRec(id)), r = &m.back();
            r->judge = judge;
            break;
        }
        if (!m.empty() || step > 0) CheckHead(b, m, 100, 5);
        Buf o5(5), o2(2);
        for (size_t i = 0; i < m.size(); ++i) {
            for (int byId = 0; byId < 2; ++byId) {
                ASSERT_EQ(byId ? ParseStdHead_Item_New(b.data(), m[i].id, o5.data())
                               : ParseStdHead_Item_New_Idx(b.data(), int(i), o5.data()),
                          1);
                EXPECT_EQ(pk::Get16(o5.data(), 0), m[i].id);
                EXPECT_EQ(pk::GetI16(o5.data(), 2), m[i].check);
                EXPECT_EQ(o5[4], m[i].judge);
            }
            ASSERT_EQ(ParseStdHead_Item_Idx(b.data(), int(i), o2.data()), 1);
            EXPECT_EQ(pk::Get16(o2.data(), 0), m[i].id);
        }
    }
}

TEST(RoundTrip, StandardLimits) {
    std::mt19937 rng(44);
    Buf b = KindBuffer(80);
    Model m;
    std::uniform_real_distribution<float> value(-1000, 1000);
    for (int step = 0; step < kSteps; ++step) {
        SCOPED_TRACE(step);
        const int id = std::uniform_int_distribution<int>(0, 40)(rng);
        const float first = value(rng), second = value(rng);
        Rec* r = Find(m, id);
        EXPECT_EQ(WriteStdHead_Std(b.data(), id, first, second), r ? 1 : 2);
        if (!r) m.push_back(NewRec(id)), r = &m.back();
        r->first = first, r->second = second;
        CheckHead(b, m, 80, 10);
        Buf o10(10), o12(12);
        for (size_t i = 0; i < m.size(); ++i) {
            ASSERT_EQ(ParseStdHead_Std_Idx(b.data(), int(i), o10.data()), 1);
            EXPECT_EQ(pk::Get16(o10.data(), 0), m[i].id);
            EXPECT_EQ(pk::GetF32(o10.data(), 2), m[i].first);
            EXPECT_EQ(pk::GetF32(o10.data(), 6), m[i].second);
            ASSERT_EQ(ParseStdHead_Std(b.data(), m[i].id, o10.data()), 1);
            ASSERT_EQ(ParseStdHead_Std_Java(b.data(), m[i].id, o12.data()), 1);
            EXPECT_EQ(pk::GetI32(o12.data(), 0), m[i].id);
            EXPECT_EQ(pk::GetF32(o12.data(), 8), m[i].second);
            ASSERT_EQ(ParseStdHead_Std_Idx_Java(b.data(), int(i), o12.data()), 1);
            EXPECT_EQ(pk::GetF32(o12.data(), 4), m[i].first);
        }
        EXPECT_EQ(ParseStdHead_Std_Idx(b.data(), int(m.size()), o10.data()), -5);
    }
}

TEST(RoundTrip, ProcessData) {
    std::mt19937 rng(55);
    Buf b = NewPacket(4);
    Model m;
    Buf data(pk::PRODATA_WRITE_SIZE);
    for (int step = 0; step < 120; ++step) {
        SCOPED_TRACE(step);
        const int id = std::uniform_int_distribution<int>(1, 30)(rng);
        const int n = std::uniform_int_distribution<int>(1, 6)(rng);
        std::fill(data.begin(), data.end(), 0);
        pk::Put32(data.data(), 0, uint32_t(n));
        std::vector<std::string> pts;
        for (int i = 0; i < n; ++i) {
            pts.push_back(std::to_string(step) + "," + std::to_string(i) + RandomText(rng, 20));
            std::memcpy(data.data() + 4 + 20 * i, pts.back().data(), std::min<size_t>(pts.back().size(), 20));
        }
        Rec* r = Find(m, id);
        const int expect = r ? 1 : m.size() >= 25 ? -3 : 2;
        EXPECT_EQ(WriteStdHead_ProDat(b.data(), id, data.data()), expect);
        if (expect > 0) {
            if (!r) m.push_back(NewRec(id)), r = &m.back();
            r->pointCount = n;
            if (r->points.size() < size_t(n)) r->points.resize(n);
            for (int i = 0; i < n; ++i)
                r->points[i] = pts[i].substr(0, 19);
        }
        CheckHead(b, m, 4, pk::PRO_SIZE);
        Buf out(pk::PRO_SIZE);
        for (size_t i = 0; i < m.size(); ++i) {
            for (int byId = 0; byId < 2; ++byId) {
                ASSERT_EQ(byId ? ParseStdHead_ProDat(b.data(), m[i].id, out.data())
                               : ParseStdHead_ProDat_Idx(b.data(), int(i), out.data()),
                          1);
                EXPECT_EQ(pk::GetI32(out.data(), 0), m[i].id);
                EXPECT_EQ(pk::GetI32(out.data(), 4), m[i].pointCount);
                for (size_t k = 0; k < m[i].points.size(); ++k)
                    EXPECT_EQ(pk::GetText(out.data() + 8 + 20 * k, 20), m[i].points[k]) << k;
            }
        }
    }
}

// Results of every form. Removal turns the packet into framed records.
void ResultRoundTrip(uint8_t startKind, unsigned seed) {
    std::mt19937 rng(seed);
    Buf b = NewPacket(startKind);
    uint8_t kind = startKind;
    Model m;
    for (int step = 0; step < kSteps; ++step) {
        SCOPED_TRACE(testing::Message() << "kind " << int(startKind) << " step " << step);
        const int id = std::uniform_int_distribution<int>(7095, 7110)(rng);
        const int form = std::uniform_int_distribution<int>(1, 3)(rng);
        const int judge = std::uniform_int_distribution<int>(0, 255)(rng);
        const std::string text = RandomText(rng, 110);
        const size_t keep = kind == 1 ? 9 : 99;
        Rec* r = Find(m, id);
        const int expect = r ? 1 : 2;
        auto add = [&] {
            if (!r) {
                m.push_back(NewRec(id));
                r = &m.back();
                r->form = kind == 3 ? form : kind;
            }
            if (kind == 3) r->form = form;
        };
        switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
        case 0:
            EXPECT_EQ(RemoveStdHead_Result(b.data(), id), m.empty() ? -2 : 1);
            if (m.empty()) break;
            RemoveAll(m, id);
            // The rebuild reads every record back: framed records of form 3 cannot
            // be read and disappear; short and long records become framed ones,
            // and a record read in short form keeps only its short text.
            std::erase_if(m, [](const Rec& x) { return x.form != 1 && x.form != 2; });
            for (Rec& x : m) {
                if (kind != 3) x.form = kind;
                if (x.form == 1) x.text = x.text.substr(0, 9);
            }
            kind = 3;
            break;
        case 1:
        case 2:
            EXPECT_EQ(WriteStdHead_Result(b.data(), id, text.c_str(), uint8_t(judge), form), expect);
            add();
            r->text = text.substr(0, keep), r->judge = judge;
            break;
        case 3:
            EXPECT_EQ(WriteStdHead_Result_Data(b.data(), id, text.c_str(), form), expect);
            add();
            r->text = text.substr(0, keep);
            break;
        default:
            EXPECT_EQ(WriteStdHead_Result_Judge(b.data(), id, uint8_t(judge), form), expect);
            add();
            r->judge = judge;
            break;
        }
        if (!m.empty()) CheckHead(b, m, kind, pk::ResultRecordSize(kind));
        for (size_t i = 0; i < m.size(); ++i) {
            // A framed record of form 3 is stored but not readable: no reader knows that form.
            const bool readable = m[i].form == 1 || m[i].form == 2;
            const std::string seen = m[i].form == 1 ? m[i].text.substr(0, 9) : m[i].text;
            const int cls = pk::ResultClass(m[i].id);
            Buf out(103);
            int f = 0;
            ASSERT_EQ(ParseStdHead_Result_Idx(b.data(), int(i), out.data(), &f), readable ? cls : 0);
            ASSERT_EQ(ParseStdHead_Result(b.data(), m[i].id, out.data(), &f), readable ? cls : 0);
            char text[100];
            int judge = -1, rid = -1;
            ASSERT_EQ(ParseStdHead_ResultAll_Idx(b.data(), int(i), &rid, text, &judge), readable ? cls : -2);
            EXPECT_EQ(ParseStdHead_ResultAll(b.data(), m[i].id, text, &judge), readable ? m[i].form : -2);
            if (!readable) continue;
            EXPECT_EQ(f, m[i].form);
            EXPECT_EQ(rid, m[i].id);
            EXPECT_EQ(text, seen);
            EXPECT_EQ(judge, m[i].judge);
            if (kind == 1) {
                ASSERT_EQ(ParseStdHead_Result_Idx_Old(b.data(), int(i), out.data(), &f), 1);
                EXPECT_EQ(pk::Get16(out.data(), 0), m[i].id);
            }
        }
    }
}

TEST(RoundTrip, Results) {
    ResultRoundTrip(1, 66);
    ResultRoundTrip(2, 77);
    ResultRoundTrip(3, 88);
}

} // namespace
