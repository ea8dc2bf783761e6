// Request-file search, process search by executable name, kernel event
// parsing and the USB stick helpers of the board monitor.
#include "corwatch.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>

using namespace mt;

namespace {

std::string Captured() {
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// ---- FindFile ------------------------------------------------------------

class FindFileTest : public testing::Test {
  protected:
    TempDir dir;
    void SetUp() override {
        fs::create_directories(dir / "sub/deeper");
        fs::create_directories(dir / "folder.txt");
        WriteFile(dir / "reboot.txt", "");
        WriteFile(dir / "sub/shutdown.txt", "");
        WriteFile(dir / "sub/deeper/deep.txt", "");
        WriteFile(dir / "elsewhere", "");
        fs::create_symlink(dir / "elsewhere", dir / "link.txt");
        // A link back up must not send the walk round in circles.
        fs::create_directory_symlink("..", dir / "sub/loop");
    }
};

TEST_F(FindFileTest, OnlyARegularFileDirectlyInTheFolderCounts) {
    struct Case {
        const char* name;
        int expected;
    } cases[] = {
        {"reboot.txt", 1},   // lies directly in the folder
        {"shutdown.txt", 0}, // only in a subfolder
        {"deep.txt", 0},     // two levels down
        {"REBOOT.TXT", 0},   // names compare case-sensitively
        {"folder.txt", 0},   // a folder of that name is no request
        {"link.txt", 0},     // neither is a symbolic link
        {"missing.txt", 0},
    };
    for (const auto& c : cases) {
        std::string base = dir.path.string();
        std::string name = c.name;
        EXPECT_EQ(FindFile(base.data(), name.data()), c.expected) << c.name;
    }
}

TEST(FindFile, MissingFolderIsReportedAndFindsNothing) {
    TempDir dir;
    std::string base = dir / "gone";
    char name[] = "reboot.txt";
    testing::internal::CaptureStderr();
    EXPECT_EQ(FindFile(base.data(), name), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Open dir error..."), std::string::npos);
}

// ---- GetProcessID on a proc-style folder ---------------------------------

class ProcTreeTest : public testing::Test {
  protected:
    TempDir proc;
    void AddProcess(const std::string& id, const std::string& exeTarget) {
        fs::create_directories(proc / id);
        if (!exeTarget.empty()) fs::create_symlink(exeTarget, proc / (id + "/exe"));
    }
    std::vector<int> Search(const char* name, int* count) {
        int ids[CORWATCH_MAXPID + 1];
        std::fill(std::begin(ids), std::end(ids), -7);
        *count = GetProcessIDIn(proc.path.c_str(), name, ids, CORWATCH_MAXPID);
        std::vector<int> found;
        for (int i = 0; i < *count; ++i)
            found.push_back(ids[i]);
        EXPECT_EQ(ids[std::max(*count, 0)], 0) << "list must end with 0";
        EXPECT_EQ(ids[CORWATCH_MAXPID], -7) << "wrote past the caller's array";
        std::sort(found.begin(), found.end());
        return found;
    }
};

TEST_F(ProcTreeTest, MatchesTheExecutableNameUpToEndOrBlank) {
    AddProcess("101", "/usr/bin/Corlan");
    AddProcess("102", "/mnt/mmc/Corlan (deleted)"); // replaced on disk while running
    AddProcess("103", "/usr/bin/Corlanx");
    AddProcess("104", "/usr/bin/Corla");
    AddProcess("105", "/usr/bin/xCorlan");
    AddProcess("106", "/opt/Corlan/mq5290");
    AddProcess("107", "");                 // exe link unreadable (kernel thread)
    AddProcess("self", "/usr/bin/Corlan"); // not a process id
    AddProcess("0", "/usr/bin/Corlan");
    AddProcess("12a", "/usr/bin/Corlan");

    int count = 0;
    EXPECT_EQ(Search("Corlan", &count), (std::vector<int>{101, 102}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Search("mq5290", &count), (std::vector<int>{106}));
    EXPECT_EQ(Search("Corlanxx", &count), std::vector<int>{});
    EXPECT_EQ(count, 0);
}

TEST_F(ProcTreeTest, ManyMatchesStayInsideTheCallersArray) {
    for (int i = 0; i < 150; ++i)
        AddProcess(std::to_string(1000 + i), "/bin/Corlan");
    int count = 0;
    EXPECT_EQ(Search("Corlan", &count).size(), size_t(CORWATCH_MAXPID - 1));
}

TEST_F(ProcTreeTest, MissingProcFolderGivesMinusOne) {
    int ids[CORWATCH_MAXPID] = {5};
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetProcessIDIn((proc / "nothing").c_str(), "Corlan", ids, CORWATCH_MAXPID), -1);
    EXPECT_EQ(Captured(), "cannot open /proc");
    EXPECT_EQ(ids[0], 0);
}

// ---- KillProcess on real processes ----------------------------------------
// The names are unique to this test run, so only the test's own children
// can match.

TEST(KillProcess, EndsEveryProcessOfTheNameIncludingAReplacedOne) {
    TempDir dir;
    std::string name = "cwkill" + std::to_string(getpid());
    fs::create_directories(dir / "old");
    ASSERT_TRUE(MakeSleeper(dir / name));
    ASSERT_TRUE(MakeSleeper(dir / ("old/" + name)));
    ASSERT_TRUE(MakeSleeper(dir / (name + "x")));

    pid_t plain = Spawn({dir / name, "30"});
    pid_t replaced = Spawn({dir / ("old/" + name), "30"});
    pid_t longer = Spawn({dir / (name + "x"), "30"});
    // Give the children time to exec before looking at their executables.
    std::string fresh = dir / name;
    int n = 0;
    WaitUntil(
        [&] {
            int ids[CORWATCH_MAXPID];
            n = GetProcessID(fresh.data() + fresh.rfind('/') + 1, ids);
            return n == 2;
        },
        std::chrono::seconds(10));
    ASSERT_EQ(n, 2);
    fs::remove(dir / ("old/" + name)); // the link now reads "<path> (deleted)"

    testing::internal::CaptureStdout();
    int last = KillProcess(name.data());
    std::string out = Captured();

    int status = 0;
    EXPECT_TRUE(WaitUntil([&] { return !StillRunning(plain, &status); }, std::chrono::seconds(10)));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(WaitUntil([&] { return !StillRunning(replaced, &status); }, std::chrono::seconds(10)));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(StillRunning(longer, &status)) << "a longer name must not match";

    EXPECT_TRUE(last == plain || last == replaced) << last;
    EXPECT_NE(out.find("--2---\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Kill " + name + " " + std::to_string(plain) + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Kill " + name + " " + std::to_string(replaced) + "\n"), std::string::npos) << out;
    StopChild(longer);
}

TEST(KillProcess, NoMatchPrintsZeroCountOnly) {
    std::string name = "cwnone" + std::to_string(getpid());
    testing::internal::CaptureStdout();
    EXPECT_EQ(KillProcess(name.data()), 0);
    EXPECT_EQ(Captured(), "--0---\n");
}

// ---- Kernel device events -------------------------------------------------

TEST(ReadUevent, RecognisesAddEventsAndRejectsBadMessages) {
    std::string addEvent("add@/devices/usb1/1-1/block/sda/sda1\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=sda1",
                         77);
    std::string removeEvent("remove@/devices/usb1/1-1/block/sda\0ACTION=remove\0SUBSYSTEM=block", 64);
    std::string fullSize(4096, 'x');
    fullSize.replace(0, 4, "add@");
    struct Case {
        const char* what;
        std::string message;
        int expected;
        const char* printed;
    } cases[] = {
        {"add", addEvent, 1, "received 77 bytes\nadd@/devices/usb1/1-1/block/sda/sda1\nACTION=add\n"},
        {"remove", removeEvent, 0, "received 64 bytes\nremove@"},
        {"short", "add@/x", 0, "invalid message"},
        {"buffer-sized", fullSize, 1, "received 4096 bytes\nadd@xxx"},
        {"oversized", std::string(5000, 'a'), 0, "invalid message"},
    };
    for (const auto& c : cases) {
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM, 0, sv), 0);
        ASSERT_EQ(send(sv[1], c.message.data(), c.message.size(), 0), ssize_t(c.message.size())) << c.what;
        testing::internal::CaptureStdout();
        EXPECT_EQ(ReadUevent(sv[0]), c.expected) << c.what;
        EXPECT_NE(Captured().find(c.printed), std::string::npos) << c.what;
        close(sv[0]);
        close(sv[1]);
    }
}

TEST(ReadUevent, ReceiveErrorGivesZero) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadUevent(-1), 0);
    EXPECT_NE(Captured().find("receive error"), std::string::npos);
}

// ---- USB sticks -------------------------------------------------------------

class UsbTest : public testing::Test {
  protected:
    TempDir dir;
    std::string devPrefix, mnt, dest;
    void SetUp() override {
        fs::create_directories(dir / "dev");
        fs::create_directories(dir / "mnt");
        fs::create_directories(dir / "mmc");
        devPrefix = dir / "dev/sda";
        mnt = dir / "mnt";
        dest = dir / "mmc";
    }
    void AddDevice(int n) { WriteFile(devPrefix + std::to_string(n), ""); }
    void AddMount(int n) { fs::create_directories(mnt + "/usb" + std::to_string(n)); }
};

TEST_F(UsbTest, FirstWritableStickWins) {
    EXPECT_EQ(IsUsbMountAt(devPrefix.c_str(), mnt.c_str()), 0) << "no device";
    AddDevice(2); // device present but nothing mounted: skipped, not a crash
    EXPECT_EQ(IsUsbMountAt(devPrefix.c_str(), mnt.c_str()), 0);
    AddMount(3); // mounted without its device: not looked at
    EXPECT_EQ(IsUsbMountAt(devPrefix.c_str(), mnt.c_str()), 0);
    AddDevice(5);
    AddMount(5);
    AddDevice(7);
    AddMount(7);
    EXPECT_EQ(IsUsbMountAt(devPrefix.c_str(), mnt.c_str()), 5);
    EXPECT_EQ(ReadFile(mnt + "/usb5/DetectUSB"), "Detect");
    EXPECT_FALSE(fs::exists(mnt + "/usb7/DetectUSB"));
}

TEST_F(UsbTest, CopyTakesFileNamesLiterally) {
    AddMount(1);
    // Left to an unquoted shell, each of the last three would copy nothing.
    const std::string names[] = {"FLOW.PLC", "new prog's.PLC", "x;y.PLC", "a$(echo b).PLC"};
    for (const auto& name : names) {
        WriteFile(mnt + "/usb1/" + name, "content of " + name);
        testing::internal::CaptureStdout();
        EXPECT_EQ(CopyUSBFileTo(mnt.c_str(), "usb1", name.c_str(), dest.c_str()), 1) << name;
        std::string out = Captured();
        EXPECT_NE(out.find("Copy USB..usb1..[" + name + "]\n"), std::string::npos) << out;
        EXPECT_NE(out.find("Copy USB End...."), std::string::npos) << out;
        EXPECT_EQ(ReadFile(dest + "/" + name), "content of " + name) << name;
    }
    EXPECT_EQ(ReadFile(mnt + "/usb1/DetectUSB"), "Detect");
}

TEST_F(UsbTest, UnwritableStickCopiesNothing) {
    // A plain file where the stick's folder should be: the probe cannot be written.
    WriteFile(mnt + "/usb4", "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(CopyUSBFileTo(mnt.c_str(), "usb4", "FLOW.PLC", dest.c_str()), 0);
    EXPECT_EQ(Captured(), "Found Err  " + mnt + "/usb4/DetectUSB  \n");
    EXPECT_TRUE(fs::is_empty(dest));
}

} // namespace
