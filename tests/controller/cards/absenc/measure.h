// Shared pieces of the measuring-card tests: a rack with one card, trace helpers and
// the expected status frame.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardware.h"
#include "protocol.h"
#include "simbus.h"

namespace measuretest {

// The trace of one CardSelect-plus-access per entry, starting with slot 0 selected
// (see TraceFromBoard): each access follows a write of the slot number to register 0.
inline std::vector<std::string> Selected(int slot, const std::vector<std::string>& accesses) {
    std::vector<std::string> out;
    int from = 0;
    for (const auto& a : accesses) {
        out.push_back("W " + std::to_string(from) + " 0 " + std::to_string(slot));
        out.push_back(a);
        from = slot;
    }
    return out;
}

// Starts a trace with slot 0 selected, so the first select line is predictable.
inline void TraceFromBoard(vz5test::SimBus& bus) {
    outportb(0, 0);
    ASSERT_EQ(bus.Ask("trace on"), "ok");
}

inline std::string Frame(const std::string& body) {
    return "{CMD_HARD:" + body + ":" +
           std::to_string(SndCheckSum(body.c_str(), static_cast<short>(body.size()))) + "}#";
}

} // namespace measuretest
