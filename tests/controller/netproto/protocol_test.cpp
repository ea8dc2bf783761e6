#include "bytebuffer.h"
#include "nettask.h"
#include "protocol.h"
#include "public.h"

#include "../plc/fakecard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NetChecksum, NegatedByteSum) {
    EXPECT_EQ(SndCheckSum("abc", 3), 65242);
    EXPECT_EQ(SndCheckSum("abc", 0), 0);
    EXPECT_EQ(SndCheckSum("abc", -5), 0);
    EXPECT_EQ(SndCheckSum(nullptr, 3), 0);
    std::string body = "Type=Vekt_IOS;TypeID=131;SlotID=2;IOL8=255;\xff\xfe";
    std::string big(3000, '\xff');
    for (const std::string& s : {body, big}) {
        unsigned int sum = 0;
        for (unsigned char c : s)
            sum += c;
        EXPECT_EQ((sum + SndCheckSum(s.c_str(), static_cast<short>(s.size()))) % 65536, 0u);
    }
}

TEST(NetFindKey, ItemsKeysAndValues) {
    struct Case {
        const char* src;
        const char* key;
        int pos;
        const char* value;
    };
    const Case cases[] = {
        {"CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=1;", "ChIdx", 3, "5"},
        {"cmd=ctl_dg;slotid=4;", "CMD", 1, "ctl_dg"},
        {"CMD=CTL_OUT;SlotID=2;", "slotid", 2, "2"},
        {" SlotID = 7 ;", "SlotID", 1, "7"},
        {"A;B=1;", "A", 1, ""}, // an item without '=' has an empty value
        {"A=1;B=2", "B", 2, "2"},
        {"A=1;A=2;", "A", 1, "1"},
        {"A=1=2;", "A", 1, "1"},
        {"A=1;", "B", -1, "<keep>"},
        {"", "A", -1, "<keep>"},
        {"A=1;", "", 2, ""}, // the empty item after the last ';'
        {";;=5;", "", 1, ""},
    };
    for (const auto& c : cases) {
        char out[64] = "<keep>";
        EXPECT_EQ(FindKey(c.src, c.key, out), c.pos) << c.src << " / " << c.key;
        EXPECT_STREQ(out, c.value) << c.src << " / " << c.key;
    }
    char out[8] = "<keep>";
    EXPECT_EQ(FindKey(nullptr, "A", out), -1);
    EXPECT_EQ(FindKey("A=1;", nullptr, out), -1);
    EXPECT_EQ(FindKey("A=1;", "A", nullptr), -1);
    EXPECT_EQ(FindKey("A=123456789;", "A", out, sizeof out), 1);
    EXPECT_STREQ(out, "1234567");
    std::string huge = "A=" + std::string(5000, 'x') + ";B=2;";
    char big[4096];
    EXPECT_EQ(FindKey(huge.c_str(), "A", big), 1);
    EXPECT_EQ(strlen(big), static_cast<size_t>(NETKEYMAX - 2)); // item cut to 2047
    EXPECT_EQ(FindKey(huge.c_str(), "B", big), 2);
}

// Everything the stream yields, frame by frame.
std::vector<std::string> Drain(ByteBuffer& b) {
    std::vector<std::string> out;
    static char frame[BUFFER_SIZE];
    for (;;) {
        b >> frame;
        if (frame[0] == '\0') return out;
        out.push_back(frame);
    }
}

using Frames = std::vector<std::string>;

TEST(NetStream, FramesAcrossAndWithinDatagrams) {
    struct Case {
        std::vector<std::string> datagrams;
        Frames frames;
    };
    const std::string f1 = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}";
    const Case cases[] = {
        {{f1 + "#"}, {f1}},
        {{"{X:CMD=CTL_", "OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}#"}, {f1}},
        {{"{A:1}#{B:2}#"}, {"{A:1}", "{B:2}"}},
        {{"junk{A:1}#xx"}, {"{A:1}"}},
        {{"xx#A:1#"}, {"A:1"}}, // a '#' starts a frame without entering it
        {{"{A", ":1}", "#{B:2", "}#"}, {"{A:1}", "{B:2}"}},
        {{"##{A:1}#"}, {"{A:1}"}}, // an empty frame carries nothing
        {{"no frame here"}, {}},
        {{"{unfinished"}, {}},
    };
    for (const auto& c : cases) {
        ByteBuffer b;
        Frames got;
        for (const auto& d : c.datagrams) {
            b.append(d.data(), d.size());
            for (auto& f : Drain(b))
                got.push_back(f);
        }
        EXPECT_EQ(got, c.frames) << c.datagrams[0];
    }
}

TEST(NetStream, NulByteDoesNotBlockLaterFrames) {
    struct Case {
        std::string data;
        Frames frames;
    };
    const Case cases[] = {
        {std::string("\0{A:1}#", 7), {"{A:1}"}},
        {std::string("{A:1}#\0\0{B:2}#", 14), {"{A:1}", "{B:2}"}},
        {std::string("{A:\0bad}#{B:2}#", 15), {"{B:2}"}}, // the broken frame is dropped
        {std::string("x\0y#{B:2}#", 10), {"{B:2}"}},
    };
    for (const auto& c : cases) {
        ByteBuffer b;
        b.append(c.data.data(), c.data.size());
        EXPECT_EQ(Drain(b), c.frames);
    }
    // A NUL at the end of one datagram; the next datagram still gets through.
    ByteBuffer b;
    b.append(std::string("{A:1", 4).data(), 4);
    b.append(std::string("\0", 1).data(), 1);
    EXPECT_EQ(Drain(b), Frames{});
    std::string next = "{B:2}#";
    b.append(next.data(), next.size());
    EXPECT_EQ(Drain(b), Frames{"{B:2}"});
}

TEST(NetStream, OverlongFrameIsDroppedWithoutOverflow) {
    ByteBuffer b;
    std::string big = "{X:" + std::string(BUFFER_SIZE + 10, 'a');
    b.append(big.data(), big.size());
    EXPECT_EQ(Drain(b), Frames{});
    std::string tail = std::string(100, 'a') + ":0}#{B:2}#";
    b.append(tail.data(), tail.size());
    EXPECT_EQ(Drain(b), Frames{"{B:2}"});

    char small[8];
    ByteBuffer c;
    std::string two = "{ABCDEFGHIJ}#{B:2}#";
    c.append(two.data(), two.size());
    EXPECT_EQ(c.Take(small, sizeof small), 5u);
    EXPECT_STREQ(small, "{B:2}");
}

TEST(NetStream, PositionsAndClear) {
    ByteBuffer b;
    std::string d = "{A:1}#{B";
    b.append(d.data(), d.size());
    EXPECT_EQ(b.size(), d.size());
    char frame[64];
    b >> frame;
    EXPECT_STREQ(frame, "{A:1}");
    EXPECT_EQ(b.rpos(), 6u);
    b >> frame;
    EXPECT_STREQ(frame, "");
    EXPECT_EQ(b.rpos(), 6u); // waits at the unfinished frame
    b.backpos(100);
    EXPECT_EQ(b.rpos(), 0u);
    b >> frame;
    EXPECT_STREQ(frame, "{A:1}"); // taken bytes stay until cleared
    b.clear();
    EXPECT_EQ(b.size(), 0u);
    EXPECT_EQ(b.rpos(), 0u);
    b.append(d.data(), 0);
    EXPECT_EQ(b.size(), 0u);
}

TEST(NetStream, StreamIsClearedAboveItsLimit) {
    ByteBuffer b;
    std::string chunk(1 << 20, 'z');
    chunk[0] = '{'; // one endless frame start
    b.append(chunk.data(), chunk.size());
    std::string rest(1 << 20, 'z');
    while (b.size() <= MAXSTREAMBYTES)
        b.append(rest.data(), rest.size());
    size_t before = b.size();
    b.append("{A:1}#", 6);
    EXPECT_LT(b.size(), before);
    EXPECT_EQ(b.size(), 6u);
    EXPECT_EQ(Drain(b), Frames{"{A:1}"});
}

class NetQueueTest : public CardTableTest {
  protected:
    void SetUp() override {
        CardTableTest::SetUp();
        char buf[NETTASKSTR];
        while (NetTask.GetTask(buf) != 0 || NetTask.IsTaskValid()) {
        }
        m_RecvBuffer.clear();
    }
    // Feeds datagrams, then runs the command step until the queue is empty.
    std::vector<std::string> Run(const std::vector<std::string>& datagrams) {
        testing::internal::CaptureStdout();
        for (const auto& d : datagrams)
            NetFeed(d.data(), static_cast<int>(d.size()));
        char buf[NETTASKSTR];
        while (NetTask.IsTaskValid())
            NetCmdStep(buf);
        printed_ = testing::internal::GetCapturedStdout();
        return AllCalls();
    }
    std::string printed_;
};

using Calls = std::vector<std::string>;

TEST_F(NetQueueTest, CommandsReachHandlers) {
    struct Case {
        std::string datagram;
        Calls calls;
    };
    const Case cases[] = {
        {"{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}#", {"2:OUT 5 1"}},
        {"{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=-3;:0}#", {"2:OUT 5 0"}},
        {"{X:CMD=CTL_STEP;SlotID=3;ChIdx=0;CTL_STEP=-500;:0}#", {"3:MOT 0 500&200&1&0&0&0&0&0&0&0&0"}},
        {"{X:CMD=CTL_STEP;SlotID=3;ChIdx=0;CTL_STEP=0;:0}#", {"3:MOT 0 0&200&1&0&0&0&0&0&0&0&0"}},
        {"{X:CMD=CTL_STEP;SlotID=3;ChIdx=1;CTL_STEP=250;:0}#", {"3:MOT 1 250&200&0&0&0&0&0&0&0&0&0"}},
        {"{X:cmd=ctl_dg;slotid=4;chidx=1;ctl_dg=-3;:0}#", {"4:DG 1 3"}},
        {"{X:CMD=CTL_CLRCNT;SlotID=6;ChIdx=2;:0}#", {"6:ROCLR 2 null"}},
        {"{X:CMD=CTL_LINK;CTL_OUT=1;ChIdx=3;:12345}#", {"13:Parse CMD=CTL_LINK;CTL_OUT=1;ChIdx=3;"}},
        // missing keys, bad card indexes and unknown words change nothing
        {"{X:CMD=CTL_OUT;SlotID=2;CTL_OUT=1;:0}#", {}},
        {"{X:CMD=CTL_STEP;SlotID=3;ChIdx=0;:0}#", {}},
        {"{X:CMD=CTL_OUT;SlotID=14;ChIdx=5;CTL_OUT=1;:0}#", {}},
        {"{X:CMD=CTL_OUT;SlotID=-1;ChIdx=5;CTL_OUT=1;:0}#", {}},
        {"{X:CMD=CTL_OUT;SlotID=4294967298;ChIdx=5;CTL_OUT=1;:0}#", {}},
        {"{X:CMD=CTL_JUMP;SlotID=2;:0}#", {}},
        {"{X:SlotID=2;ChIdx=5;CTL_OUT=1;:0}#", {}},
        {"{nofields}#", {}},
        {"{X:CMD=NUL;:0}#", {}},
    };
    for (const auto& c : cases) {
        for (auto& card : cards_)
            card.calls.clear();
        EXPECT_EQ(Run({c.datagram}), c.calls) << c.datagram;
    }
}

TEST_F(NetQueueTest, MessagesOfTheCommandStep) {
    Run({"{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}#"});
    EXPECT_NE(printed_.find("AddTask: CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;  [3] OK\n"), std::string::npos);
    EXPECT_NE(printed_.find(
                  "-=---------CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;-----\nNetCmdIdx=CTL_OUT, Level=1\n"),
              std::string::npos);
    Run({"{X:CMD=CTL_DG;SlotID=4;ChIdx=1;CTL_DG=-3;:0}#{X:CMD=CTL_STEP;SlotID=3;ChIdx=0;CTL_STEP=-500;:0}#"});
    EXPECT_NE(printed_.find("NetCmdIdx=CTL_DG, lodIdx=4, ChIdx=1, POS=3\n"), std::string::npos);
    EXPECT_NE(printed_.find("NetCmdIdx=CTL_STEP, Step=500 Dir=1\n"), std::string::npos);
}

TEST_F(NetQueueTest, ArrivalOrderAndSplitFrames) {
    EXPECT_EQ(
        Run({"{X:CMD=CTL_OUT;SlotID=2;ChIdx=1;CTL_OUT=1;:0}#{X:CMD=CTL_OUT;SlotID=5;ChIdx=2;CTL_OUT=0;:0}#"}),
        (Calls{"2:OUT 1 1", "5:OUT 2 0"}));
    for (auto& card : cards_)
        card.calls.clear();
    EXPECT_EQ(Run({"{X:CMD=CTL_", "OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}#"}), Calls{"2:OUT 5 1"});
}

TEST_F(NetQueueTest, FullQueueKeepsNewest32) {
    testing::internal::CaptureStdout();
    for (int i = 0; i < 33; ++i) {
        std::string f = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=" + std::to_string(i) + ";CTL_OUT=1;:0}#";
        EXPECT_EQ(NetFeed(f.data(), static_cast<int>(f.size())), 1);
    }
    EXPECT_EQ(NetTask.TaskInIdx, MAXNETTASK);
    // An unknown command on a full queue must not push anything out.
    std::string bad = "{X:CMD=CTL_JUMP;:0}#";
    NetFeed(bad.data(), static_cast<int>(bad.size()));
    EXPECT_EQ(NetTask.TaskInIdx, MAXNETTASK);
    char buf[NETTASKSTR];
    EXPECT_EQ(NetTask.GetTask(buf), CTL_OUT);
    EXPECT_STREQ(buf, "CMD=CTL_OUT;SlotID=2;ChIdx=1;CTL_OUT=1;");
    for (int i = 2; i < 33; ++i)
        EXPECT_EQ(NetTask.GetTask(buf), CTL_OUT);
    EXPECT_STREQ(buf, "CMD=CTL_OUT;SlotID=2;ChIdx=32;CTL_OUT=1;");
    strcpy(buf, "untouched");
    EXPECT_EQ(NetTask.GetTask(buf), 0);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_EQ(NetTask.IsTaskValid(), 0);
    testing::internal::GetCapturedStdout();
}

TEST_F(NetQueueTest, LongBodyIsCutAndFloodStaysBounded) {
    testing::internal::CaptureStdout();
    std::string longBody = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=1;CTL_OUT=1;" + std::string(3000, 'p') + ";:0}#";
    NetFeed(longBody.data(), static_cast<int>(longBody.size()));
    char buf[NETTASKSTR];
    EXPECT_EQ(NetTask.GetTask(buf), CTL_OUT);
    EXPECT_EQ(strlen(buf), static_cast<size_t>(NETBODYMAX));

    // A flood of garbage and of frames never lets the stream grow.
    std::string junk(1400, 'j');
    std::string frames;
    for (int i = 0; i < 20; ++i)
        frames += "{X:CMD=CTL_OUT;SlotID=2;ChIdx=1;CTL_OUT=1;:0}#";
    for (int i = 0; i < 300; ++i) {
        NetFeed(junk.data(), static_cast<int>(junk.size()));
        NetFeed(frames.data(), static_cast<int>(frames.size()));
        EXPECT_LE(m_RecvBuffer.size(), frames.size() + junk.size());
    }
    EXPECT_EQ(NetTask.TaskInIdx, MAXNETTASK);
    testing::internal::GetCapturedStdout();
}

} // namespace
