// The dorlix md5 and base64 commands against md5sum's digests and Python's
// Base64 of the same generated files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "attachedstation.h"
#include "codec_data.h"
#include "testhost.h"

namespace {

using codecdata::DataPath;

class CodecTool : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(vz5test::BuiltProgram("dorlix")))
            GTEST_SKIP() << "dorlix tool not built";
    }
    static vz5test::ProgramRun Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return vz5test::RunProgram(vz5test::BuiltProgram("dorlix"), args, input);
    }
    // md5sum's digest of a generated file.
    static std::string Md5sumOf(const std::string& size) {
        std::ifstream list(DataPath("md5sum.txt"));
        for (std::string s, digest; list >> s >> digest;)
            if (s == size) return digest;
        return {};
    }
};

TEST_F(CodecTool, Md5PrintsTheDigestOfMd5sum) {
    for (const std::string size : {"0", "65", "10485760"}) {
        const std::string path = DataPath("files/size_" + size + ".bin");
        const vz5test::ProgramRun r = Run({"md5", path});
        EXPECT_EQ(r.exitCode, 0) << size;
        EXPECT_EQ(r.out, Md5sumOf(size) + "  " + path + "\n");
    }
    EXPECT_EQ(Run({"md5", DataPath("files/no such file")}).exitCode, 1);
    EXPECT_EQ(Run({"md5"}).exitCode, 2);
}

TEST_F(CodecTool, Base64EncodesAsPythonAndDecodesBack) {
    const vz5test::ProgramRun enc = Run({"base64", "encode"}, DataPath("files/size_1000.bin"));
    EXPECT_EQ(enc.exitCode, 0);
    EXPECT_EQ(enc.out, vz5test::Station::ReadNative(DataPath("files/size_1000.b64")));

    // Decoding: a text wrapped over lines as other encoders write it. The
    // bytes hold no carriage return, which the Windows test host folds away.
    const std::string scratch = vz5test::MakeTempFolder("vz5-codec-tool");
    const std::string input = vz5test::Join(scratch, "in.b64");
    std::ofstream(input, std::ios::binary) << "Zm9v\nYmFy\nAP+A\n";
    const vz5test::ProgramRun dec = Run({"base64", "decode"}, input);
    EXPECT_EQ(dec.exitCode, 0);
    EXPECT_EQ(dec.out, std::string("foobar\0\xFF\x80", 9));

    std::ofstream(input, std::ios::binary) << "Zm9vY";
    EXPECT_EQ(Run({"base64", "decode"}, input).exitCode, 1);
    EXPECT_EQ(Run({"base64", "sideways"}).exitCode, 2);
    vz5test::RemoveTree(scratch);
}

} // namespace
