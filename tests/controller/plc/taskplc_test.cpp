// The PLC task interpreter run in-process on a thread of the test, with its
// program files in a temporary run directory and recording cards in the table.
#include "console.h"
#include "nettask.h"
#include "protocol.h"
#include "synx.h"
#include "taskplc.h"
#include "tasks.h"
#include "wakeup.h"

#include "fakecard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
using namespace std::chrono_literals;

// Standard output of the whole process goes into a file while a test runs, so
// that the test can read what the tasks print so far.
class StdoutTap {
  public:
    explicit StdoutTap(const std::string& path) : path_(path) {
        fflush(stdout);
        saved_ = dup(1);
        int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        dup2(fd, 1);
        close(fd);
    }
    ~StdoutTap() {
        fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
    }
    std::string Text() {
        pthread_mutex_lock(&DispLock);
        fflush(stdout);
        pthread_mutex_unlock(&DispLock);
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

  private:
    std::string path_;
    int saved_ = -1;
};

class TaskPlcTest : public CardTableTest {
  protected:
    void SetUp() override {
        CardTableTest::SetUp();
        char tmpl[] = "/tmp/vz5-taskplc-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        oldDir_ = std::filesystem::current_path();
        // Program files are opened relative to the current directory, as on the board.
        std::filesystem::current_path(dir_);
        std::filesystem::create_directory("plc1");
        std::filesystem::create_directory("plc2");
        for (auto& k : GlobeHKey)
            k = HKEY_NUL;
        char body[NETTASKSTR];
        while (NetTask.GetTask(body) != 0) {
        }
        GlobePutDebugInfo = 1;
        tap_ = std::make_unique<StdoutTap>(dir_ + "/stdout.txt");
    }
    void TearDown() override {
        StopAll();
        std::string out = tap_->Text();
        tap_.reset();
        if (HasFailure()) std::cerr << "--- task output ---\n" << out << "\n---\n";
        GlobePutDebugInfo = 1;
        std::filesystem::current_path(oldDir_);
        std::filesystem::remove_all(dir_);
        CardTableTest::TearDown();
    }

    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    void Start(int task = 1) {
        PlcStopRequest(task, 0);
        threads_.emplace_back([task] { TaskPLC(task); });
        tasks_.push_back(task);
    }
    void StopAll() {
        for (int t : tasks_)
            PlcStopRequest(t, 1);
        for (auto& th : threads_)
            th.join();
        for (int t : tasks_)
            PlcStopRequest(t, 0);
        threads_.clear();
        tasks_.clear();
    }
    // The keypad task's hand-over of a key to every PLC task.
    static void Key(HKEY key) {
        for (auto& k : GlobeHKey)
            k = key;
        PlcWake();
    }
    static bool Until(const std::function<bool()>& cond, std::chrono::milliseconds limit = 10s) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (!cond()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    std::string Out() { return tap_->Text(); }
    int Occurrences(const std::string& text) {
        std::string out = Out();
        int n = 0;
        for (size_t p = out.find(text); p != std::string::npos; p = out.find(text, p + 1))
            ++n;
        return n;
    }
    bool WaitOut(const std::string& text, int times = 1) {
        return Until([&] { return Occurrences(text) >= times; });
    }
    static void Feed(const std::string& datagram) {
        NetFeed(datagram.data(), static_cast<int>(datagram.size()));
    }
    bool WaitCall(int card, const std::string& call, int times = 1) {
        return Until([&] { return cards_[card].Count(call) >= times; });
    }

    std::string dir_;
    std::filesystem::path oldDir_;
    std::unique_ptr<StdoutTap> tap_;
    std::vector<std::thread> threads_;
    std::vector<int> tasks_;
};

constexpr const char* ResetEnd = "PLC1: RESET.PLC End!\n";

TEST_F(TaskPlcTest, ResetProgramThenEnterStartsTheFlow) {
    Write("plc1/RESET.PLC", "OUT:2,0,1\nEXIT\n");
    Write("plc1/FLOW.PLC", "OUT:2,1,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitOut(ResetEnd));
    EXPECT_EQ(cards_[2].Snapshot(), Calls{"OUT 0 1"});
    std::string out = Out();
    EXPECT_NE(out.find("PLC1: Task_PLC1 Running... MaxCard[14]\n"), std::string::npos);
    EXPECT_NE(out.find("PLC1: CmdIdx: OUT(2) SlotIdx[2] ChIdx[0][1] [] [RESET.PLC]               \n"),
              std::string::npos);

    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(cards_[2].Snapshot(), Calls{"OUT 0 1"}) << "the reset program ran on after EXIT";

    Key(HKEY_Enter);
    ASSERT_TRUE(WaitCall(2, "OUT 1 1"));
    out = Out();
    EXPECT_NE(out.find("PLC1: HKEY_Enter: Task Run[]\n"), std::string::npos);
    EXPECT_NE(out.find("PLC1: PLC1 Run: [plc1/FLOW.PLC]\n"), std::string::npos);
    ASSERT_TRUE(WaitOut("[FLOW.PLC]               \n"));
    std::this_thread::sleep_for(50ms);
    // EXIT in the flow stops it without the reset program's message.
    EXPECT_EQ(Occurrences("End!"), 1);
    EXPECT_EQ(cards_[2].Snapshot(), (Calls{"OUT 0 1", "OUT 1 1"}));
}

TEST_F(TaskPlcTest, AutoRunStartsTheFlowWithoutAKey) {
    Write("plc1/RESET.PLC", "G_AR:1\nEXIT\n");
    Write("plc1/FLOW.PLC", "OUT:2,1,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitCall(2, "OUT 1 1"));
    std::string out = Out();
    size_t armed = out.find("PLC1: SYN_G_AR: Auto Run\n");
    size_t end = out.find(ResetEnd);
    size_t fired = out.find("PLC1: Vekt: AutoRun FLOW\n");
    ASSERT_NE(fired, std::string::npos) << out;
    EXPECT_LT(armed, end);
    EXPECT_LT(end, fired);
}

TEST_F(TaskPlcTest, MissingResetProgramEndsTheTask) {
    TaskPLC(2); // returns on this thread
    EXPECT_EQ(Out(), "PLC2: RESET.PLC lost Task quit!\n");
}

TEST_F(TaskPlcTest, WaitingLineRunsAgainUntilTheInputComes) {
    cards_[3].levelWait = true;
    Write("plc1/RESET.PLC", "LD:3,1,1 ; part in place\nOUT:2,7,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitCall(3, "LD 1 1", 3));
    EXPECT_TRUE(cards_[2].Snapshot().empty()) << "the line after LD ran before the input came";
    std::string out = Out();
    const std::string trace =
        "PLC1: CmdIdx: LD(1) SlotIdx[3] ChIdx[1][1] [part in place] [RESET.PLC]               ";
    EXPECT_NE(out.find(trace + "\n"), std::string::npos);
    EXPECT_NE(out.find(trace + "\r"), std::string::npos) << "a waiting line overwrites its trace line";
    EXPECT_NE(out.find("PLC1: SYN_LD: SlotIdx:3  ChIdx:1 1\n"), std::string::npos);

    cards_[3].inputs[1] = 1;
    ASSERT_TRUE(WaitOut(ResetEnd));
    EXPECT_EQ(cards_[2].Snapshot(), Calls{"OUT 7 1"});
}

TEST_F(TaskPlcTest, PausesAfterEachInstructionAndDelay) {
    Write("plc1/RESET.PLC", "G_ST:100\nOUT:2,0,1\nOUT:2,1,1\nDLY:300\nOUT:2,2,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitOut(ResetEnd));
    ASSERT_EQ(cards_[2].Snapshot(), (Calls{"OUT 0 1", "OUT 1 1", "OUT 2 1"}));
    std::vector<std::chrono::steady_clock::time_point> t;
    {
        std::lock_guard<std::mutex> lk(cards_[2].mu);
        t = cards_[2].times;
    }
    EXPECT_GE(t[1] - t[0], 100ms);
    EXPECT_GE(t[2] - t[1], 500ms); // 100 after OUT, 300 + 100 for the DLY line
    EXPECT_NE(Out().find("PLC1: SYN_G_ST: G_Delay:100ms 100\n"), std::string::npos);
}

// Programs that run to their EXIT: what reached card 2, and what was printed.
TEST_F(TaskPlcTest, FlowControlOfPrograms) {
    const std::string longLine = ";" + std::string(1022, 'x') + "OUT:2,6,1\n";
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        int ifResult; // result of the IF on card 4
        Calls calls;
        std::vector<std::string> printed;
    } cases[] = {
        {"function file and back",
         {{"RESET.PLC", "OUT:2,0,1\nFL:sub.f\nOUT:2,2,1\nEXIT\n"}, {"sub.f", "OUT:2,1,1\nEND\n"}},
         1,
         {"OUT 0 1", "OUT 1 1", "OUT 2 1"},
         {"PLC1: CmdIdx: OUT(2) SlotIdx[2] ChIdx[1][1] [] [sub.f]", "PLC1: SYN_END:1 \n"}},
        {"missing function file", {{"RESET.PLC", "FL:none.f\nOUT:2,3,1\nEXIT\n"}}, 1, {"OUT 3 1"}, {}},
        {"function files do not nest",
         {{"RESET.PLC", "FL:a.f\nOUT:2,3,1\nEXIT\n"},
          {"a.f", "FL:b.f\nOUT:2,9,1\nEND\n"},
          {"b.f", "OUT:2,1,1\nEND\n"}},
         1,
         {"OUT 1 1", "OUT 3 1"},
         {}},
        {"IF chooses a file",
         {{"RESET.PLC", "IF:4,3,1&A.F&NUL\nOUT:2,5,1\nEXIT\n"}, {"A.F", "OUT:2,4,1\nEND\n"}},
         1,
         {"OUT 4 1", "OUT 5 1"},
         {"PLC1: SYN_IF: SlotIdx:4 ChIdx:3 1&A.F&NUL\n"}},
        {"IF chooses NUL",
         {{"RESET.PLC", "IF:4,3,1&A.F&NUL\nOUT:2,5,1\nEXIT\n"}, {"A.F", "OUT:2,4,1\nEND\n"}},
         0,
         {"OUT 5 1"},
         {}},
        {"unrecognised lines are skipped",
         {{"RESET.PLC", "hello world\nFOO:1,2,3\n\n; note\nLD:1,2\nGO\nOUT:2,0,1\nEXIT\n"}},
         1,
         {"OUT 0 1"},
         {}},
        {"long line read in pieces", {{"RESET.PLC", longLine + "EXIT\n"}}, 1, {"OUT 6 1"}, {}},
        {"failed output reported",
         {{"RESET.PLC", "OUT:20,1,1\nOUTI:-1,2,0\nEXIT\n"}},
         1,
         {},
         {"PLC1: Task_OUT Fail[-1]:SlotIDx:20, ChIdx:1 1\n",
          "PLC1: Task_OUTI Fail[-1]:SlotIDx:-1, ChIdx:2 0\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto& card : cards_) {
            std::lock_guard<std::mutex> lk(card.mu);
            card.calls.clear();
            card.times.clear();
        }
        cards_[4].result = c.ifResult;
        std::filesystem::remove_all("plc1");
        std::filesystem::create_directory("plc1");
        for (const auto& [name, text] : c.files)
            Write("plc1/" + name, text);
        int before = Occurrences(ResetEnd);
        Start();
        ASSERT_TRUE(WaitOut(ResetEnd, before + 1));
        StopAll();
        EXPECT_EQ(cards_[2].Snapshot(), c.calls);
        std::string out = Out();
        for (const auto& p : c.printed)
            EXPECT_NE(out.find(p), std::string::npos) << p;
    }
}

TEST_F(TaskPlcTest, GoJumpsToItsLabelOrStaysAtTheEnd) {
    // Loop over the lines after the label.
    Write("plc1/RESET.PLC", "OUT:2,0,1\n#LE:7\nOUT:2,1,1\nGO:7\n");
    Start();
    ASSERT_TRUE(WaitCall(2, "OUT 1 1", 3));
    EXPECT_EQ(cards_[2].Count("OUT 0 1"), 1);
    StopAll();

    // Without the label the file stays at its end and the GO line repeats.
    Write("plc2/RESET.PLC", "OUT:3,0,1\nGO:9\nOUT:3,1,1\nEXIT\n");
    Start(2);
    ASSERT_TRUE(WaitOut("PLC2: CmdIdx: GO(11) SlotIdx[9] ChIdx[-1][] [] [RESET.PLC]               \r", 3));
    EXPECT_EQ(cards_[3].Snapshot(), Calls{"OUT 0 1"});
}

TEST_F(TaskPlcTest, ProgramWithoutEndRepeatsItsLastLine) {
    Write("plc1/RESET.PLC", "OUT:2,0,1\nOUT:2,1,1");
    Start();
    ASSERT_TRUE(WaitCall(2, "OUT 1 1", 3));
    EXPECT_EQ(cards_[2].Count("OUT 0 1"), 1);
}

TEST_F(TaskPlcTest, EndRestartsTheMainProgram) {
    Write("plc1/RESET.PLC", "OUT:2,0,1\nEND\nOUT:2,1,1\n");
    Start();
    ASSERT_TRUE(WaitCall(2, "OUT 0 1", 2));
    EXPECT_EQ(cards_[2].Count("OUT 1 1"), 0);
    EXPECT_NE(Out().find("PLC1: SYN_END:0 \n"), std::string::npos);
}

TEST_F(TaskPlcTest, StepModeHoldsAfterActionLinesUntilAStepKey) {
    Write("plc1/RESET.PLC", "G_DEBUG:1\nOUT:2,0,1\nOUT:2,1,1\nDLY:1\nOUT:2,2,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitCall(2, "OUT 0 1"));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(cards_[2].Snapshot(), Calls{"OUT 0 1"}) << "no hold after an action line";

    Key(HKEY_7); // a number key holds too
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(cards_[2].Snapshot(), Calls{"OUT 0 1"});

    Key(HKEY_STEP);
    ASSERT_TRUE(WaitCall(2, "OUT 1 1"));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(cards_[2].Snapshot(), (Calls{"OUT 0 1", "OUT 1 1"}));

    // The delay line needs the key; the line after it (not an action) does not.
    Key(HKEY_RUN);
    ASSERT_TRUE(WaitCall(2, "OUT 2 1"));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Occurrences(ResetEnd), 0);
    Key(HKEY_ZERO);
    EXPECT_TRUE(WaitOut(ResetEnd));
}

TEST_F(TaskPlcTest, AlarmStopsLinesWhileCommandsAndKeysStillAct) {
    Write("plc1/RESET.PLC", "G_AL:4,7,1\n#LE:1\nOUT:2,0,1\nGO:1\n");
    Start();
    ASSERT_TRUE(WaitCall(2, "OUT 0 1", 3));
    EXPECT_EQ(cards_[0].fault, 0);

    cards_[4].inputs[7] = 1;
    ASSERT_TRUE(Until([&] { return cards_[0].fault == 1; }));
    std::this_thread::sleep_for(50ms); // a line already running may finish
    int stopped = cards_[2].Count("OUT 0 1");

    Feed("{X:CMD=CTL_OUT;SlotID=3;ChIdx=5;CTL_OUT=1;:0}#");
    EXPECT_TRUE(WaitCall(3, "OUT 5 1")) << "network command not executed during the alarm";
    Key(HKEY_BackSpace);
    EXPECT_TRUE(Until([] { return GlobePutDebugInfo == 0; })) << "key not applied during the alarm";
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(cards_[2].Count("OUT 0 1"), stopped) << "a line ran during the alarm";

    cards_[4].inputs[7] = 0;
    ASSERT_TRUE(Until([&] { return cards_[0].fault == 0; }));
    EXPECT_TRUE(WaitCall(2, "OUT 0 1", stopped + 2)) << "the program did not go on";
}

TEST_F(TaskPlcTest, DecReloadsTheResetProgram) {
    cards_[3].levelWait = true;
    Write("plc1/RESET.PLC", "OUT:2,0,1\nEXIT\n");
    Write("plc1/FLOW.PLC", "FL:wait.f\nEND\n");
    Write("plc1/wait.f", "LD:3,0,1\nEND\n");
    Start();
    ASSERT_TRUE(WaitOut(ResetEnd));
    Key(HKEY_Enter);
    ASSERT_TRUE(WaitCall(3, "LD 0 1", 2)); // waiting inside the function file

    Key(HKEY_Dec);
    ASSERT_TRUE(WaitOut(ResetEnd, 2));
    EXPECT_EQ(cards_[2].Count("OUT 0 1"), 2);
    int waits = cards_[3].Count("LD 0 1");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(cards_[3].Count("LD 0 1"), waits) << "the function file is still read after the reset";

    // A reset program that is gone: the task reports it and idles.
    std::filesystem::remove("plc1/RESET.PLC");
    Key(HKEY_Dec);
    EXPECT_TRUE(WaitOut("PLC1: Load PLC1 Run: [plc1/RESET.PLC] Failed!\n"));
}

TEST_F(TaskPlcTest, KeysOfTheHotKeyTable) {
    Write("plc1/RESET.PLC", "EXIT\n");
    Write("plc1/FLOW.PLC", "OUT:2,1,1\n#LE:1\nDLY:5\nGO:1\n");
    Write("userinfo.txt", "[LOCAL_MACHINE]\nIPAddress = 10.0.0.1\n");
    Start();
    ASSERT_TRUE(WaitOut(ResetEnd));

    Key(HKEY_6);
    EXPECT_TRUE(WaitOut("HKEY_6: Task Run\n"));

    Key(HKEY_0);
    ASSERT_TRUE(WaitOut("PLC1: Vekt: Updata IP=192.168.201.55 end\n"));
    EXPECT_TRUE(WaitOut("PLC1: Vekt: Updata IP=192.168.201.55\n"));
    std::ifstream info("userinfo.txt");
    std::string text((std::istreambuf_iterator<char>(info)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("192.168.201.55"), std::string::npos) << text;

    // BackSpace: off without a message, on again with one.
    Key(HKEY_BackSpace);
    ASSERT_TRUE(Until([] { return GlobePutDebugInfo == 0; }));
    Key(HKEY_BackSpace);
    ASSERT_TRUE(WaitOut("PLC1: Vekt: Enable debug info out!\n"));
    EXPECT_EQ(Occurrences("Disable debug info out"), 0);
    EXPECT_EQ(GlobePutDebugInfo, 1);

    // Enter starts the flow once; Num makes the next Enter load it again.
    Key(HKEY_Enter);
    ASSERT_TRUE(WaitCall(2, "OUT 1 1"));
    Key(HKEY_Enter);
    ASSERT_TRUE(WaitOut("PLC1: HKEY_Enter: Task Run[FLOW.PLC]\n"));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(cards_[2].Count("OUT 1 1"), 1) << "Enter reloaded the running flow";
    Key(HKEY_Num);
    std::this_thread::sleep_for(20ms);
    Key(HKEY_Enter);
    ASSERT_TRUE(WaitCall(2, "OUT 1 1", 2));
    EXPECT_EQ(Occurrences("PLC1: PLC1 Run: [plc1/FLOW.PLC]\n"), 2);
}

TEST_F(TaskPlcTest, PlusThenEnterDoesNotStartTheFlow) {
    Write("plc1/RESET.PLC", "EXIT\n");
    Write("plc1/FLOW.PLC", "OUT:2,1,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitOut(ResetEnd));
    Key(HKEY_Plus);
    std::this_thread::sleep_for(20ms);
    Key(HKEY_Enter);
    ASSERT_TRUE(WaitOut("PLC1: HKEY_Enter: Task Run[]\n"));
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(cards_[2].Snapshot().empty());
    EXPECT_EQ(Occurrences("Run: [plc1/FLOW.PLC]"), 0);
}

TEST_F(TaskPlcTest, IdleTaskWakesForWorkAndDoesNotSpin) {
    Write("plc1/RESET.PLC", "G_AL:4,6,1\nEXIT\n");
    Start();
    ASSERT_TRUE(WaitOut(ResetEnd));
    std::this_thread::sleep_for(20ms);

    // Every pass scans the alarm inputs and reports to the CPU board: a task
    // that spins makes hundreds of thousands of passes in this time.
    int before = cards_[0].faultReports;
    std::this_thread::sleep_for(200ms);
    int passes = cards_[0].faultReports - before;
    EXPECT_GT(passes, 0) << "the idle task no longer scans the alarm inputs";
    EXPECT_LT(passes, 2000) << "the idle task spins";

    Feed("{X:CMD=CTL_OUT;SlotID=2;ChIdx=3;CTL_OUT=1;:0}#");
    EXPECT_TRUE(WaitCall(2, "OUT 3 1"));
    Key(HKEY_6);
    EXPECT_TRUE(WaitOut("HKEY_6: Task Run\n"));

    // Alarm inputs change without any wake-up and are still seen.
    cards_[4].inputs[6] = 1;
    EXPECT_TRUE(Until([&] { return cards_[0].fault == 1; }));
    cards_[4].inputs[6] = 0;
    EXPECT_TRUE(Until([&] { return cards_[0].fault == 0; }));
}

TEST_F(TaskPlcTest, EachCommandIsTakenByOneOfSeveralTasks) {
    Write("plc1/RESET.PLC", "EXIT\n");
    Write("plc2/RESET.PLC", "EXIT\n");
    Start(1);
    Start(2);
    ASSERT_TRUE(WaitOut("RESET.PLC End!\n", 2));
    std::string frames;
    for (int ch = 0; ch < 20; ++ch)
        frames += "{X:CMD=CTL_OUT;SlotID=2;ChIdx=" + std::to_string(ch) + ";CTL_OUT=1;:0}#";
    Feed(frames);
    ASSERT_TRUE(Until([&] { return cards_[2].Snapshot().size() >= 20; }));
    std::this_thread::sleep_for(50ms);
    Calls calls = cards_[2].Snapshot();
    ASSERT_EQ(calls.size(), 20u);
    for (int ch = 0; ch < 20; ++ch)
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "OUT " + std::to_string(ch) + " 1"), 1) << ch;
}

} // namespace
