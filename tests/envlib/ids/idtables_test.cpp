// Lookups in the identifier and line/station tables, on real table files.
#include "idtables_fixture.h"

#include <cmath>
#include <cstring>

namespace {

const char kTable[] = "[INDEX]\n"
                      "1073=Plate number\n"
                      "10730001=Plate colour\n"
                      "Plate_1073=10730001\n"
                      "Odd_1073=12\n"
                      "INFO_1073_3=Sub three\n"
                      "X_5_Y=Prefixed\n"
                      "speed=Speed text\n"
                      "[INDEX_INV]\n"
                      "Speed text=speed\n"
                      "[LINEINFO]\n"
                      "1_3=192.168.0.13\n"
                      "10.0.0.1 =  1,3  \n"
                      "10.0.0.2=1\n"
                      "10.0.0.3=,5\n"
                      "10.0.0.4=2,6 trailing words\n"
                      "10.0.0.5=\n"
                      "[IPINFO]\n"
                      "2_4=host-b\n"
                      "2=7,Line two\n"
                      "3=8\n"
                      "10.0.1.1=2,4\n"
                      "[TRANSINFO]\n"
                      "1073=10730001\n"
                      "1074=1074\n"
                      "1075=10015001\n"
                      "[INFOALIAS]\n"
                      "1073=HPHM\n"
                      "[WJALIAS]\n"
                      "5=WJ five\n"
                      "[ITEMID2DEVID]\n"
                      "201=11,12\n"
                      "202=13, 21 ,22\n"
                      "203=21\n"
                      "[PARAMID2ITEMID]\n"
                      "5001=231\n"
                      "[POINTBIT]\n"
                      "5001=1\n"
                      "5002=9\n";

// Identifier forms need no table, but every export answers only in an attached library.
class IdForms : public IdTableTest {};

class IdLookup : public IdTableTest {
  protected:
    void SetUp() override { WriteTable(kTable); }
};

TEST_F(IdLookup, NamesByIdentifierAndKey) {
    char out[100];
    std::vector<std::pair<std::string, std::string>> seen;
    auto run = [&](int r) { seen.emplace_back(std::to_string(r), out); };
    run(GetVZ5IDInfo(1073, out));
    run(GetVZ5IDInfo(999, out));
    run(GetVZ5IDInfoEx("SPEED", out)); // keys compare without regard to case
    run(GetVZ5IDInfoEx("none", out));
    run(GetVZ5IDInfoExInv("Speed text", out));
    run(GetInfoAlias(1073, out));
    run(GetWGAlias(5, out));
    run(GetWGAlias(6, out));
    const std::vector<std::pair<std::string, std::string>> want = {
        {"12", "Plate number"}, {"0", ""},     {"10", "Speed text"}, {"0", ""},
        {"5", "speed"},         {"4", "HPHM"}, {"7", "WJ five"},     {"0", ""}};
    EXPECT_EQ(seen, want);
}

TEST_F(IdLookup, NullArguments) {
    char out[100] = "x";
    EXPECT_EQ(GetVZ5IDInfo(1073, nullptr), -1);
    EXPECT_EQ(GetVZ5IDInfoEx("speed", nullptr), -1);
    EXPECT_EQ(GetVZ5IDInfoExInv("speed", nullptr), -1);
    EXPECT_EQ(GetVZ5IDInfoEx(nullptr, out), 0);
    EXPECT_EQ(GetInfoAlias(1073, nullptr), 0);
    EXPECT_EQ(GetWGAlias(5, nullptr), 0);
    EXPECT_EQ(GetVZ5IPInfoByLineStation(1, 3, nullptr), -3);
    EXPECT_EQ(GetVZ5IPInfoByLineStationAll(2, 4, nullptr), -3);
    EXPECT_EQ(GetVZ5SubIDAllInfo(nullptr, out), 0);
    EXPECT_EQ(GetVZ5SubIDAllInfo("1073", nullptr), 0);
    EXPECT_EQ(GetSubIDName(nullptr, 5, "Y", out), 0);
    EXPECT_EQ(GetSubIDName("X", 5, nullptr, out), 0);
    EXPECT_EQ(GetSubIDName("X", 0, "Y", out), 0);
    EXPECT_EQ(GetSubIDNameA(0, nullptr, "3", out), 0);
    EXPECT_EQ(GetSubIDNameA(1073, nullptr, nullptr, out), 0);
    EXPECT_EQ(GetParamIDByName(nullptr, 1073, out), 0);
    EXPECT_EQ(GetParamIDByName("Plate", 1073, nullptr), 0);
    int line = 9, station = 9;
    EXPECT_EQ(GetVZ5LineStationInfoByIP(nullptr, &line, &station), -3);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(station, 0);
    EXPECT_EQ(GetVZ5LineStationInfoByIP("10.0.0.1", nullptr, nullptr), -3);
}

TEST_F(IdLookup, NameLongerThanOutputIsCut) {
    WriteTable("[INDEX]\n7=" + std::string(150, 'n') + "\n");
    std::vector<char> out(100, 'x');
    EXPECT_EQ(GetVZ5IDInfo(7, out.data()), 99);
    EXPECT_EQ(std::string(out.data()), std::string(99, 'n'));
}

TEST_F(IdLookup, CompanionSectionsByPosition) {
    WriteTable("[INDEX_RESULT]\n5001=A\n5002=B=C\n", "1");
    WriteTable("[INDEX_WJ]\nW1=first\nbare\n", "2");
    struct Case {
        int index, type, result;
        const char *key, *value;
    } cases[] = {
        {0, 0, 1, "5001", "A"},   {1, 0, 1, "5002", "B=C"}, {2, 0, 0, "", ""},     {-1, 0, 0, "", ""},
        {1, 7, 1, "5002", "B=C"}, {0, 1, 1, "W1", "first"}, {1, 1, 1, "bare", ""}, {2, 1, 0, "", ""},
        {0, 2, 0, "", ""},        {0, 3, 0, "", ""},
    };
    for (const auto& c : cases) {
        char key[4076] = "", value[4076] = "";
        EXPECT_EQ(GetVZ5IDInfoIdx(c.index, c.type, key, value), c.result) << c.index << "/" << c.type;
        if (c.result == 1) {
            EXPECT_STREQ(key, c.key);
            EXPECT_STREQ(value, c.value);
        }
    }
    char value[16];
    EXPECT_EQ(GetVZ5IDInfoIdx(0, 0, nullptr, value), 0);
}

TEST_F(IdLookup, AddressesOfLinesAndStations) {
    char out[64];
    EXPECT_EQ(GetVZ5IPInfoByLineStation(1, 3, out), 1);
    EXPECT_STREQ(out, "192.168.0.13");
    EXPECT_EQ(GetVZ5IPInfoByLineStation(1, 4, out), 0);
    EXPECT_EQ(GetVZ5IPInfoByLineStationAll(2, 4, out), 1);
    EXPECT_STREQ(out, "host-b");
    EXPECT_EQ(GetVZ5IPInfoByLineStationAll(1, 3, out), 0);
}

TEST_F(IdLookup, LineAndStationOfAnAddress) {
    struct Case {
        const char* address;
        bool all;
        int result, line, station;
    } cases[] = {
        {"10.0.0.1", false, 1, 1, 3},  // blanks around the value
        {"10.0.0.2", false, -3, 1, 0}, // no station field
        {"10.0.0.3", false, 1, 0, 5},  // empty line field still exists
        {"10.0.0.4", false, 1, 2, 6},  // cut at the first blank
        {"10.0.0.5", false, 0, 0, 0},  // empty value
        {"10.9.9.9", false, -3, 0, 0}, // absent: read as "0"
        {"10.0.1.1", true, 1, 2, 4},   // the "All" variant reads "IPINFO"
        {"10.0.0.1", true, -3, 0, 0},
    };
    for (const auto& c : cases) {
        int line = -7, station = -7;
        int r = c.all ? GetVZ5LineStationInfoByIPAll(c.address, &line, &station)
                      : GetVZ5LineStationInfoByIP(c.address, &line, &station);
        EXPECT_EQ(r, c.result) << c.address;
        EXPECT_EQ(line, c.line) << c.address;
        EXPECT_EQ(station, c.station) << c.address;
    }
}

TEST_F(IdLookup, ControlCharactersOnlyAreAnEmptyAddressValue) {
    WriteTable("[LINEINFO]\nk=\x01\x02\n");
    int line = 5, station = 5;
    EXPECT_EQ(GetVZ5LineStationInfoByIP("k", &line, &station), -1);
    EXPECT_EQ(line, 0);
}

TEST_F(IdLookup, LineInfo) {
    char out[500] = "x";
    EXPECT_EQ(GetVZ5LineInfo(2, out), 7);
    EXPECT_STREQ(out, "Line two");
    EXPECT_EQ(GetVZ5LineInfo(3, out), 8);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(GetVZ5LineInfo(4, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(GetVZ5LineInfo(2, nullptr), 7);
}

TEST_F(IdLookup, TransferTextIsBoundedByItsBuffer) {
    WriteTable("[TRANSINFO]\nbig=" + std::string(7000, 't') + "\nsmall=abc\n");
    std::vector<char> out(5998, 'x');
    EXPECT_EQ(GetVZ5SubIDAllInfo("big", out.data()), 5997);
    EXPECT_EQ(strlen(out.data()), 5997u);
    EXPECT_EQ(GetVZ5SubIDAllInfo("small", out.data()), 3);
    EXPECT_STREQ(out.data(), "abc");
    EXPECT_EQ(GetVZ5SubIDAllInfo("none", out.data()), 0);
}

TEST_F(IdLookup, SubIdentifierNamesAndParamIds) {
    char out[200];
    EXPECT_EQ(GetSubIDName("X", 5, "Y", out), 8);
    EXPECT_STREQ(out, "Prefixed");
    EXPECT_EQ(GetSubIDNameA(1073, "ignored", "3", out), 9);
    EXPECT_STREQ(out, "Sub three");
    EXPECT_EQ(GetSubIDNameA(1073, nullptr, "4", out), 0);

    char id[100];
    EXPECT_EQ(GetParamIDByName("Plate", 1073, id), 10730001);
    EXPECT_STREQ(id, "10730001");
    EXPECT_EQ(GetParamIDByName("Absent", 1073, id), 0); // the name itself comes back
    EXPECT_STREQ(id, "Absent");
    EXPECT_EQ(GetParamIDByName("42", 1, id), 42);
}

TEST_F(IdLookup, NumericSections) {
    EXPECT_EQ(GetMainID(1073), 10730001); // a compound value replaces the identifier
    EXPECT_EQ(GetMainID(1074), 1074);     // a value that is no compound does not
    EXPECT_EQ(GetMainID(1075), 1075);     // main 1001 never forms compounds
    EXPECT_EQ(GetMainID(1076), 1076);     // absent
    EXPECT_EQ(GetItemIDByParamID(5001), 231);
    EXPECT_EQ(GetItemIDByParamID(5002), 0);
    EXPECT_EQ(GetDevIDByItemID(21), 202); // first key in file order whose list holds it
    EXPECT_EQ(GetDevIDByItemID(12), 201);
    EXPECT_EQ(GetDevIDByItemID(99), 0);
}

TEST_F(IdLookup, PrecisionFromTable) {
    float v = 2.345f;
    EXPECT_EQ(GetPrecisionData(5001, &v), 1);
    EXPECT_FLOAT_EQ(v, 2.3f);
    v = 1.23456789f;
    EXPECT_EQ(GetPrecisionData(5002, &v), 6); // 9 decimals behave as 6
    EXPECT_NEAR(v, 1.234568f, 1e-6);
    v = 7.6f;
    EXPECT_EQ(GetPrecisionData(5003, &v), 0); // absent: no decimals
    EXPECT_FLOAT_EQ(v, 8.0f);
    EXPECT_EQ(GetPrecisionData(5001, nullptr), 0);
}

TEST_F(IdLookup, ChangedFileIsSeenAtOnce) {
    char out[100];
    WriteTable("[INDEX]\n1=first\n");
    EXPECT_EQ(GetVZ5IDInfo(1, out), 5);
    for (int i = 0; i < 50; ++i)
        GetVZ5IDInfo(1, out);
    WriteTable("[INDEX]\n1=second value\n");
    EXPECT_EQ(GetVZ5IDInfo(1, out), 12);
    EXPECT_STREQ(out, "second value");
    std::filesystem::remove(plat::MapPath(dorlix::IdTablePath().c_str()));
    EXPECT_EQ(GetVZ5IDInfo(1, out), 0);
}

TEST_F(IdForms, InfoIdentifiers) {
    struct Case {
        const char* text;
        int infoId, isInfo, mainEx;
    } cases[] = {
        {"INFO_1073", 1073, 1, 1073},
        {"info_1073", 1073, 1, 1073},
        {"INFO_1000", 1000, 1, 1000},
        {"INFO_1299", 1299, 1, 1299},
        {"INFO_1300", 0, 1, 1300},
        {"INFO_999", 0, 1, 999},
        {"INFO_1073_1_3", 0, 1, 1073},
        {"INFO_01073", 0, 1, 1073},
        {"Info", 0, 1, 0},
        {"INFOX_1073", 0, 0, 1073},
        {"X_12", 0, 0, 12},
        {"1073", 0, 0, 0},
        {"", 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetInfoID(c.text), c.infoId) << c.text;
        EXPECT_EQ(IsInfoID(c.text), c.isInfo) << c.text;
        EXPECT_EQ(GetMainIDEx(c.text), c.mainEx) << c.text;
        EXPECT_EQ(GetParamIDString(c.text), c.mainEx) << c.text;
    }
    EXPECT_EQ(GetInfoID(nullptr), 0);
    EXPECT_EQ(IsInfoID(nullptr), 0);
    EXPECT_EQ(GetMainIDEx(nullptr), 0);
    EXPECT_EQ(GetParamIDString(nullptr), 0);
}

TEST_F(IdForms, CompoundIdentifiers) {
    struct Case {
        int id, filter, plain, extended;
    } cases[] = {
        {10730001, 0, 1, 1},    // main 1073, sub 1
        {10730001, 1073, 1, 1}, // filter equal to main
        {10730001, 1074, 1, 0}, // filter differs
        {10011234, 0, 0, 0},    // main 1001 is excluded
        {11720001, 0, 0, 0},    // last excluded main
        {10735000, 0, 0, 1},    // sub above 1000: only the extended tests accept it
        {10731000, 0, 1, 1},    // sub 1000 still plain
        {10731001, 0, 0, 0},    // sub 1001..1299 refused by both
        {10731299, 0, 0, 0},    {10731300, 0, 0, 1},
        {10340001, 1073, 1, 1},                      // always-compound main ignores the filter
        {11970001, 5, 1, 1},    {10000001, 0, 0, 0}, // main 1000 below the range
        {12990001, 0, 1, 1},    {13000001, 0, 0, 0},
        {1073, 0, 0, 0}, // a bare main identifier
        {0, 0, 0, 0},           {-10730001, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSubID_int(c.id), c.plain) << c.id;
        EXPECT_EQ(IsSubID_intEx(c.id, c.filter), c.extended) << c.id << "/" << c.filter;
        std::string text = std::to_string(c.id);
        EXPECT_EQ(IsSubID_char(text.c_str()), c.plain) << c.id;
        EXPECT_EQ(IsSubID_charEx(text.c_str(), c.filter), c.extended) << c.id;
    }
    EXPECT_EQ(IsSubID_char(nullptr), 0);
    EXPECT_EQ(IsSubID_charEx(nullptr, 0), 0);
}

TEST_F(IdForms, ModificationClasses) {
    const std::pair<int, int> cases[] = {
        {199, 0},  {200, 15}, {203, 15}, {204, 13}, {205, 13}, {206, 0},  {207, 12}, {208, 18}, {215, 18},
        {216, 23}, {217, 0},  {222, 0},  {223, 1},  {226, 4},  {229, 7},  {230, 14}, {231, 16}, {232, 0},
        {233, 20}, {234, 21}, {235, 8},  {236, 9},  {237, 11}, {238, 10}, {239, 0},  {240, 19}, {244, 23},
        {245, 17}, {276, 23}, {278, 0},  {279, 22}, {281, 22}, {282, 0},  {-1, 0},
    };
    for (auto [item, cls] : cases)
        EXPECT_EQ(GetModifyIDByItemID(item), cls) << item;
    EXPECT_EQ(GetItemIDByDevID(), 0);
    EXPECT_EQ(GetParamIDByDevID(), 0);
    EXPECT_EQ(GetSubID(), 1);
    EXPECT_EQ(SetSubID(), 1);
}

TEST_F(IdForms, RoundingToDecimals) {
    struct Case {
        float value;
        int decimals, used;
        float want;
    } cases[] = {
        {2.345f, 2, 2, 2.35f},        {-2.345f, 2, 2, -2.35f}, {2.5f, 0, 0, 3.0f},
        {-2.5f, 0, 0, -3.0f},         {2.4f, -3, 0, 2.0f},     {1.23456789f, 9, 6, 1.234568f},
        {1.2345678f, 5, 5, 1.23457f}, {0.0f, 3, 3, 0.0f},      {3e9f, 2, 2, 3e9f},
        {-3e9f, 1, 1, -3e9f}, // beyond any int: no overflow
    };
    for (const auto& c : cases) {
        float v = c.value;
        EXPECT_EQ(GetPrecisionDataAny(&v, c.decimals), c.used) << c.value;
        EXPECT_NEAR(v, c.want, std::fabs(c.want) * 1e-6f + 1e-6f) << c.value << "/" << c.decimals;
    }
    EXPECT_EQ(GetPrecisionDataAny(nullptr, 2), 2);
}

} // namespace
