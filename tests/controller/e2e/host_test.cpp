// A host on loopback commanding a Corlan process on the simulated rack: frames
// whole and split over datagrams reach the I/O card's output register, and the
// status reports that follow carry the new output byte with a valid checksum.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "corlanchild.h"
#include "corlanrun.h"
#include "loopback.h"

namespace {

using vz5test::CorlanChild;
using vz5test::CorlanRun;

const char* IosRack = "[board]\nkind = 0xA3\ntasks = 1\n[slots]\n2 = 0x83\n";
constexpr int IosOutL = 5; // outputs 0-7 of the I/O card

// Body and checksum of a "{CMD_HARD:body:checksum}#" frame; false when malformed.
bool SplitReport(const std::string& frame, std::string& body, unsigned& checksum) {
    const std::string head = "{CMD_HARD:";
    if (frame.rfind(head, 0) != 0 || frame.size() < head.size() + 4) return false;
    if (frame.compare(frame.size() - 2, 2, "}#") != 0) return false;
    size_t colon = frame.find(':', head.size());
    if (colon == std::string::npos) return false;
    body = frame.substr(head.size(), colon - head.size());
    checksum = static_cast<unsigned>(std::stoul(frame.substr(colon + 1, frame.size() - 2 - colon - 1)));
    return true;
}

unsigned ByteSum(const std::string& s) {
    unsigned sum = 0;
    for (unsigned char c : s)
        sum += c;
    return sum;
}

class HostCommandTest : public ::testing::Test {
  protected:
    HostCommandTest()
        : Run(IosRack, {{"plc1/RESET.PLC", "; the host drives this station\nEXIT\n"}}), Child(Run.Env()) {}
    // The host's socket is bound by a task of its own, which may come after
    // the PLC tasks: a frame sent before would find no one listening.
    void SetUp() override {
        ASSERT_TRUE(Child.WaitFor("RESET.PLC End!")) << Child.Out;
        ASSERT_TRUE(Child.WaitFor("UDP Port=")) << Child.Out;
    }
    bool OutputIs(int value) {
        return CorlanRun::Until([&] { return Run.Reg(2, IosOutL) == value; });
    }

    CorlanRun Run;
    CorlanChild Child;
    vz5test::HostPeer Pc;
};

TEST_F(HostCommandTest, WholeAndSplitFramesSwitchTheOutput) {
    const std::string set = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}#";
    const std::string clear = "{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=0;:0}#";
    ASSERT_EQ(Run.Reg(2, IosOutL), 0);

    Pc.Send(Run.Port, set);
    EXPECT_TRUE(OutputIs(0x20)) << "whole frame: output register " << Run.Reg(2, IosOutL);
    Pc.Send(Run.Port, clear);
    EXPECT_TRUE(OutputIs(0));

    Pc.Send(Run.Port, set.substr(0, 11)); // "{X:CMD=CTL_"
    usleep(100000);
    EXPECT_EQ(Run.Reg(2, IosOutL), 0) << "half a frame must not act";
    Pc.Send(Run.Port, set.substr(11));
    EXPECT_TRUE(OutputIs(0x20)) << "split frame: output register " << Run.Reg(2, IosOutL);
}

TEST_F(HostCommandTest, ReportOfTheIoCardShowsTheNewOutputByte) {
    Pc.Send(Run.Port, "{X:CMD=CTL_OUT;SlotID=2;ChIdx=5;CTL_OUT=7;:0}#");
    ASSERT_TRUE(OutputIs(0x20));
    // Reports of the previous cycle may still show the old byte: take the first
    // report that shows the new one within two cycles.
    std::string body;
    unsigned checksum = 0;
    bool found = false;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!found && std::chrono::steady_clock::now() < end) {
        std::string frame = Pc.Receive("{CMD_HARD:Type=Vekt_IOS;", "", 1000);
        if (frame.empty()) continue;
        ASSERT_TRUE(SplitReport(frame, body, checksum)) << frame;
        found = body.find(";OL8=32;") != std::string::npos;
    }
    ASSERT_TRUE(found) << "no report of the I/O card with OL8=32; last body: " << body;
    EXPECT_EQ(body.rfind("Type=Vekt_IOS;TypeID=131;SlotID=2;", 0), 0u) << body;
    EXPECT_EQ((ByteSum(body) + checksum) % 65536, 0u) << body << " checksum " << checksum;
}

TEST_F(HostCommandTest, MalformedAndUnknownInputChangesNothing) {
    for (const char* bad : {"#}{", "garbage without frame", "{X:CMD=CTL_NOPE;SlotID=2;ChIdx=5;:0}#",
                            "{X:CMD=CTL_OUT;SlotID=99;ChIdx=5;CTL_OUT=1;:0}#",
                            "{X:CMD=CTL_OUT;SlotID=-1;ChIdx=5;CTL_OUT=1;:0}#", "{X:no fields}#"})
        Pc.Send(Run.Port, bad);
    // A good frame after the bad ones is still taken, and it is the only change.
    Pc.Send(Run.Port, "{X:CMD=CTL_OUT;SlotID=2;ChIdx=1;CTL_OUT=1;:0}#");
    EXPECT_TRUE(OutputIs(0x02)) << Run.Reg(2, IosOutL);
    EXPECT_TRUE(Child.Running());
}

} // namespace
