// The codecs against independent judges: digests of md5sum, Base64 of
// Python's base64 module and the code page 936 table of iconv, all made on
// the build host (gen_peer_data.py).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "attachedstation.h"
#include "codec_data.h"
#include "dorlix.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-codec-peers");

using codecdata::DataPath;
using codecdata::FromHex;

TEST(Md5Peers, MatchesMd5sumOnFilesAroundThePaddingAndLarge) {
    std::ifstream list(DataPath("md5sum.txt"));
    ASSERT_TRUE(list) << DataPath("md5sum.txt");
    int files = 0;
    for (std::string size, digest; list >> size >> digest; ++files) {
        const std::string path = DataPath("files/size_" + size + ".bin");
        const std::string content = vz5test::Station::ReadNative(path);
        ASSERT_EQ(std::to_string(content.size()), size);
        char mem[33] = {}, file[33] = {}, text[33] = {};
        EXPECT_EQ(GetMD5Code(content.data(), static_cast<int>(content.size()), mem), 1);
        EXPECT_EQ(mem, digest) << size << " bytes in memory";
        EXPECT_EQ(GetFileCheck(path.c_str(), file), 1);
        EXPECT_EQ(file, digest) << size << " bytes in a file";
        // The files hold no NUL: the text form digests the same bytes.
        if (!content.empty()) {
            EXPECT_EQ(MakeCharPass(content.c_str(), text), 1);
            EXPECT_EQ(text, digest) << size << " bytes as a text";
        }
    }
    EXPECT_EQ(files, 8);
}

TEST(Base64Peers, MatchesPythonOnRandomDataOfEveryLengthTo100) {
    std::ifstream list(DataPath("base64.txt"));
    ASSERT_TRUE(list) << DataPath("base64.txt");
    int lines = 0;
    for (std::string n, hex, code; list >> n >> hex >> code; ++lines) {
        const std::string data = hex == "-" ? std::string() : FromHex(hex);
        if (code == "-") code.clear();
        std::string out(code.size() + 2, '#');
        EXPECT_EQ(Base64EnCode(data.data(), static_cast<int>(data.size()), out.data()),
                  static_cast<int>(code.size()));
        EXPECT_EQ(out.c_str(), code) << n << " bytes";
        EXPECT_EQ(out.back(), '#') << n << " bytes: written past the NUL";
        std::string back(data.size() + 1, '#');
        EXPECT_EQ(Base64DeCode(code.c_str(), back.data()), static_cast<int>(data.size())) << n << " bytes";
        EXPECT_EQ(back.substr(0, data.size()), data) << n << " bytes";
        EXPECT_EQ(back.back(), '#') << n << " bytes: decoded past the data";
    }
    EXPECT_EQ(lines, 101);
}

// Every assigned two-byte code of GB2312 to UTF-8 as iconv's CP936 has it, and back.
TEST(Gb2312Peers, EveryCodeRoundTripsAsIconvConvertsIt) {
    std::ifstream list(DataPath("gb2312.txt"));
    ASSERT_TRUE(list) << DataPath("gb2312.txt");
    std::string allLocal, allUtf8;
    int codes = 0, wrong = 0;
    for (std::string code, utf8Hex; list >> code >> utf8Hex; ++codes) {
        const std::string local = FromHex(code), utf8 = FromHex(utf8Hex);
        allLocal += local;
        allUtf8 += utf8;
        char text[8] = {};
        local.copy(text, local.size());
        const bool encoded = UTFEncode(text) == 1 && text == utf8;
        const bool decoded = UTFDecode(text) == 1 && text == local;
        if (!(encoded && decoded) && ++wrong <= 10)
            ADD_FAILURE() << "code " << code << ": expected UTF-8 " << utf8Hex;
    }
    EXPECT_EQ(codes, 7445);
    EXPECT_EQ(wrong, 0);
    // The whole table as one text: the buffer grows by half.
    std::string buffer = allLocal;
    buffer.resize(allLocal.size() * 3 / 2 + 1, '\0');
    EXPECT_EQ(UTFEncode(buffer.data()), 1);
    EXPECT_EQ(buffer.c_str(), allUtf8);
    EXPECT_EQ(UTFDecode(buffer.data()), 1);
    EXPECT_EQ(buffer.c_str(), allLocal);
}

} // namespace
