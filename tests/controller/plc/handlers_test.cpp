#include "handlers.h"
#include "synx.h"

#include "fakecard.h"

#include <gtest/gtest.h>

namespace {

using HandlerTest = CardTableTest;
using Calls = std::vector<std::string>;

TEST_F(HandlerTest, EachHandlerReachesItsOperation) {
    char arg[] = "1";
    char out[64] = "";
    struct Case {
        int (*handler)(int, int, void*);
        const char* call;
    };
    const Case cases[] = {
        {Task_LD, "LD 3 1"},           {Task_OUT, "OUT 3 1"},   {Task_MOT, "MOT 3 1"},
        {Task_LMOT, "LMOT 3 1"},       {Task_RSTZ, "RSTZ 3 1"}, {Task_DG, "DG 3 1"},
        {Task_LDG, "LDG 3 1"},         {Task_ROW, "ROW 3 1"},   {Task_ROCLR, "ROCLR 3 1"},
        {Task_G_SETPOT, "SETPOT 3 1"},
    };
    for (const auto& c : cases) {
        cards_[5].calls.clear();
        cards_[5].result = 7;
        EXPECT_EQ(c.handler(5, 3, arg), 7) << c.call;
        EXPECT_EQ(AllCalls(), Calls{std::string("5:") + c.call});
    }
    cards_[5].calls.clear();
    EXPECT_EQ(Task_IF(5, 3, arg, out), 7);
    EXPECT_STREQ(out, "A.F");
    EXPECT_EQ(AllCalls(), Calls{"5:IF 3 1"});
}

TEST_F(HandlerTest, InternalBitsAlwaysGoToTheCpuBoard) {
    char arg[] = "1";
    EXPECT_EQ(Task_LDI(5, 3, arg), 1);
    EXPECT_EQ(Task_OUTI(12, 4, arg), 1);
    EXPECT_EQ(AllCalls(), (Calls{"0:LDI 3 1", "0:OUTI 4 1"}));
    EXPECT_EQ(Task_LDI(20, 3, arg), -1);
    EXPECT_EQ(Task_OUTI(-1, 3, arg), -1);
    EXPECT_EQ(AllCalls().size(), 2u);
}

TEST_F(HandlerTest, BadCardIndexTouchesNoCard) {
    char arg[] = "1";
    char out[64] = "";
    int (*handlers[])(int, int, void*) = {Task_LD,    Task_LDI,      Task_OUT,     Task_OUTI,    Task_MOT,
                                          Task_LMOT,  Task_RSTZ,     Task_DG,      Task_LDG,     Task_ROW,
                                          Task_ROCLR, Task_G_SETPOT, Task_G_CALIB, Task_G_ADD_VD};
    for (int idx : {-1, 14, 100, -2147483647}) {
        for (auto h : handlers)
            EXPECT_EQ(h(idx, 1, arg), -1) << idx;
        EXPECT_EQ(Task_IF(idx, 1, arg, out), -1);
    }
    // A table smaller than 14 entries bounds the index by its count.
    GlobeCardInfo.CardNum = 3;
    EXPECT_EQ(Task_OUT(3, 1, arg), -1);
    EXPECT_EQ(Task_OUT(2, 1, arg), 1);
    GlobeCardInfo.CardNum = 0;
    EXPECT_EQ(Task_OUT(0, 1, arg), -1);
    EXPECT_EQ(AllCalls(), Calls{"2:OUT 1 1"});
}

TEST_F(HandlerTest, AddVirtualDeviceParsesNameAddressPort) {
    struct Case {
        const char* arg;
        int result;
        const char* call; // on the network card, or "" for none
    };
    const Case cases[] = {
        {"BOX1@10.0.0.20@2017", 1, "VD BOX1 10.0.0.20 2017"},
        {"BOX@10.0.0.5", 0, ""},
        {"BOX", 0, ""},
        {"@@", 1, "VD   0"},
        {"B2@10.0.0.6@x@y", 1, "VD B2 10.0.0.6 0"},
    };
    for (const auto& c : cases) {
        cards_[13].calls.clear();
        std::string arg = c.arg;
        testing::internal::CaptureStdout();
        EXPECT_EQ(Task_G_ADD_VD(13, 0, arg.data()), c.result) << c.arg;
        std::string printed = testing::internal::GetCapturedStdout();
        if (c.call[0]) {
            EXPECT_EQ(AllCalls(), Calls{std::string("13:") + c.call}) << c.arg;
        } else {
            EXPECT_TRUE(AllCalls().empty()) << c.arg;
            EXPECT_EQ(printed, "");
        }
    }
    testing::internal::CaptureStdout();
    std::string arg = "BOX1@10.0.0.20@2017";
    EXPECT_EQ(Task_G_ADD_VD(2, 9, arg.data()), 1); // the card named in the line does not matter
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Task_G_ADD_VD: VDName=BOX1 IP=10.0.0.20 Port=2017\n");
    EXPECT_EQ(Task_G_ADD_VD(13, 0, nullptr), -1);
}

class AlarmTest : public CardTableTest {
  protected:
    ALGROUP group_;
};

TEST_F(AlarmTest, FaultOutputFollowsAlarmState) {
    EXPECT_EQ(group_.ScanAlarm(), 0);
    EXPECT_EQ(cards_[0].fault, 0);

    group_.AddAlarmPoint(2, 1, 1);
    group_.AddAlarmPoint(3, 4, 0);
    cards_[3].inputs[4] = HI;
    EXPECT_EQ(group_.ScanAlarm(), 0);
    EXPECT_EQ(cards_[0].fault, 0);

    cards_[2].inputs[1] = HI;
    cards_[3].calls.clear();
    EXPECT_EQ(group_.ScanAlarm(), 1);
    EXPECT_EQ(cards_[0].fault, 1);
    EXPECT_TRUE(cards_[3].calls.empty()); // later points are not read

    cards_[2].inputs[1] = LOW;
    cards_[3].inputs[4] = LOW; // level 0 point now active
    EXPECT_EQ(group_.ScanAlarm(), 1);
    cards_[3].inputs[4] = HI;
    EXPECT_EQ(group_.ScanAlarm(), 0);
    EXPECT_EQ(cards_[0].fault, 0);
}

TEST_F(AlarmTest, PointsBeyondTableOrCapacityAreHarmless) {
    group_.AddAlarmPoint(20, 0, 1); // bad card index: skipped when scanning
    group_.AddAlarmPoint(-1, 0, 5);
    EXPECT_EQ(group_.InLevel[1], 1);
    EXPECT_EQ(group_.ScanAlarm(), 0);
    for (int i = 0; i < 40; ++i)
        group_.AddAlarmPoint(4, i, 1);
    EXPECT_EQ(group_.AlarmNum, MAXALARMNO);
    EXPECT_EQ(group_.ChIdx[MAXALARMNO - 1], 29);
    cards_[4].inputs[30] = HI; // 33rd point and later were never added
    EXPECT_EQ(group_.ScanAlarm(), 0);
    cards_[4].inputs[29] = HI;
    EXPECT_EQ(group_.ScanAlarm(), 1);
}

} // namespace
