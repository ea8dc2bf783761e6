// ZIP archives on both containers (minizip and the own one on POSIX, the
// own one on Windows): archives of zip and Python's zipfile unpack byte for
// byte, what the library packs unpacks again, the progress counters, and
// damaged and hostile archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"
#include "testhost.h"
#include "services/compress.h"
#include "zip_data.h"

#if !VZ5_TEST_WINDOWS
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using zipdata::DataPath;
using zipdata::ReadFile;

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-zip");

const vz5test::Station& St() {
    return g_attached->Get();
}

// Drive D: of the station, which every Windows station has.
class DataDrive : public ::testing::Environment {
    void SetUp() override { St().MakeFolder("D:\\"); }
};
const auto* const g_drive = ::testing::AddGlobalTestEnvironment(new DataDrive);

// Native paths of the files directly in a folder.
std::vector<std::string> FilesIn(const std::string& native) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(native))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every station file unpacked into the folder, byte for byte, and nothing else.
void ExpectStationFiles(const std::string& native, const std::string& label) {
    std::vector<std::string> expected = zipdata::StationFiles();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(native), expected) << label;
    for (const std::string& name : expected)
        EXPECT_TRUE(ReadFile(native + "/" + name) == ReadFile(DataPath("station/" + name))) << label << ": " << name;
    EXPECT_FALSE(fs::exists(native + "/subfolder")) << label;
}

class ZipArchive : public ::testing::TestWithParam<const plat::ZipBackend*> {
  protected:
    const plat::ZipBackend& Zip() const { return *GetParam(); }
    // A folder of the station's drive D: for this container: "D:\<area>\<container>".
    std::string Area(const std::string& area) const { return "D:\\" + area + "\\" + Zip().name; }
};

TEST_P(ZipArchive, PeerArchivesUnpackByteForByte) {
    for (const std::string tag : {"zip_deflated", "zip_stored", "py_deflated", "py_stored"}) {
        const std::string dest = Area("peers") + "\\" + tag;
        EXPECT_EQ(dorlix::Unpack(Zip(), DataPath("peers/" + tag + ".zip").c_str(), dest.c_str()), 1) << tag;
        EXPECT_EQ(dorlix::UnpackProgress(), 100) << tag;
        ExpectStationFiles(St().Native(dest), tag);
    }
}

TEST_P(ZipArchive, UtfNamesUnpackUnderTheirLocalCodePageBytes) {
    const std::string dest = Area("utf8");
    EXPECT_EQ(dorlix::Unpack(Zip(), DataPath("peers/py_utf8name.zip").c_str(), dest.c_str()), 1);
    // "检测报告.txt" in code page 936.
    EXPECT_EQ(ReadFile(St().Native(dest + "\\\xBC\xEC\xB2\xE2\xB1\xA8\xB8\xE6.txt")), "report\n");
    EXPECT_EQ(ReadFile(St().Native(dest + "\\second.txt")), "second\n");
}

// What one container packs, both unpack.
TEST_P(ZipArchive, PackedFolderUnpacksOnEveryContainer) {
    const std::string archive = Area("packed") + ".zip";
    St().MakeFolder("D:\\packed");
    ASSERT_EQ(dorlix::PackFolder(Zip(), DataPath("station").c_str(), archive.c_str()), 1);
    EXPECT_EQ(dorlix::PackProgress(), 100);
    for (const plat::ZipBackend* reader : zipdata::Backends()) {
        const std::string dest = Area("packed") + "-" + reader->name;
        EXPECT_EQ(dorlix::Unpack(*reader, archive.c_str(), dest.c_str()), 1) << reader->name;
        ExpectStationFiles(St().Native(dest), reader->name);
    }
}

TEST_P(ZipArchive, PackedFileIsTheOnlyEntryUnderItsBareName) {
    const std::string folder = Area("single");
    St().Write(folder + "\\src\\zeros.bin", ReadFile(DataPath("station/zeros.bin")));
    const std::string archive = folder + "\\one.zip";
    St().Write(archive, "an older file in the way"); // replaced
    ASSERT_EQ(dorlix::PackFile(Zip(), (folder + "\\src\\zeros.bin").c_str(), archive.c_str()), 1);
    auto reader = Zip().open(archive.c_str());
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->Count(), 1);
    plat::ZipEntryName entry;
    ASSERT_TRUE(reader->Name(0, entry));
    EXPECT_EQ(entry.name, "zeros.bin");
    EXPECT_FALSE(entry.utf8);
    reader.reset();
    // A new folder chain is made for the destination.
    EXPECT_EQ(dorlix::Unpack(Zip(), archive.c_str(), (folder + "\\new\\chain").c_str()), 1);
    EXPECT_TRUE(St().Read(folder + "\\new\\chain\\zeros.bin") == ReadFile(DataPath("station/zeros.bin")));
}

TEST_P(ZipArchive, EscapingEntriesAreRefusedAndTheRestUnpacked) {
    const std::vector<std::string> before = St().Entries();
    const std::string dest = Area("escape") + "\\inside";
    EXPECT_EQ(dorlix::Unpack(Zip(), DataPath("hostile/escape.zip").c_str(), dest.c_str()), 0);
    EXPECT_EQ(St().Read(dest + "\\first.txt"), "first\n");
    EXPECT_EQ(St().Read(dest + "\\last.txt"), "last\n");
    EXPECT_EQ(FilesIn(St().Native(dest)), (std::vector<std::string>{"first.txt", "last.txt"}));
    // Nothing new on the station but the destination's folders and those two files.
    const std::string area = St().Native(Area("escape"));
    std::vector<std::string> made;
    for (const std::string& e : St().Entries())
        if (std::find(before.begin(), before.end(), e) == before.end() && e.rfind(area, 0) != 0) made.push_back(e);
    for (const std::string& e : made)
        if (!fs::is_directory(e)) ADD_FAILURE() << "written outside the destination: " << e;
}

TEST_P(ZipArchive, DamagedAndUnreadableArchives) {
    struct Case {
        const char* file;
        int rc;
    } cases[] = {
        {"hostile/garbage.zip", -9},   // no end record
        {"hostile/truncated.zip", -9}, // end record cut off
        {"hostile/empty.zip", -9},
        {"hostile/no such archive.zip", -9},
        {"hostile/badcrc.zip", 0},    // one damaged entry, the others unpacked
        {"hostile/encrypted.zip", 0}, // refused, not written as garbage
        {"hostile/bzip2.zip", 0},     // a method neither container reads
    };
    for (const Case& c : cases) {
        const std::string dest = Area("damaged") + "\\" + fs::path(c.file).stem().string();
        EXPECT_EQ(dorlix::Unpack(Zip(), DataPath(c.file).c_str(), dest.c_str()), c.rc) << c.file;
        // A failed entry leaves no partial file.
        EXPECT_FALSE(St().Exists(dest + "\\result.txt")) << c.file;
    }
    const std::string bad = Area("damaged") + "\\badcrc";
    EXPECT_TRUE(St().Read(bad + "\\zeros.bin") == ReadFile(DataPath("station/zeros.bin")));
}

INSTANTIATE_TEST_SUITE_P(Containers, ZipArchive, ::testing::ValuesIn(zipdata::Backends()),
                         [](const auto& info) { return std::string(info.param->name); });

// ---- The exports, on the platform's container ----

TEST(ZipExports, RefusedArgumentsAndPaths) {
    EXPECT_EQ(CompressFile(nullptr, "D:\\a.zip"), 0);
    EXPECT_EQ(CompressFile("", "D:\\a.zip"), 0);
    EXPECT_EQ(CompressFile("D:\\missing.txt", "D:\\a.zip"), 0);
    EXPECT_FALSE(St().Exists("D:\\a.zip"));
    St().Write("D:\\self.txt", "kept");
    EXPECT_EQ(CompressFile("D:\\self.txt", "d:\\SELF.txt"), 0);
    EXPECT_EQ(St().Read("D:\\self.txt"), "kept");
    EXPECT_EQ(CompressFileEx("D:\\no folder", "D:\\a.zip"), 0);
    EXPECT_EQ(CompressFileEx(nullptr, "D:\\a.zip"), 0);
    St().Write("D:\\args\\f.txt", "x");
    EXPECT_EQ(CompressFileEx("D:\\args", "D:\\no folder\\a.zip"), 0); // cannot be created
    EXPECT_EQ(UnCompressFile(nullptr, "D:\\out"), 0);
    EXPECT_EQ(UnCompressFile(DataPath("peers/py_stored.zip").c_str(), ""), 0);
    EXPECT_EQ(UnCompressFile("D:\\missing.zip", "D:\\out"), -9);
    // Several entries need an absolute destination of valid names.
    EXPECT_EQ(UnCompressFile(DataPath("peers/py_stored.zip").c_str(), "relative\\out"), -2);
    EXPECT_EQ(UnCompressFile(DataPath("peers/py_stored.zip").c_str(), "D:\\bad|name"), -2);
    EXPECT_FALSE(fs::exists("relative"));
}

TEST(ZipExports, FolderOfSubfoldersOnlyGivesAnEmptyArchive) {
    St().MakeFolder("D:\\subsonly\\a\\b");
    St().Write("D:\\subsonly\\a\\inner.txt", "not packed");
    ASSERT_EQ(CompressFileEx("D:\\subsonly", "D:\\subsonly.zip"), 1);
    auto reader = plat::SystemZip().open("D:\\subsonly.zip");
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Count(), 0);
    EXPECT_EQ(UnCompressFile("D:\\subsonly.zip", "D:\\subsonly-out"), 1);
}

// An archive written into the folder it packs is not packed into itself the next time.
TEST(ZipExports, ArchiveInsideItsFolderIsNotPackedIntoItself) {
    St().Write("D:\\inside\\f.txt", "data");
    for (int run = 0; run < 2; ++run)
        ASSERT_EQ(CompressFileEx("D:\\inside", "D:\\inside\\inside.zip"), 1) << run;
    auto reader = plat::SystemZip().open("D:\\inside\\inside.zip");
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Count(), 1);
}

// A writer stands by each file until the packer has set the counter for it:
// the counter is seen at 33, 66 and 100 in turn.
TEST(ZipExports, ProgressCountsThreeFilesInTurn) {
    const std::string folder = "D:\\progress";
    St().MakeFolder(folder);
    const char* names[] = {"a.txt", "b.txt", "c.txt"};
#if !VZ5_TEST_WINDOWS
    for (const char* n : names)
        ASSERT_EQ(mkfifo(St().Native(folder + "\\" + n).c_str(), 0600), 0);
    int rc = -100;
    std::thread packer([&] { rc = CompressFileEx(folder.c_str(), "D:\\progress.zip"); });
    const int expected[] = {33, 66, 100};
    for (int i = 0; i < 3; ++i) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (GetCompressFileExCnt() != expected[i] && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(GetCompressFileExCnt(), expected[i]);
        // Opening the pipe releases the packer's read of this file.
        std::ofstream(St().Native(folder + "\\" + names[i])) << "file " << i << "\n";
    }
    packer.join();
    EXPECT_EQ(rc, 1);
#else
    // Without pipes to hold the packer, the counter is checked at the end.
    for (int i = 0; i < 3; ++i)
        St().Write(folder + "\\" + names[i], "file " + std::to_string(i) + "\n");
    EXPECT_EQ(CompressFileEx(folder.c_str(), "D:\\progress.zip"), 1);
    EXPECT_EQ(GetCompressFileExCnt(), 100);
#endif
    auto reader = plat::SystemZip().open("D:\\progress.zip");
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->Count(), 3);
    std::vector<std::string> entries;
    for (int i = 0; i < 3; ++i) {
        plat::ZipEntryName e;
        ASSERT_TRUE(reader->Name(i, e));
        entries.push_back(e.name);
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    reader.reset();
    EXPECT_EQ(UnCompressFile("D:\\progress.zip", "D:\\progress-out"), 1);
    EXPECT_EQ(GetUnCompressFileExCnt(), 100);
    EXPECT_EQ(St().Read("D:\\progress-out\\b.txt"), "file 1\n");
}

TEST(ZipExports, DatCompressProPeakPicking) {
    const float ten[] = {1.04f, 9.06f, 3, 2, 5.55f, 4, 8.01f, 7, 6.66f, 0};
    struct Case {
        int n, m, decimals, rc;
        std::vector<float> out;
    } cases[] = {
        // Groups of 4, 3 and 3 samples after the first sample (not rounded).
        {10, 4, 1, 4, {1.04f, 9.1f, 8.0f, 7.0f}},
        {10, 4, 0, 4, {1.04f, 9, 8, 7}},
        {3, 5, 0, 3, {1, 9, 3}},            // fewer samples than outputs: all, rounded
        {10, 10, 2, 10, {1.04f, 9.06f, 3, 2, 5.55f, 4, 8.01f, 7, 6.66f, 0}}, // groups of 2, 1, 1, ...
        {10, 3, 0, 0, {}},                  // m <= 3
        {1, 5, 0, 0, {}},                   // n <= 1
    };
    for (const Case& c : cases) {
        std::vector<float> out(12, -1.0f);
        EXPECT_EQ(DatCompressPro_PP(ten, c.n, out.data(), c.m, c.decimals), c.rc) << c.n << "/" << c.m;
        for (std::size_t i = 0; i < c.out.size(); ++i)
            EXPECT_FLOAT_EQ(out[i], c.out[i]) << c.n << "/" << c.m << " at " << i;
        EXPECT_EQ(out[c.out.size()], -1.0f) << "written past the result";
    }
    float out[8];
    EXPECT_EQ(DatCompressPro_PP(ten, 10, nullptr, 4, 0), 0);
    EXPECT_EQ(DatCompressPro_PP(nullptr, 10, out, 4, 0), 0);
}

// ---- The tool ----

TEST(ZipTool, PacksAndUnpacksWithAProgressLine) {
    const std::string tool = vz5test::BuiltProgram("dorlix");
    if (!fs::exists(tool)) GTEST_SKIP() << "dorlix tool not built";
    const vz5test::ProgramRun zip = vz5test::RunProgram(tool, {"zip", DataPath("station"), "D:\\station.zip"});
    EXPECT_EQ(zip.exitCode, 0);
    EXPECT_NE(zip.out.find("zip: 100%"), std::string::npos) << zip.out;
    const vz5test::ProgramRun unzip = vz5test::RunProgram(tool, {"unzip", "D:\\station.zip", "D:\\tool\\out"});
    EXPECT_EQ(unzip.exitCode, 0);
    EXPECT_NE(unzip.out.find("unzip: 100%"), std::string::npos) << unzip.out;
    ExpectStationFiles(St().Native("D:\\tool\\out"), "tool");
    EXPECT_EQ(vz5test::RunProgram(tool, {"unzip", "D:\\missing.zip", "D:\\tool\\out"}).exitCode, 1);
    EXPECT_EQ(vz5test::RunProgram(tool, {"zip", "only one"}).exitCode, 2);
}

} // namespace
