// Information packets rewritten between names and compound identifiers.
#include "idtables_fixture.h"

#include <memory>

namespace {

constexpr size_t kInfoBuffer = 150000;

class InfoConvert : public IdTableTest {
  protected:
    void SetUp() override {
        WriteTable("[INDEX]\n"
                   "Blue_1073=10730002\n"
                   "10730002=Blue\n"
                   "Plain_1074=1074\n"
                   "Other_1073=10740001\n"
                   "10740001=Other main\n"
                   "10730009=" +
                   std::string(60, 'L') + "\n");
        pack_.reset(new unsigned char[kInfoBuffer]());
    }
    void Put(int id, const char* text) { ASSERT_GT(WriteStdHead_Info(pack_.get(), id, text), 0); }
    std::string TextAt(int index) {
        unsigned char rec[52] = {};
        EXPECT_EQ(ParseStdHead_Info_Idx(pack_.get(), index, rec), 1);
        return reinterpret_cast<const char*>(rec + 2);
    }
    std::unique_ptr<unsigned char[]> pack_;
};

TEST_F(InfoConvert, NamesBecomeCompoundIdentifiersAndBack) {
    Put(1073, "Blue");     // named in the table with a compound of its own main
    Put(1074, "Plain");    // table value is no compound: stays
    Put(1075, "Unknown");  // absent: stays
    Put(1076, "10730002"); // already a compound of another main: stays as it is
    EXPECT_EQ(Cnv2SubID(pack_.get()), 1);
    EXPECT_EQ(TextAt(0), "10730002");
    EXPECT_EQ(TextAt(1), "Plain");
    EXPECT_EQ(TextAt(2), "Unknown");
    EXPECT_EQ(TextAt(3), "10730002");

    EXPECT_EQ(Cnv2Text(pack_.get()), 1);
    EXPECT_EQ(TextAt(0), "Blue");
    EXPECT_EQ(TextAt(1), "Plain");
    EXPECT_EQ(TextAt(3), "10730002"); // main 1073 is not the record's 1076
}

TEST_F(InfoConvert, CompoundOfAnotherMainIsNotTakenOver) {
    Put(1073, "Other"); // "Other_1073" names 10740001, whose main is 1074
    EXPECT_EQ(Cnv2SubID(pack_.get()), 1);
    EXPECT_EQ(TextAt(0), "Other");
}

TEST_F(InfoConvert, LongNameIsCutToTheField) {
    Put(1073, "10730009");
    EXPECT_EQ(Cnv2Text(pack_.get()), 1);
    EXPECT_EQ(TextAt(0), std::string(49, 'L'));
}

TEST_F(InfoConvert, BadPackets) {
    EXPECT_EQ(Cnv2SubID(nullptr), -1);
    EXPECT_EQ(Cnv2Text(nullptr), 0);
    EXPECT_EQ(Cnv2SubID(pack_.get()), 0); // no sync bytes
    EXPECT_EQ(Cnv2Text(pack_.get()), -1);
    unsigned char head[21] = {};
    head[14] = 40;
    ASSERT_EQ(WriteStdHead(pack_.get(), head), 1); // empty packet
    EXPECT_EQ(Cnv2SubID(pack_.get()), 0);
    EXPECT_EQ(Cnv2Text(pack_.get()), -1);
}

} // namespace
