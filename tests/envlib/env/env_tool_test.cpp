// "dorlix env": the technicians' tool run as a program on a fresh station.
#include "env_testutil.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace envtest;

namespace {

using ToolRun = vz5test::ProgramRun;

// Runs the built tool with args in a UTF-8 locale and captures standard output.
ToolRun Tool(const std::vector<std::string>& args, const std::string& program = vz5test::BuiltProgram("dorlix")) {
    vz5test::SetEnv("LC_ALL", "C.UTF-8");
    return vz5test::RunProgram(program, args);
}

// A copy of a built program under another name, with the library beside it
// where the program finds the library there (Windows).
std::string CopyProgram(const std::string& stem, const std::string& to) {
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(vz5test::BuiltProgram(stem), to);
    std::filesystem::permissions(to, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    if (vz5test::kWindows) {
        const std::filesystem::path lib(vz5test::LibraryFile());
        std::filesystem::copy_file(lib, std::filesystem::path(to).parent_path() / lib.filename());
    }
    return to;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class EnvTool : public ::testing::Test {
  protected:
    TempRoot root_;
};

TEST_F(EnvTool, ListShowsEveryItemInUtf8) {
    ToolRun r = Tool({"env", "list"});
    ASSERT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 300u);
    const std::string& paramId = lines[170];
    EXPECT_NE(paramId.find("170"), std::string::npos) << paramId;
    EXPECT_NE(paramId.find("ParamIDPath"), std::string::npos) << paramId;
    EXPECT_NE(paramId.find("配置文件_参数ID配置文件"), std::string::npos) << paramId;
    EXPECT_NE(paramId.find("D:\\VZ5\\SYSTEM\\PARAMIDX.INI"), std::string::npos) << paramId;
    EXPECT_NE(lines[186].find("汽车简易工况排放检测系统"), std::string::npos) << lines[186];
}

TEST_F(EnvTool, GetAndSetByKeyOrIndex) {
    ToolRun byKey = Tool({"env", "get", "paramidpath"});
    ToolRun byIndex = Tool({"env", "get", "170"});
    ASSERT_EQ(byKey.exitCode, 0);
    EXPECT_EQ(byKey.out, "D:\\VZ5\\SYSTEM\\PARAMIDX.INI\n");
    EXPECT_EQ(byIndex.out, byKey.out);

    struct Case {
        std::string item, value, shown;
    };
    const Case cases[] = {
        {"GasPortPath", "com7,4800,even,7,1", "COM7,4800,EVEN,7,1\n"}, // stored normalised
        {"1", "检测站A", "检测站A\n"},                                 // Chinese text kept as typed
        {"240", "http://x/Services/jcxService.asmx", "http://x/Services/jcxService.asmx\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tool({"env", "set", c.item, c.value}).exitCode, 0) << c.item;
        EXPECT_EQ(Tool({"env", "get", c.item}).out, c.shown) << c.item;
    }
    // Stored as GB2312 in the environment file.
    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(TextAt(f, FileItemField(1, VALUE), 256), "\xBC\xEC\xB2\xE2\xD5\xBE"
                                                       "A");

    EXPECT_EQ(Tool({"env", "get", "NoSuchKey"}).exitCode, 1);
    EXPECT_EQ(Tool({"env", "get", "300"}).exitCode, 1);
    EXPECT_EQ(Tool({"env", "set", "42", std::string(300, 'x')}).exitCode, 1);
    EXPECT_EQ(Tool({"env", "bogus"}).exitCode, 2);
}

TEST_F(EnvTool, ExportAndImport) {
    std::string base = root_.Path() + "/saved";
    ASSERT_EQ(Tool({"env", "set", "VZ5SQLPath", "D:\\A"}).exitCode, 0);
    ASSERT_EQ(Tool({"env", "export", base}).exitCode, 0);
    ASSERT_EQ(Tool({"env", "set", "VZ5SQLPath", "D:\\B"}).exitCode, 0);

    Bytes exported = ReadBytes(base + ".LWPENV");
    ASSERT_EQ(exported.size(), 64 + RECORD_SIZE);
    exported[100] ^= 0x20;
    std::string tampered = root_.Path() + "/tampered.LWPENV";
    WriteBytes(tampered, exported);
    EXPECT_EQ(Tool({"env", "import", tampered}).exitCode, 1);
    EXPECT_EQ(Tool({"env", "get", "VZ5SQLPath"}).out, "D:\\B\n");

    EXPECT_EQ(Tool({"env", "import", base + ".LWPENV"}).exitCode, 0);
    EXPECT_EQ(Tool({"env", "get", "VZ5SQLPath"}).out, "D:\\A\n");
    EXPECT_EQ(Tool({"env", "import", root_.Path() + "/missing.LWPENV"}).exitCode, 1);
}

// The station set-up tool sees the labels translated through the language
// file; a translation longer than the label field is cut to the field.
TEST_F(EnvTool, SetupToolSeesTranslatedLabels) {
    const std::string setupTool = CopyProgram("dorlix", root_.Scratch("setup/talvane.exe"));
    std::string langue = root_.Native("D:\\VZ5\\system\\config\\LangueID.ini");
    std::filesystem::create_directories(std::filesystem::path(langue).parent_path());
    std::ofstream(langue, std::ios::binary)
        << "[LANGUE]\r\n"
        << "\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE_\xB2\xCE\xCA\xFD"
           "ID\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE=ParamID table\r\n" // 配置文件_参数ID配置文件
        << "\xB9\xA4\xD7\xF7\xC2\xB7\xBE\xB6_SQL\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xC2\xB7\xBE\xB6="
        << std::string(400, 'T') << "\r\n"; // 工作路径_SQL数据文件路径

    ASSERT_EQ(Tool({"env", "list"}).exitCode, 0); // fills the working copy's language path
    ToolRun r = Tool({"env", "list"}, setupTool);
    ASSERT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 300u);
    EXPECT_NE(lines[170].find("ParamID table = D:\\VZ5\\SYSTEM\\PARAMIDX.INI"), std::string::npos)
        << lines[170];
    EXPECT_NE(lines[42].find(std::string(255, 'T') + " = D:\\VZ5DB"), std::string::npos) << lines[42];
    EXPECT_EQ(lines[42].find(std::string(256, 'T')), std::string::npos);
    // Labels are translated for display only: a later save by the set-up tool
    // keeps the stored labels, so other programs keep the stored values.
    ASSERT_EQ(Tool({"env", "set", "ParamIDPath", "D:\\IDS\\MINE.INI"}).exitCode, 0);
    const std::string host = CopyProgram("test_envlib_env_host", root_.Scratch("host/talvane.exe"));
    ASSERT_EQ(Tool({}, host).exitCode, 0);
    Bytes f = ReadBytes(root_.MainFile());
    EXPECT_EQ(TextAt(f, FileItemField(170, LABEL), 256).find("ParamID"), std::string::npos);
    EXPECT_EQ(ValueAt<float>(f, HEADER_SIZE + INERTIA), 950.0f);
    EXPECT_EQ(Tool({"env", "get", "170"}).out, "D:\\IDS\\MINE.INI\n");
}

} // namespace
