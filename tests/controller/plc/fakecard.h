// A card that records every operation it receives, and a fixture that fills
// the card table with such cards for the duration of one test. The card may be
// driven by a PLC task on another thread: recording and the values a test sets
// are safe to use from both sides.
#pragma once
#include "hardware.h"
#include "vekt_man.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

struct FakeCard : CVekt_MANAGER {
    std::vector<std::string> calls;                           // guarded by mu when a task runs
    std::vector<std::chrono::steady_clock::time_point> times; // when each call came
    std::atomic<int> result{1};
    std::atomic<int> inputs[64] = {};
    std::atomic<int> fault{-1};
    std::atomic<int> faultReports{0}; // every alarm scan reports to the CPU board
    // LD and LDI hold (result 0) until input ch is at the level named by the
    // parameter, as an input card does; otherwise they return result.
    std::atomic<bool> levelWait{false};
    std::mutex mu;

    int Record(const char* op, int ch, void* arg, int res) {
        std::lock_guard<std::mutex> lk(mu);
        calls.push_back(std::string(op) + " " + std::to_string(ch) + " " +
                        (arg ? static_cast<const char*>(arg) : "null"));
        times.push_back(std::chrono::steady_clock::now());
        return res;
    }
    std::vector<std::string> Snapshot() {
        std::lock_guard<std::mutex> lk(mu);
        return calls;
    }
    int Count(const std::string& call) {
        std::lock_guard<std::mutex> lk(mu);
        int n = 0;
        for (auto& c : calls)
            n += c == call;
        return n;
    }
    int Level(int ch, void* a) {
        if (!levelWait) return result;
        int want = a ? atoi(static_cast<const char*>(a)) : 1;
        return (ch >= 0 && ch < 64 && inputs[ch] == want) ? 1 : 0;
    }
    int Cmd_OUT(int ch, void* a) override { return Record("OUT", ch, a, result); }
    int Cmd_LD(int ch, void* a) override { return Record("LD", ch, a, Level(ch, a)); }
    int Cmd_OUTI(int ch, void* a) override { return Record("OUTI", ch, a, result); }
    int Cmd_LDI(int ch, void* a) override { return Record("LDI", ch, a, Level(ch, a)); }
    int Cmd_MOT(int ch, void* a) override { return Record("MOT", ch, a, result); }
    int Cmd_LMOT(int ch, void* a) override { return Record("LMOT", ch, a, result); }
    int Cmd_RSTZ(int ch, void* a) override { return Record("RSTZ", ch, a, result); }
    int Cmd_DG(int ch, void* a) override { return Record("DG", ch, a, result); }
    int Cmd_LDG(int ch, void* a) override { return Record("LDG", ch, a, result); }
    int Cmd_ROW(int ch, void* a) override { return Record("ROW", ch, a, result); }
    int Cmd_ROCLR(int ch, void* a) override { return Record("ROCLR", ch, a, result); }
    int Cmd_SETPOT(int ch, void* a) override { return Record("SETPOT", ch, a, result); }
    // A positive result chooses the file "A.F"; otherwise the card names "NUL".
    int Cmd_IF(int ch, void* a, char* out) override {
        int res = result;
        if (out) strcpy(out, res > 0 ? "A.F" : "NUL");
        return Record("IF", ch, a, res);
    }
    HILOW DigIn(int ch) override {
        {
            std::lock_guard<std::mutex> lk(mu);
            calls.push_back("DigIn " + std::to_string(ch));
            times.push_back(std::chrono::steady_clock::now());
        }
        return (ch >= 0 && ch < 64 && inputs[ch] != 0) ? HI : LOW;
    }
    int SetFaultReport(int e) override {
        fault = e;
        ++faultReports;
        return 1;
    }
    void SetRemoteIPPort(char* name, char* ip, int port) override {
        std::lock_guard<std::mutex> lk(mu);
        calls.push_back(std::string("VD ") + name + " " + ip + " " + std::to_string(port));
        times.push_back(std::chrono::steady_clock::now());
    }
    int Parse(char* msg) override {
        std::lock_guard<std::mutex> lk(mu);
        calls.push_back(std::string("Parse ") + msg);
        times.push_back(std::chrono::steady_clock::now());
        return 1;
    }
};

class CardTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedNum_ = GlobeCardInfo.CardNum;
        for (int i = 0; i < MAXCARDNO; ++i) {
            saved_[i] = Vekt_CardMan[i];
            Vekt_CardMan[i] = &cards_[i];
        }
        GlobeCardInfo.CardNum = MAXCARDNO;
    }
    void TearDown() override {
        for (int i = 0; i < MAXCARDNO; ++i)
            Vekt_CardMan[i] = saved_[i];
        GlobeCardInfo.CardNum = savedNum_;
    }
    // Every card's calls, "card:call", in card order.
    std::vector<std::string> AllCalls() {
        std::vector<std::string> out;
        for (int i = 0; i < MAXCARDNO; ++i)
            for (auto& c : cards_[i].calls)
                out.push_back(std::to_string(i) + ":" + c);
        return out;
    }
    FakeCard cards_[MAXCARDNO];
    CVekt_MANAGER* saved_[MAXCARDNO] = {};
    int savedNum_ = 0;
};
