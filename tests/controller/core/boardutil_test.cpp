// Board utilities on real files in a temporary run directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "drvlib.h"
#include "readini.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

class BoardUtilTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corlan-util.XXXXXX";
        Dir = mkdtemp(tmpl);
        Home = Dir + "/home";
        mkdir(Home.c_str(), 0755);
        setenv("CORLAN_HOMEDIR", Home.c_str(), 1);
        ASSERT_NE(getcwd(Old, sizeof Old), nullptr);
        ASSERT_EQ(chdir(Dir.c_str()), 0);
    }
    void TearDown() override {
        (void)chdir(Old);
        unsetenv("CORLAN_HOMEDIR");
        unsetenv("CORLAN_IFACE");
        (void)system(("rm -rf '" + Dir + "'").c_str());
    }
    std::string Dir, Home;
    char Old[PATH_MAX];
};

TEST_F(BoardUtilTest, StartScriptsAreConvertedMadeExecutableAndCopiedHome) {
    const std::string dos = "#!/bin/sh\r\necho run\r\n";
    std::ofstream("run.sh", std::ios::binary) << dos;
    std::ofstream("user.sh") << "";
    std::ofstream("userinfo.txt", std::ios::binary) << "[LOCAL_MACHINE]\r\nIPAddress=1.2.3.4\r\n";
    testing::internal::CaptureStdout();
    EXPECT_EQ(ChangFileMod(), 1);
    std::string out = testing::internal::GetCapturedStdout();

    const std::string unix_ = "#!/bin/sh\n\necho run\n\n";
    EXPECT_EQ(ReadAll("run.sh"), unix_);
    EXPECT_EQ(ReadAll(Home + "/run.sh"), unix_);
    struct stat st;
    ASSERT_EQ(stat("run.sh", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u);
    ASSERT_EQ(stat((Home + "/run.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u);
    ASSERT_EQ(stat("user.sh", &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_FALSE(Exists("tmp.txt"));
    EXPECT_NE(out.find("Prcessing System file run.sh....\nPrcessing finished\n\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Prcessing System file userinfo.txt....\n"), std::string::npos) << out;
}

TEST_F(BoardUtilTest, ConversionOfMissingFileDoesNothing) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(CnvDos2UnixFile("none.sh"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(Exists("tmp.txt"));
}

TEST_F(BoardUtilTest, LongFileIsConvertedAcrossBlocks) {
    std::string text;
    for (int i = 0; i < 700; ++i)
        text += "line\r\n";
    std::ofstream("big.txt", std::ios::binary) << text;
    testing::internal::CaptureStdout();
    EXPECT_EQ(CnvDos2UnixFile("big.txt"), 1);
    testing::internal::GetCapturedStdout();
    std::string want = text;
    for (char& c : want)
        if (c == '\r') c = '\n';
    EXPECT_EQ(ReadAll("big.txt"), want);
}

TEST_F(BoardUtilTest, CopyFile) {
    std::string data(5000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    std::ofstream("src.bin", std::ios::binary) << data;
    EXPECT_EQ(copyFile("src.bin", "dst.bin"), 0);
    EXPECT_EQ(ReadAll("dst.bin"), data);
    EXPECT_EQ(copyFile("src.bin", "nodir/dst.bin"), -1);
    // A missing source leaves an existing copy as it was.
    EXPECT_EQ(copyFile("missing.bin", "dst.bin"), -1);
    EXPECT_EQ(ReadAll("dst.bin"), data);
    EXPECT_EQ(copyFile("missing.bin", "new.bin"), -1);
    EXPECT_FALSE(Exists("new.bin"));
}

TEST_F(BoardUtilTest, FixUserinfoIPRewritesTheKey) {
    EXPECT_EQ(Fix_Userinfo_IP("192.168.201.55"), 1);
    EXPECT_FALSE(Exists("userinfo.txt")); // a board without the file keeps it that way

    std::ofstream("userinfo.txt") << "[LOCAL_MACHINE]\nIPAddress = 10.0.0.1\nMask = 255.0.0.0\n";
    EXPECT_EQ(Fix_Userinfo_IP("192.168.201.55"), 1);
    char ip[64] = "", mask[64] = "";
    ReadIni.GetField("userinfo.txt", "LOCAL_MACHINE", "IPAddress", ip, sizeof ip);
    ReadIni.GetField("userinfo.txt", "LOCAL_MACHINE", "Mask", mask, sizeof mask);
    EXPECT_STREQ(ip, "192.168.201.55");
    EXPECT_STREQ(mask, "255.0.0.0");
    EXPECT_NE(ReadAll("userinfo.txt").find("\"192.168.201.55\""), std::string::npos);
}

TEST_F(BoardUtilTest, InterfaceIdentity) {
    setenv("CORLAN_IFACE", "lo", 1);
    unsigned char ip4[4] = {};
    char ipText[32] = "";
    EXPECT_EQ(GetLocalIP(ip4, ipText), 1);
    EXPECT_STREQ(ipText, "127.0.0.1");
    EXPECT_EQ(ip4[0], 1);
    EXPECT_EQ(ip4[3], 127);
    char mac[32] = "";
    unsigned char raw[6] = {1, 1, 1, 1, 1, 1};
    EXPECT_EQ(GetMAC(raw, mac), 1);
    EXPECT_STREQ(mac, "00:00:00:00:00:00");
    EXPECT_EQ(raw[5], 0);

    setenv("CORLAN_IFACE", "nosuchif0", 1);
    strcpy(ipText, "127.0.0.0");
    strcpy(mac, "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetLocalIP(nullptr, ipText), -1);
    EXPECT_EQ(GetMAC(nullptr, mac), -1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_STREQ(ipText, "127.0.0.0");
    EXPECT_STREQ(mac, "");
    EXPECT_EQ(err.rfind("ioctl", 0), 0u) << err;
}

TEST_F(BoardUtilTest, SingleInstanceLock) {
    std::string pid = Dir + "/corlan.pid";
    setenv("CORLAN_PIDFILE", pid.c_str(), 1);
    std::ofstream(pid) << "stale content that is longer\n";
    EXPECT_EQ(Check_Running(), 1);
    // Another process finds the lock held. (The content is read afterwards: closing
    // any descriptor of the file would drop this process's lock.)
    pid_t child = fork();
    if (child == 0) _exit(Check_Running() == -1 ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadAll(pid), std::to_string(getpid()) + "\n");
    unsetenv("CORLAN_PIDFILE");
}

} // namespace
