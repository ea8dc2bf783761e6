// The serial reader as a host sees it, in the real library: one reader
// however often it is asked for, an unload while it runs that leaves no
// thread and no library behind, and an unload with a port still open that
// keeps both.
#include <gtest/gtest.h>

#include <string>

#include "serialline.h"
#include "station.h"

namespace {

using NoArgFn = int (*)();
using OpenFn = int (*)(int, const char*, int, int, int, int);
using IndexFn = int (*)(int);
using ReadFn = int (*)(int, void*, int);

// Whether the library is still in the process.
bool StillLoaded() {
#ifdef _WIN32
    return GetModuleHandleA("Dorlix.dll") != nullptr;
#else
    void* h = dlopen(vz5test::LibraryFile().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!h) return false;
    // glibc unmaps a library whose unload a thread held off only at a later
    // dlclose, once nothing holds it any more: this one.
    dlclose(h);
    h = dlopen(vz5test::LibraryFile().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
#endif
}

class SerialLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!line_.Make(0, station_.Scratch(), &why)) GTEST_SKIP() << why;
        before_ = serialtest::ThreadCount();
        ASSERT_TRUE(lib_.Load(vz5test::LibraryFile())) << lib_.Error();
        run_ = lib_.Function<NoArgFn>("RunSerialThread");
        open_ = lib_.Function<OpenFn>("OpenSerialPort");
        close_ = lib_.Function<IndexFn>("CloseSerialPort");
        read_ = lib_.Function<ReadFn>("ReadSerialPort");
        ASSERT_TRUE(run_ && open_ && close_ && read_);
    }
    // What port 0 delivers until want bytes have come (or 20 s have passed).
    std::string ReadPort(size_t want) {
        std::string got;
        char buf[256];
        for (int waited = 0; got.size() < want && waited < 20000; waited += 10) {
            const int n = read_(0, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return got;
    }

    vz5test::Station station_{"vz5-serial-dl"};
    serialtest::SerialLine line_;
    vz5test::Library lib_;
    int before_ = 0;
    NoArgFn run_ = nullptr;
    OpenFn open_ = nullptr;
    IndexFn close_ = nullptr;
    ReadFn read_ = nullptr;
};

TEST_F(SerialLibrary, UnloadWhileTheReaderRunsLeavesNoThreadAndNoLibrary) {
    const int loaded = serialtest::ThreadCount();
    ASSERT_EQ(open_(0, line_.PortName().c_str(), 8, 0, 0, 9600), 1);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(run_(), 1);
    ASSERT_TRUE(line_.Send("served"));
    ASSERT_EQ(ReadPort(6), "served");
    EXPECT_EQ(serialtest::ThreadCount(), loaded + 1) << "one reader, however often it was asked for";

    // The last port closes and the host unloads at once, in the reader's turn.
    ASSERT_EQ(close_(0), 1);
    lib_.Unload();
    EXPECT_LE(serialtest::WaitForThreads(before_, 10000), before_);
    bool loadedStill = true;
    for (int waited = 0; (loadedStill = StillLoaded()) && waited < 5000; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(loadedStill);
}

TEST_F(SerialLibrary, AnOpenPortKeepsTheLibraryAndIsStillServedAfterUnload) {
    ASSERT_EQ(run_(), 1);
    ASSERT_EQ(open_(0, line_.PortName().c_str(), 8, 0, 0, 9600), 1);
    lib_.Unload();
    // The reader holds the library until the process ends, and serves on;
    // the process's exit closes the port.
    ASSERT_TRUE(StillLoaded());
    ASSERT_TRUE(line_.Send("after unload"));
    EXPECT_EQ(ReadPort(12), "after unload");
    EXPECT_GT(serialtest::ThreadCount(), before_);
}

} // namespace
