// The shared block "MemServer" between processes, ReleaseMemory's rule for
// the memory tidier, and the fixed hardware results, all through the real
// library as station programs load it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "station.h"
#include "testhost.h"

namespace {

using OpenMemoryFn = int (*)(int);
using WriteFn = int (*)(const void*, int);
using ReadFn = int (*)(void*, int);

std::string Host() {
    return vz5test::BuiltProgram("test_envlib_memory_host");
}

// "<result> <hex>" of the host's read.
std::string ReadElsewhere(int length) {
    std::string out = vz5test::RunProgram(Host(), {"read", std::to_string(length)}).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
}

class SharedMemory : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lib_.Load(vz5test::LibraryFile())) << lib_.Error();
        open_ = lib_.Function<OpenMemoryFn>("OpenMemory");
        write_ = lib_.Function<WriteFn>("WriteDataInProcess");
        read_ = lib_.Function<ReadFn>("ReadDataInProcess");
        ASSERT_TRUE(open_ && write_ && read_);
    }
    vz5test::Station station_{"dorlix-memory"};
    vz5test::Library lib_;
    OpenMemoryFn open_ = nullptr;
    WriteFn write_ = nullptr;
    ReadFn read_ = nullptr;
};

TEST_F(SharedMemory, NoBlockBeforeAnyOpen) {
    unsigned char buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(read_(buf, 4), 0);
    EXPECT_EQ(std::vector<unsigned char>(buf, buf + 8), std::vector<unsigned char>(8, 0xEE));
    EXPECT_EQ(write_("abc", 3), 0) << "no block opened by this process";
    EXPECT_EQ(ReadElsewhere(4), "0 eeeeeeee");
}

TEST_F(SharedMemory, AnotherProcessReadsWhatThisOneWrote) {
    ASSERT_EQ(open_(64), 1);
    const std::string data("lane 2\0weight 1520", 18);
    ASSERT_EQ(write_(data.data(), static_cast<int>(data.size())), 1);
    EXPECT_EQ(ReadElsewhere(18), "1 " + Hex(data));
    // The block's whole size, zero-filled past what was written.
    EXPECT_EQ(ReadElsewhere(64), "1 " + Hex(data + std::string(46, '\0')));
    // The other process has the block but did not open it for writing.
    EXPECT_EQ(vz5test::RunProgram(Host(), {"write", "x"}).out, "0\n");
}

TEST_F(SharedMemory, LengthsBeyondTheBlockAndNullBuffersAreRefused) {
    // The system maps whole pages: a block of 16 bytes takes lengths up to 4096.
    constexpr int kPage = 4096;
    ASSERT_EQ(open_(16), 1);
    ASSERT_EQ(write_("0123456789abcdef", 16), 1);
    struct Case {
        const char* what;
        int length;
        int written, read;
    } cases[] = {
        {"empty", 0, 1, 1},           {"asked size", 16, 1, 1},  {"whole page", kPage, 1, 1},
        {"one byte beyond", kPage + 1, 0, 0}, {"far beyond", 1 << 20, 0, 0}, {"negative", -1, 0, 0},
    };
    std::vector<char> big(1 << 20, 'z');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(write_(big.data(), c.length), c.written);
        std::vector<char> buf(big.size() + 1, '\x5a');
        EXPECT_EQ(read_(buf.data(), c.length), c.read);
        if (!c.read) {
            EXPECT_EQ(buf, std::vector<char>(big.size() + 1, '\x5a')) << "buffer touched";
        }
    }
    EXPECT_EQ(write_(nullptr, 4), 0);
    EXPECT_EQ(read_(nullptr, 4), 0);
    EXPECT_EQ(ReadElsewhere(kPage + 1), "0 " + Hex(std::string(kPage + 1, '\xee')));
}

TEST_F(SharedMemory, SecondOpenKeepsTheBlockThatIsHeld) {
    ASSERT_EQ(open_(16), 1);
    ASSERT_EQ(write_("kept", 4), 1);
    ASSERT_EQ(open_(64), 1);
    char buf[4];
    ASSERT_EQ(read_(buf, 4), 1);
    EXPECT_EQ(std::string(buf, 4), "kept");
}

TEST_F(SharedMemory, BlockGoesWithItsLastHolder) {
    // Held by another process only, until that process ends.
    vz5test::Child holder;
    ASSERT_TRUE(holder.Start(Host(), {"hold", "32", "held"}));
    char buf[4] = {};
    int found = 0;
    for (int i = 0; i < 600 && !found; ++i) {
        found = read_(buf, 4);
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(found, 1);
    EXPECT_EQ(std::string(buf, 4), "held");
    holder.Kill(); // ended without unloading the library
    EXPECT_EQ(read_(buf, 4), 0);
    // Opened again, the block starts empty.
    ASSERT_EQ(open_(8), 1);
    ASSERT_EQ(read_(buf, 4), 1);
    EXPECT_EQ(std::string(buf, 4), std::string(4, '\0'));
    // Unloading the library lets this process's hold go too.
    lib_.Unload();
    EXPECT_EQ(ReadElsewhere(4), "0 eeeeeeee");
}

TEST(ReleaseMemory, EndsOtherTidiersButNeverTheCaller) {
    vz5test::Station station("dorlix-ramtidy");
    // Two copies of the host named as the tidier: one waits, one calls.
    const std::string tidier = station.Scratch("ramtidy.exe");
    std::filesystem::copy_file(Host(), tidier);
    std::filesystem::permissions(tidier, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    vz5test::Child other;
    ASSERT_TRUE(other.Start(tidier, {"sleep", "60000"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let it show in the process list
    const vz5test::ProgramRun caller = vz5test::RunProgram(tidier, {"release"});
    EXPECT_EQ(caller.exitCode, 0);
    EXPECT_EQ(caller.out, "1\n");
    EXPECT_TRUE(other.Wait(10000)) << "the other ramtidy.exe still runs";
}

TEST(Hardware, FixedResults) {
    vz5test::Station station("dorlix-hardware");
    vz5test::Library lib;
    ASSERT_TRUE(lib.Load(vz5test::LibraryFile())) << lib.Error();
    struct Case {
        const char* name;
        int result;
    } cases[] = {{"OpenHardware", 0},    {"CloseHardware", 1},  {"Hardware_ReadAI", 1},   {"Hardware_ReadDI", 1},
                 {"Hardware_WriteAO", 1}, {"Hardware_WriteDO", 1}, {"Hardware_WriteIDO", 1}, {"Hardware_WriteSDO", 1}};
    for (const Case& c : cases) {
        auto fn = lib.Function<int (*)(int, int, int)>(c.name);
        ASSERT_TRUE(fn) << c.name;
        EXPECT_EQ(fn(3, 7, 0), c.result) << c.name;
    }
}

} // namespace
