// MD5 digests: the test suite of RFC 1321 through every text and memory form,
// and what each form does with bad arguments and unreadable files.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "attachedstation.h"
#include "dorlix.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-md5");

struct Vector {
    const char* text;
    const char* digest;
};
// RFC 1321, appendix A.5.
constexpr Vector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5, Rfc1321SuiteInEveryForm) {
    for (const Vector& v : kRfc1321) {
        const int n = static_cast<int>(std::strlen(v.text));
        char out[33] = {};
        EXPECT_EQ(GetMD5Code(v.text, n, out), 1);
        EXPECT_STREQ(out, v.digest) << '"' << v.text << '"';
        char mem[33] = {};
        EXPECT_EQ(GetMemSPID(v.text, n, mem), 1);
        EXPECT_STREQ(mem, v.digest);
        if (n == 0) continue; // the text form refuses an empty text
        char pass[33] = {};
        EXPECT_EQ(MakeCharPass(v.text, pass), 1);
        EXPECT_STREQ(pass, v.digest);
    }
}

TEST(Md5, FileFormsDigestTheWholeFile) {
    const std::string path = g_attached->Get().Scratch("abc.txt");
    std::ofstream(path, std::ios::binary) << "abc";
    char out[33] = {}, spid[33] = {};
    EXPECT_EQ(GetFileCheck(path.c_str(), out), 1);
    EXPECT_STREQ(out, "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(GetFileSPID(path.c_str(), spid), 1);
    EXPECT_STREQ(spid, out);
}

TEST(Md5, BadArgumentsAndUnreadableFiles) {
    char out[33] = "stale";
    EXPECT_EQ(GetMD5Code(nullptr, 3, out), 0);
    EXPECT_EQ(GetMD5Code("abc", 3, nullptr), 0);
    EXPECT_EQ(GetMD5Code("abc", -1, out), 0);
    EXPECT_EQ(GetMemSPID(nullptr, 3, out), 0);
    EXPECT_STREQ(out, "stale");
    EXPECT_EQ(MakeCharPass(nullptr, out), 0);
    EXPECT_EQ(MakeCharPass("abc", nullptr), 0);
    EXPECT_EQ(MakeCharPass("", out), 0);
    EXPECT_STREQ(out, "ERROR");

    const std::string missing = g_attached->Get().Scratch("no such file.bin");
    const std::string folder = g_attached->Get().Scratch("");
    for (const std::string& path : {missing, folder}) {
        char file[33] = "stale";
        EXPECT_EQ(GetFileCheck(path.c_str(), file), 0) << path;
        EXPECT_STREQ(file, "") << path;
        std::strcpy(file, "stale");
        EXPECT_EQ(GetFileSPID(path.c_str(), file), 0) << path;
        EXPECT_STREQ(file, "") << path;
    }
    std::strcpy(out, "stale");
    EXPECT_EQ(GetFileCheck("", out), 0);
    EXPECT_EQ(GetFileCheck(nullptr, out), 0);
    EXPECT_STREQ(out, "stale");
    EXPECT_EQ(GetFileSPID(missing.c_str(), nullptr), 0);
    EXPECT_EQ(GetFileCheck(missing.c_str(), nullptr), 0);
}

} // namespace
