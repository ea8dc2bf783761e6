// The board and the I/O card as the simulated rack presents them to the bus.
#include <gtest/gtest.h>

#include <string>

#include "hardware.h"
#include "simbus.h"

namespace {

TEST(SimDigital, RegistersBehaveLikeTheHardware) {
    vz5test::SimBus bus("[board]\nkind = 0xA4\ntasks = 3\n[slots]\n4 = 0x83\n");
    ASSERT_TRUE(bus.Opened);
    struct Step {
        int slot;
        int reg;
        int write;       // -1: no write, only the read
        const char* set; // control request before the access, or nullptr
        int read;
    };
    const Step steps[] = {
        // I/O card: version and model fixed, outputs and fault read back, inputs from outside.
        {4, 3, 0x55, nullptr, 0x12},
        {4, 4, 0x11, nullptr, 0x83},
        {4, 5, 0x3C, nullptr, 0x3C},
        {4, 6, 0xC3, nullptr, 0xC3},
        {4, 7, 0x01, nullptr, 0x01},
        {4, 10, 1, nullptr, 1},
        {4, 8, -1, "set 4 8 0x81", 0x81},
        {4, 8, 0x00, nullptr, 0x81},
        {4, 9, 0xFF, "set 4 9 2", 2},
        {4, 3, -1, "set 4 3 0x20", 0x20},
        // Board: kind and task count, inputs from outside, outputs read back.
        {0, 1, -1, nullptr, 0xA4},
        {0, 8, 0x07, nullptr, 3},
        {0, 3, 0x01, "set 0 3 0x40", 0x40},
        {0, 4, -1, "set 0 4 9", 9},
        {0, 5, 0x12, nullptr, 0x12},
        {0, 6, 0x34, nullptr, 0x34},
        // Keypad: a written value other than 0 leaves the code; the fault output does not
        // disturb it; 0 acknowledges it.
        {0, 2, -1, "key 0x5A", 0x5A},
        {0, 1, 0x01, nullptr, 0xA4},
        {0, 2, -1, nullptr, 0x5A},
        {0, 2, 1, nullptr, 0x5A},
        {0, 1, 0x00, nullptr, 0xA4},
        {0, 2, -1, nullptr, 0},
    };
    for (const Step& s : steps) {
        if (s.set) {
            ASSERT_EQ(bus.Ask(s.set), "ok") << s.set;
        }
        outportb(0, static_cast<unsigned char>(s.slot));
        if (s.write >= 0) outportb(static_cast<unsigned short>(s.reg), static_cast<unsigned char>(s.write));
        EXPECT_EQ(inportb(static_cast<unsigned short>(s.reg)), s.read)
            << "slot " << s.slot << " reg " << s.reg;
    }
    EXPECT_EQ(bus.Ask("last 0 2"), "1"); // the fault output as written
    EXPECT_EQ(bus.Ask("last 4 10"), "1");
    EXPECT_EQ(bus.Ask("get 4 8"), "129"); // a look does not change the card
}

} // namespace
