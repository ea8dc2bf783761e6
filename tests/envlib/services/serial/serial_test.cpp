// Serial ports in an attached library: the receive ring, the port list
// record, and the port exports over real serial lines (pseudo-terminals)
// with the reader running: bytes in order both ways, the ring's bound, two
// ports served while one never pauses, the device's line settings, bad
// arguments and a line whose far end goes away.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
// windows.h without the macros that clash with the platform layer's names.
#include "platform/win32/winapi.h"
#endif
#include "attachedstation.h"
#include "core/lifecycle.h"
#include "dorlix.h"
#include "serialline.h"
#include "services/ringbuffer.h"
#include "services/wpuart.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-serial");

// Bytes 0..255 over and over, offset so that neighbouring blocks differ.
std::string Pattern(size_t n, int seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + static_cast<size_t>(seed)) & 0xFF);
    return s;
}

// ---- The ring ----

TEST(SerialRing, HoldsOneByteLessThanItsSizeInArrivalOrder) {
    std::vector<unsigned char> storage(dorlix::SERIAL_RING_STORAGE);
    dorlix::RingBuffer ring;
    ring.Reset(storage.data(), dorlix::SERIAL_RING_SIZE);
    const std::string in = Pattern(40960, 1);
    EXPECT_EQ(ring.Store(reinterpret_cast<const unsigned char*>(in.data()), 40960), 40959u);
    EXPECT_EQ(ring.Store(reinterpret_cast<const unsigned char*>("x"), 1), 0u) << "full: the byte is lost";
    std::string out(40960, '\0');
    ASSERT_EQ(ring.Take(reinterpret_cast<unsigned char*>(&out[0]), 40960), 40959u);
    EXPECT_TRUE(out.substr(0, 40959) == in.substr(0, 40959));
    EXPECT_EQ(ring.Take(reinterpret_cast<unsigned char*>(&out[0]), 1), 0u);

    // Across the end of the storage, in pieces of odd sizes.
    const std::string more = Pattern(30000, 2);
    std::string back;
    for (size_t at = 0; at < more.size(); at += 977) {
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(977, more.size() - at));
        ASSERT_EQ(ring.Store(reinterpret_cast<const unsigned char*>(more.data() + at), n), n);
        char piece[1000];
        back.append(piece, ring.Take(reinterpret_cast<unsigned char*>(piece), 500));
    }
    char rest[40960];
    back.append(rest, ring.Take(reinterpret_cast<unsigned char*>(rest), sizeof rest));
    EXPECT_TRUE(back == more);
}

TEST(SerialRing, OneProducerAndOneConsumerLoseNothingThatFits) {
    std::vector<unsigned char> storage(dorlix::SERIAL_RING_STORAGE);
    dorlix::RingBuffer ring;
    ring.Reset(storage.data(), dorlix::SERIAL_RING_SIZE);
    constexpr uint32_t kTotal = 4000000;
    std::thread producer([&] {
        unsigned char block[1500];
        uint32_t next = 0;
        while (next < kTotal) {
            const uint32_t n = std::min<uint32_t>(1 + next % 1499, kTotal - next);
            for (uint32_t i = 0; i < n; ++i)
                block[i] = static_cast<unsigned char>((next + i) % 251);
            // Store only what fits, so that nothing is lost.
            uint32_t stored = 0;
            while (stored < n)
                stored += ring.Store(block + stored, n - stored);
            next += n;
        }
    });
    uint32_t taken = 0, wrong = 0;
    unsigned char buf[3000];
    while (taken < kTotal) {
        const uint32_t n = ring.Take(buf, 1 + taken % 2999);
        for (uint32_t i = 0; i < n; ++i)
            wrong += buf[i] != static_cast<unsigned char>((taken + i) % 251);
        taken += n;
    }
    producer.join();
    EXPECT_EQ(wrong, 0u);
}

// ---- The port list record ----

TEST(SerialPortList, NamesOfTheMapOrTheFiftyComNames) {
    const std::string longName(60, 'N');
    std::vector<std::string> many;
    for (int i = 0; i < 120; ++i)
        many.push_back("COM" + std::to_string(i + 1));
    struct Case {
        std::vector<std::string> names;
        int result;
        int count;
        const char* first;
        const char* last;
    } cases[] = {
        {{"COM1", "COM3"}, 0, 2, "COM1", "COM3"},
        {{}, 0, 50, "COM0", "COM49"},         // no ports: the fallback, still 0
        {{"COM1"}, -1, 50, "COM0", "COM49"},  // the map could not be opened
        {{"COM1"}, -2, 50, "COM0", "COM49"},  // nor closed
        {many, 0, 100, "COM1", "COM100"},     // at most 100 names
        {{longName}, 0, 1, nullptr, nullptr}, // cut to its 50-byte slot
    };
    for (const Case& c : cases) {
        SerialPortList list;
        std::memset(&list, 0x5A, sizeof list);
        EXPECT_EQ(dorlix::FillSerialPortList(&list, c.names, c.result), c.result);
        ASSERT_EQ(list.count, c.count);
        if (c.first) {
            EXPECT_STREQ(list.name[0], c.first);
            EXPECT_STREQ(list.name[c.count - 1], c.last);
        } else {
            EXPECT_EQ(std::string(list.name[0]), longName.substr(0, 49));
        }
    }
}

// ---- The exports ----

class SerialPorts : public ::testing::Test {
  protected:
    void TearDown() override {
        for (int i = 0; i < 10; ++i)
            CloseSerialPort(i);
    }
    // Makes line k, or skips the test where the platform has none.
    bool MakeLine(serialtest::SerialLine& line, int k) {
        std::string why;
        if (line.Make(k, g_attached->Get().Scratch(), &why)) return true;
        skipped_ = why;
        return false;
    }
    // What the port delivers until want bytes have come or ms have passed.
    static std::string ReadPort(int index, size_t want, int ms) {
        std::string got;
        char buf[8192];
        for (int waited = 0; got.size() < want && waited < ms; waited += 10) {
            const int n = ReadSerialPort(index, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<size_t>(n));
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return got;
    }
    // Returns once the reader has visited slot 0 from start to end since the
    // call: slots 1 and 2 are probed in turn, and slot 0 comes between the
    // visit of slot 2 and the next one of slot 1. (A single slot's probes
    // could all be taken in one visit: a visit goes on while bytes come.)
    static void AfterAVisitOfSlot0(serialtest::SerialLine& probe1, serialtest::SerialLine& probe2) {
        serialtest::SerialLine* probes[] = {&probe1, &probe2, &probe1};
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(probes[i]->Send("p"));
            ASSERT_EQ(ReadPort(i == 1 ? 2 : 1, 1, 20000), "p");
        }
    }
    std::string skipped_;
};

#define MAKE_LINE(line, k)                                                                                   \
    if (!MakeLine(line, k)) GTEST_SKIP() << skipped_

TEST_F(SerialPorts, EveryPortExportRefusesBadIndexes) {
    char buf[4] = {};
    for (int index : {10, 11, INT_MAX}) {
        EXPECT_EQ(OpenSerialPort(index, "COM1", 8, 0, 0, 9600), -1) << index;
        EXPECT_EQ(CloseSerialPort(index), -1) << index;
        EXPECT_EQ(ReadSerialPort(index, buf, 4), -1) << index;
        EXPECT_EQ(WriteSerialPort(index, buf, 4), -1) << index;
    }
    for (int index : {-1, INT_MIN}) {
        EXPECT_EQ(OpenSerialPort(index, "COM1", 8, 0, 0, 9600), -2) << index;
        EXPECT_EQ(CloseSerialPort(index), -2) << index;
        EXPECT_EQ(ReadSerialPort(index, buf, 4), -2) << index;
        EXPECT_EQ(WriteSerialPort(index, buf, 4), -2) << index;
    }
}

TEST_F(SerialPorts, ClosedPortsUnknownDevicesAndNoList) {
    char buf[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(ReadSerialPort(3, buf, 4), 0);
    EXPECT_EQ(WriteSerialPort(3, buf, 4), 0);
    EXPECT_EQ(CloseSerialPort(3), 1);
    EXPECT_EQ(OpenSerialPort(3, nullptr, 8, 0, 0, 9600), 0);
    EXPECT_EQ(OpenSerialPort(3, "COM0", 8, 0, 0, 9600), 0);
    EXPECT_EQ(OpenSerialPort(3, "COM99", 8, 0, 0, 9600), 0);
    EXPECT_EQ(OpenSerialPort(3, "NOSUCHPORT", 8, 0, 0, 9600), 0);
    EXPECT_EQ(ReadSerialPort(3, buf, 4), 0);
    EXPECT_EQ(GetSerialPortInfo(nullptr), -1);
    EXPECT_EQ(StopSerialThread(), -1);
}

TEST_F(SerialPorts, BytesArriveInOrderBothWaysWithTheReaderRunning) {
    serialtest::SerialLine line;
    MAKE_LINE(line, 0);
    ASSERT_EQ(RunSerialThread(), 1);
    ASSERT_EQ(OpenSerialPort(0, line.PortName().c_str(), 8, 0, 0, 9600), 1);
    char buf[64];
    EXPECT_EQ(ReadSerialPort(0, buf, sizeof buf), 0) << "nothing received yet";

    const std::string parts[] = {"first;", std::string("\0\x11\x13\r\n\xff", 6), Pattern(5000, 3), "last"};
    std::string sent;
    for (const std::string& p : parts) {
        ASSERT_TRUE(line.Send(p));
        sent += p;
    }
    const std::string got = ReadPort(0, sent.size(), 20000);
    EXPECT_EQ(got.size(), sent.size());
    EXPECT_TRUE(got == sent) << "binary bytes, in order";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadSerialPort(0, buf, sizeof buf), 0);

    const std::string out = std::string("reply\0\r\n", 8) + Pattern(3000, 4);
    EXPECT_EQ(WriteSerialPort(0, out.data(), static_cast<int>(out.size())), static_cast<int>(out.size()));
    EXPECT_TRUE(line.Receive(out.size(), 10000) == out);

    // A second open of the slot changes nothing; the port goes on working.
    EXPECT_EQ(OpenSerialPort(0, line.PortName().c_str(), 8, 0, 0, 9600), 0);
    ASSERT_TRUE(line.Send("again"));
    EXPECT_EQ(ReadPort(0, 5, 20000), "again");

    // Null buffers and sizes that are no sizes, on an open port.
    EXPECT_EQ(ReadSerialPort(0, nullptr, 10), 0);
    EXPECT_EQ(ReadSerialPort(0, buf, 0), 0);
    EXPECT_EQ(ReadSerialPort(0, buf, -5), 0);
    EXPECT_EQ(WriteSerialPort(0, nullptr, 10), 0);
    EXPECT_EQ(WriteSerialPort(0, "x", -1), 0);
    EXPECT_EQ(WriteSerialPort(0, "x", 0), 0);

    EXPECT_EQ(CloseSerialPort(0), 1);
    EXPECT_EQ(ReadSerialPort(0, buf, sizeof buf), 0);
    EXPECT_EQ(WriteSerialPort(0, "x", 1), 0);
}

TEST_F(SerialPorts, UnreadBytesBeyondTheRingAreLost) {
    serialtest::SerialLine line, probe1, probe2;
    MAKE_LINE(line, 0);
    MAKE_LINE(probe1, 1);
    MAKE_LINE(probe2, 2);
    ASSERT_EQ(RunSerialThread(), 1);
    ASSERT_EQ(OpenSerialPort(0, line.PortName().c_str(), 8, 0, 0, 115200), 1);
    ASSERT_EQ(OpenSerialPort(1, probe1.PortName().c_str(), 8, 0, 0, 115200), 1);
    ASSERT_EQ(OpenSerialPort(2, probe2.PortName().c_str(), 8, 0, 0, 115200), 1);
    const std::string sent = Pattern(40960, 5);
    ASSERT_TRUE(line.Send(sent));
    AfterAVisitOfSlot0(probe1, probe2);
    const std::string got = ReadPort(0, 40960, 500);
    EXPECT_EQ(got.size(), 40959u);
    EXPECT_TRUE(got == sent.substr(0, 40959)) << "the first 40,959 bytes, in order";
    ASSERT_TRUE(line.Send("next"));
    EXPECT_EQ(ReadPort(0, 4, 20000), "next") << "room again once read, and the 40,960th byte lost";
}

TEST_F(SerialPorts, BothPortsAreServedWhileOneReceivesWithoutPause) {
    serialtest::SerialLine busy, quiet;
    MAKE_LINE(busy, 0);
    MAKE_LINE(quiet, 1);
    ASSERT_EQ(RunSerialThread(), 1);
    ASSERT_EQ(OpenSerialPort(0, busy.PortName().c_str(), 8, 0, 0, 115200), 1);
    ASSERT_EQ(OpenSerialPort(1, quiet.PortName().c_str(), 8, 0, 0, 115200), 1);
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        const std::string block = Pattern(4096, 6);
        while (!stop.load() && busy.Send(block)) {
        }
    });
    // The busy port's bytes keep coming; the other one is served all the same.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(quiet.Send("ping"));
    EXPECT_EQ(ReadPort(1, 4, 20000), "ping");
    char buf[4096];
    EXPECT_GT(ReadSerialPort(0, buf, sizeof buf), 0);
    stop = true;
    flood.join(); // the reader drains the busy port, so the last send ends
}

TEST_F(SerialPorts, RatesAndStopBitsOfTheDevice) {
    serialtest::SerialLine line;
    MAKE_LINE(line, 0);
    struct Case {
        int baud, stopCode;
        long wantBaud;
        bool wantExtraStop;
    } cases[] = {
        {9600, 0, 9600, false},   {14400, 0, 115200, false}, // not a rate of the table
        {0, 0, 115200, false},    {19200, 2, 19200, true},
        {2400, 5, 2400, true}, // no stop-bits code: the two stop bits stay
        {57600, 0, 57600, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        ASSERT_EQ(OpenSerialPort(2, line.PortName().c_str(), 8, c.stopCode, 0, c.baud), 1);
        ASSERT_EQ(CloseSerialPort(2), 1);
        serialtest::LineSettings s;
        ASSERT_TRUE(line.Read(s));
        EXPECT_EQ(s.baud, c.wantBaud);
        EXPECT_EQ(s.extraStop, c.wantExtraStop);
    }
}

TEST_F(SerialPorts, ParityCodeOutsideTheTableKeepsTheDevicesParity) {
    VZ5_POSIX_ONLY("a pty keeps no parity that Wine could read back");
    serialtest::SerialLine line;
    MAKE_LINE(line, 0);
    struct Case {
        int parityCode;
        bool wantOdd;
    } cases[] = {{3, true}, {1, false}, {2, true}, {0, false}, {-1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parityCode);
        ASSERT_TRUE(line.SetOddParity());
        ASSERT_EQ(OpenSerialPort(2, line.PortName().c_str(), 8, 0, c.parityCode, 9600), 1);
        serialtest::LineSettings s;
        ASSERT_TRUE(line.Read(s));
        EXPECT_EQ(s.oddChoice, c.wantOdd);
        ASSERT_EQ(CloseSerialPort(2), 1);
    }
}

TEST_F(SerialPorts, RatesWithoutATermiosConstant) {
    VZ5_POSIX_ONLY("the rate is set through termios2 here; Windows hands it to the driver");
    serialtest::SerialLine line;
    MAKE_LINE(line, 0);
    for (int baud : {128000, 256000}) {
        ASSERT_EQ(OpenSerialPort(2, line.PortName().c_str(), 8, 0, 0, baud), 1);
        ASSERT_EQ(CloseSerialPort(2), 1);
        serialtest::LineSettings s;
        ASSERT_TRUE(line.Read(s));
        EXPECT_EQ(s.baud, baud);
    }
}

TEST_F(SerialPorts, ADeviceIsNotShared) {
    VZ5_POSIX_ONLY("Wine lets a COM port be opened twice");
    serialtest::SerialLine line;
    MAKE_LINE(line, 0);
    ASSERT_EQ(OpenSerialPort(0, line.PortName().c_str(), 8, 0, 0, 9600), 1);
    EXPECT_EQ(OpenSerialPort(1, line.PortName().c_str(), 8, 0, 0, 9600), 0);
    EXPECT_EQ(CloseSerialPort(0), 1);
    EXPECT_EQ(OpenSerialPort(1, line.PortName().c_str(), 8, 0, 0, 9600), 1) << "free again once closed";
}

TEST_F(SerialPorts, APortWhoseLineGoesAwayNeitherReadsNorWritesNorStallsTheOthers) {
    VZ5_POSIX_ONLY("only the test's own pty can be pulled away under the port");
    serialtest::SerialLine gone, other;
    MAKE_LINE(gone, 0);
    MAKE_LINE(other, 1);
    ASSERT_EQ(RunSerialThread(), 1);
    ASSERT_EQ(OpenSerialPort(0, gone.PortName().c_str(), 8, 0, 0, 9600), 1);
    ASSERT_EQ(OpenSerialPort(1, other.PortName().c_str(), 8, 0, 0, 9600), 1);
    gone.Hangup();
    ASSERT_TRUE(other.Send("still here"));
    EXPECT_EQ(ReadPort(1, 10, 20000), "still here");
    char buf[16];
    EXPECT_EQ(ReadSerialPort(0, buf, sizeof buf), 0);
    EXPECT_EQ(WriteSerialPort(0, "lost", 4), 0);
    ASSERT_TRUE(other.Send("and again"));
    EXPECT_EQ(ReadPort(1, 9, 20000), "and again");
    EXPECT_EQ(CloseSerialPort(0), 1);
}

TEST_F(SerialPorts, PortListOfTheSystem) {
    serialtest::SerialLine a, b;
    SerialPortList list;
    if (vz5test::kWindows) {
        // The prefix's device map (Wine lists the serial devices it found).
        const int result = GetSerialPortInfo(&list);
        ASSERT_TRUE(result == 0 || result == -1) << result;
        ASSERT_GT(list.count, 0);
        for (int i = 0; i < list.count; ++i)
            EXPECT_GT(std::strlen(list.name[i]), 0u) << i;
        if (result == -1) {
            EXPECT_EQ(list.count, 50);
        }
        return;
    }
    MAKE_LINE(a, 0);
    MAKE_LINE(b, 1);
    // The root's links come first, by number, in upper case.
    ASSERT_EQ(GetSerialPortInfo(&list), 0);
    ASSERT_GE(list.count, 2);
    EXPECT_STREQ(list.name[0], "COM3");
    EXPECT_STREQ(list.name[1], "COM4");
    EXPECT_EQ(OpenSerialPort(0, list.name[1], 8, 0, 0, 9600), 1) << "a listed name opens";
}

} // namespace
