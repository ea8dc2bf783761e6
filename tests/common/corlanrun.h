// A run directory for a Corlan child process: rack file, PLC programs and the
// environment that keeps the program inside the temporary folder and on loopback.
#pragma once
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "loopback.h"

namespace vz5test {

class CorlanRun {
  public:
    // files: path below the run directory (e.g. "plc1/RESET.PLC") -> text.
    CorlanRun(const std::string& rackText, const std::map<std::string, std::string>& files) {
        char tmpl[] = "/tmp/corlan-run.XXXXXX";
        Dir = mkdtemp(tmpl);
        mkdir((Dir + "/home").c_str(), 0755);
        for (int t = 1; t <= 8; ++t)
            mkdir((Dir + "/plc" + std::to_string(t)).c_str(), 0755);
        std::ofstream(Dir + "/rack.ini") << rackText;
        for (const auto& [path, text] : files)
            std::ofstream(Dir + "/" + path) << text;
        Port = FreeUdpPort();
        SimPort = FreeUdpPort();
    }
    ~CorlanRun() { (void)system(("rm -rf '" + Dir + "'").c_str()); }
    CorlanRun(const CorlanRun&) = delete;
    CorlanRun& operator=(const CorlanRun&) = delete;

    std::map<std::string, std::string> Env() const {
        return {{"CORLAN_RUNDIR", Dir},
                {"CORLAN_PIDFILE", Dir + "/pid"},
                {"CORLAN_PORT", std::to_string(Port)},
                {"CORLAN_IFACE", "lo"},
                {"CORLAN_HOMEDIR", Dir + "/home"},
                {"CORLAN_BUS", "sim:" + Dir + "/rack.ini"},
                {"CORLAN_SIM_PORT", std::to_string(SimPort)}};
    }
    // One request on the rack's control channel.
    std::string Sim(const std::string& req) const { return UdpAsk(SimPort, req); }
    // A register as the controller would read it now; -1 when the rack did not answer.
    int Reg(int slot, int reg) const {
        std::string r = Sim("get " + std::to_string(slot) + " " + std::to_string(reg));
        return r.empty() || r[0] < '0' || r[0] > '9' ? -1 : std::stoi(r);
    }
    // Polls until cond holds or ms have passed; true when it held.
    static bool Until(const std::function<bool()>& cond, int ms = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!cond()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    std::string Dir;
    int Port = 0;
    int SimPort = 0;
};

} // namespace vz5test
