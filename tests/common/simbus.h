// The controller's bus opened on a simulated rack inside the test process: a rack
// file in a temporary folder, the real register path, and the rack's control
// requests without a socket.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hardware.h"
#include "simrack.h"

namespace vz5test {

class SimBus {
  public:
    // Opens the bus on a rack described by rackText (INI text of a rack file).
    explicit SimBus(const std::string& rackText) {
        char tmpl[] = "/tmp/corlan-simbus.XXXXXX";
        Dir = mkdtemp(tmpl);
        std::string rack = Dir + "/rack.ini";
        std::ofstream(rack) << rackText;
        unsetenv("CORLAN_SIM_PORT");
        setenv("CORLAN_BUS", ("sim:" + rack).c_str(), 1);
        Hardware.CloseHard();
        testing::internal::CaptureStdout();
        Opened = Hardware.OpenHard();
        LoadOutput = testing::internal::GetCapturedStdout();
    }
    ~SimBus() {
        Hardware.CloseHard();
        unsetenv("CORLAN_BUS");
        (void)system(("rm -rf '" + Dir + "'").c_str());
    }
    SimBus(const SimBus&) = delete;
    SimBus& operator=(const SimBus&) = delete;

    // One control request ("get 2 5", "set 2 8 1", "key 0x5a", "trace on", ...).
    std::string Ask(const std::string& req) { return ActiveSimRack()->Request(req); }
    // The register accesses recorded since "trace on", one "R|W slot reg value" each.
    std::vector<std::string> Trace() {
        std::vector<std::string> lines;
        std::istringstream in(Ask("trace"));
        for (std::string l; std::getline(in, l);)
            if (!l.empty()) lines.push_back(l);
        return lines;
    }

    std::string Dir;
    bool Opened = false;
    std::string LoadOutput;
};

} // namespace vz5test
