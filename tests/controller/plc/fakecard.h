// A card that records every operation it receives, and a fixture that fills
// the card table with such cards for the duration of one test.
#pragma once
#include "hardware.h"
#include "vekt_man.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

struct FakeCard : CVekt_MANAGER {
    std::vector<std::string> calls;
    int result = 1;
    HILOW inputs[64] = {};
    int fault = -1;

    int Record(const char* op, int ch, void* arg, int res) {
        calls.push_back(std::string(op) + " " + std::to_string(ch) + " " +
                        (arg ? static_cast<const char*>(arg) : "null"));
        return res;
    }
    int Cmd_OUT(int ch, void* a) override { return Record("OUT", ch, a, result); }
    int Cmd_LD(int ch, void* a) override { return Record("LD", ch, a, result); }
    int Cmd_OUTI(int ch, void* a) override { return Record("OUTI", ch, a, result); }
    int Cmd_LDI(int ch, void* a) override { return Record("LDI", ch, a, result); }
    int Cmd_MOT(int ch, void* a) override { return Record("MOT", ch, a, result); }
    int Cmd_LMOT(int ch, void* a) override { return Record("LMOT", ch, a, result); }
    int Cmd_RSTZ(int ch, void* a) override { return Record("RSTZ", ch, a, result); }
    int Cmd_DG(int ch, void* a) override { return Record("DG", ch, a, result); }
    int Cmd_LDG(int ch, void* a) override { return Record("LDG", ch, a, result); }
    int Cmd_ROW(int ch, void* a) override { return Record("ROW", ch, a, result); }
    int Cmd_ROCLR(int ch, void* a) override { return Record("ROCLR", ch, a, result); }
    int Cmd_SETPOT(int ch, void* a) override { return Record("SETPOT", ch, a, result); }
    int Cmd_IF(int ch, void* a, char* out) override {
        if (out) strcpy(out, "A.F");
        return Record("IF", ch, a, result);
    }
    HILOW DigIn(int ch) override {
        calls.push_back("DigIn " + std::to_string(ch));
        return (ch >= 0 && ch < 64) ? inputs[ch] : LOW;
    }
    int SetFaultReport(int e) override {
        fault = e;
        return 1;
    }
    void SetRemoteIPPort(char* name, char* ip, int port) override {
        calls.push_back(std::string("VD ") + name + " " + ip + " " + std::to_string(port));
    }
    int Parse(char* msg) override {
        calls.push_back(std::string("Parse ") + msg);
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
