// Text encodings: each codec's main cases, limits and bad input as tables.
// Outputs sit in buffers of the stated size with a guard byte after them, so
// that a write past the limit shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-codec");

// A buffer holding text, with room for room bytes in all and a guard after it.
class Buffer {
  public:
    explicit Buffer(const std::string& text, size_t room = 0)
        : bytes_(std::max(room, text.size() + 1) + 1, '#') {
        std::memcpy(bytes_.data(), text.c_str(), text.size() + 1);
    }
    char* data() { return bytes_.data(); }
    std::string text() const { return bytes_.data(); }
    bool GuardIntact() const { return bytes_.back() == '#'; }

  private:
    std::vector<char> bytes_;
};

using InPlace = int(DORLIX_CALL*)(char*);

// An in-place pair: encode turns plain into coded within room bytes, decode
// turns it back, each with its expected result.
void ExpectInPlacePair(InPlace encode, int encodeRc, InPlace decode, int decodeRc, const std::string& plain,
                       const std::string& coded, size_t room) {
    Buffer text(plain, room);
    EXPECT_EQ(encode(text.data()), encodeRc) << plain;
    EXPECT_EQ(text.text(), coded);
    EXPECT_TRUE(text.GuardIntact()) << plain;
    EXPECT_EQ(decode(text.data()), decodeRc) << coded;
    EXPECT_EQ(text.text(), plain);
}

// ---- Base64 ----

TEST(Base64, EncodesAndDecodesTheStandardVectors) {
    // RFC 4648 section 10, and a final group whose first digit is 61 ("9", not the pad).
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xF4", "9A=="},
        {std::string("\0\xFF\x80", 3), "AP+A"},
    };
    for (const auto& [data, code] : cases) {
        Buffer out("", code.size() + 1);
        EXPECT_EQ(Base64EnCode(data.data(), static_cast<int>(data.size()), out.data()),
                  static_cast<int>(code.size()));
        EXPECT_EQ(out.text(), code);
        EXPECT_TRUE(out.GuardIntact()) << code;
        std::vector<char> back(data.size() + 1, '#');
        EXPECT_EQ(Base64DeCode(code.c_str(), back.data()), static_cast<int>(data.size())) << code;
        EXPECT_EQ(std::string(back.data(), data.size()), data);
        EXPECT_EQ(back.back(), '#') << "decoder wrote past its bytes: " << code;
    }
}

TEST(Base64, APadEndsTheDecodingAfterItsQuartet) {
    const std::pair<std::string, std::string> cases[] = {
        {"Zg==Zm9v", "f"},  // pad in the third place
        {"Zm8=Zm9v", "fo"}, // pad in the fourth place
    };
    for (const auto& [code, data] : cases) {
        char out[16];
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(Base64DeCode(code.c_str(), out), static_cast<int>(data.size())) << code;
        EXPECT_EQ(std::string(out, data.size()), data);
        EXPECT_EQ(out[data.size()], '#') << "nothing written after the padded quartet: " << code;
    }
}

TEST(Base64, RefusesBadLengthsAndNulls) {
    char out[16] = "untouched";
    EXPECT_EQ(Base64DeCode("Zm9vY", out), 0);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(Base64DeCode("Zg==", nullptr), 0);
    EXPECT_EQ(Base64DeCode(nullptr, out), 0);
    EXPECT_EQ(Base64EnCode("x", 0, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(Base64EnCode("x", -5, out), 0);
    EXPECT_EQ(Base64EnCode(nullptr, 3, out), 0);
    EXPECT_EQ(Base64EnCode("x", 1, nullptr), 0);
}

TEST(Base64, Lengths) {
    const std::pair<int, int> enc[] = {{1, 2}, {2, 3}, {3, 4}, {4, 6}, {0, 0}, {-1, 0}, {300, 400}};
    for (const auto& [n, want] : enc)
        EXPECT_EQ(GetBase64EnCodeLen(nullptr, n), want) << n;
    EXPECT_EQ(GetBase64EnCodeLen(nullptr, 2147483647), 0) << "a count beyond an int";
    EXPECT_EQ(GetBase64DeCodeLen("Zm9v"), 3);
    EXPECT_EQ(GetBase64DeCodeLen("Zm9vY"), 3);
    EXPECT_EQ(GetBase64DeCodeLen("Zg=="), 3);
    EXPECT_EQ(GetBase64DeCodeLen(nullptr), 0);
}

// ---- Local code page and UTF-8 ----

TEST(Utf, ConvertsBothWaysInPlace) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain ASCII 123", "plain ASCII 123"},
        {"\xBA\xC5\xC5\xC6 A1", "\xE5\x8F\xB7\xE7\x89\x8C A1"}, // 号牌: GB2312
        {"\xE9\x46", "\xE9\x95\x95"},                           // 镕: GBK only
        {"", ""},
    };
    for (const auto& [local, utf8] : cases)
        ExpectInPlacePair(UTFEncode, 1, UTFDecode, 1, local, utf8, local.size() * 3 / 2 + 1);
    EXPECT_EQ(UTFEncode(nullptr), 0);
    EXPECT_EQ(UTFDecode(nullptr), 0);
}

TEST(Utf, ACharacterTheCodePageLacksBecomesOneReplacement) {
    // Well-formed UTF-8 characters: one "?" per UTF-16 unit, as on Windows.
    const std::pair<std::string, std::string> cases[] = {
        {"\xE4\xB7\x80x", "?x"}, // U+4DC0
        {"a\xF0\x9F\x98\x80"
         "b",
         "a??b"},                                  // U+1F600: two UTF-16 units
        {"\xE4\xB7\x80\xE5\x8F\xB7", "?\xBA\xC5"}, // the character after it (号) still converts
    };
    for (const auto& [utf8, local] : cases) {
        Buffer text(utf8);
        EXPECT_EQ(UTFDecode(text.data()), 1);
        EXPECT_EQ(text.text(), local) << utf8;
    }
}

TEST(Utf, Utf8FormsLeaveTheText) {
    char text[] = "\xE5\x8F\xB7 x";
    EXPECT_EQ(UTFEncode_UTF8(text), 1);
    EXPECT_EQ(UTFDecode_UTF8(text), 1);
    EXPECT_STREQ(text, "\xE5\x8F\xB7 x");
    EXPECT_EQ(UTFEncode_UTF8(nullptr), 0);
    EXPECT_EQ(UTFDecode_UTF8(nullptr), 0);
}

// ---- URL encodings ----

TEST(Url, EncodesLettersDigitsSpacesAndOtherBytes) {
    struct Case {
        std::string text, gb2312, utf8;
    } cases[] = {
        {"a b-c", "a+b%2Dc", "a+b%2Dc"},
        {"\xBA\xC5", "%BA%C5", "%E5%8F%B7"}, // 号
        {"\x01\t\r\n\v\f", "%01+++++", "%01+++++"},
        {"Az09_.~%", "Az09%5F%2E%7E%25", "Az09%5F%2E%7E%25"},
    };
    for (const auto& c : cases) {
        Buffer gb(c.text, c.text.size() * 3 + 1);
        EXPECT_EQ(UrlUTFEncode_GB2312(gb.data()), 1);
        EXPECT_EQ(gb.text(), c.gb2312);
        EXPECT_TRUE(gb.GuardIntact());
        Buffer u8(c.text, c.text.size() * 9 / 2 + 1);
        EXPECT_EQ(UrlUTFEncode_UTF8(u8.data()), 1);
        EXPECT_EQ(u8.text(), c.utf8);
        EXPECT_TRUE(u8.GuardIntact());
    }
    EXPECT_EQ(UrlUTFEncode_GB2312(nullptr), 0);
    EXPECT_EQ(UrlUTFEncode_UTF8(nullptr), 0);
}

TEST(Url, DecodesEscapesAndKeepsBrokenOnes) {
    struct Case {
        std::string code, gb2312, utf8;
    } cases[] = {
        {"a+b%2Dc", "a b-c", "a b-c"},
        {"%ba%C5", "\xBA\xC5", "??"},              // either case; no UTF-8 character
        {"%E5%8F%B7", "\xE5\x8F\xB7", "\xBA\xC5"}, // 号
        {"50%", "50%", "50%"},
        {"x%4", "x%4", "x%4"}, // one digit at the end: both kept
        {"%zz%4g", "%zz%4g", "%zz%4g"},
    };
    for (const auto& c : cases) {
        Buffer gb(c.code);
        EXPECT_EQ(UrlUTFDecode_GB2312(gb.data()), static_cast<int>(c.gb2312.size())) << c.code;
        EXPECT_EQ(gb.text(), c.gb2312);
        Buffer u8(c.code);
        EXPECT_EQ(UrlUTFDecode_UTF8(u8.data()), 1);
        EXPECT_EQ(u8.text(), c.utf8) << c.code;
    }
    EXPECT_EQ(UrlUTFDecode_GB2312(nullptr), 0);
    EXPECT_EQ(UrlUTFDecode_UTF8(nullptr), 0);
}

// ---- Line-break escapes ----

TEST(Esc, EscapesAndUnescapesLineBreaks) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb", "a\\nb"}, {"\r\n", "\\r\\n"}, {"no breaks", "no breaks"}, {"\\x", "\\x"}};
    for (const auto& [plain, escaped] : cases)
        ExpectInPlacePair(EnCodeESC, static_cast<int>(escaped.size()), DeCodeESC,
                          static_cast<int>(plain.size()), plain, escaped, escaped.size() + 1);
    Buffer upper("a\\Nb\\Rc\\");
    EXPECT_EQ(DeCodeESC(upper.data()), 6);
    EXPECT_EQ(upper.text(), "a\nb\rc\\");
    Buffer empty("");
    EXPECT_EQ(EnCodeESC(empty.data()), 0);
    EXPECT_EQ(EnCodeESC(nullptr), 0);
    EXPECT_EQ(DeCodeESC(nullptr), 0);
}

TEST(Esc, RefusesWhatExceedsTheWorkBuffer) {
    // Up to 1024 characters of text and of result; beyond, -1 and the text stays.
    const std::string full(1024, 'x'), over(1025, 'x'), breaks(600, '\n');
    Buffer a(full);
    EXPECT_EQ(EnCodeESC(a.data()), 1024);
    EXPECT_EQ(DeCodeESC(a.data()), 1024);
    for (const std::string& t : {over, breaks}) {
        Buffer b(t, 2 * t.size() + 1);
        EXPECT_EQ(EnCodeESC(b.data()), -1) << t.size();
        EXPECT_EQ(b.text(), t);
    }
    Buffer c(over);
    EXPECT_EQ(DeCodeESC(c.data()), -1);
    EXPECT_EQ(c.text(), over);
}

// ---- Digit code ----

TEST(Digital, EncodesDigitsWithTheirChecksum) {
    const std::pair<std::string, std::string> cases[] = {
        {"123", "BCD&150"}, {"0", "A&48"}, {"9999999", "JJJJJJJ&143"}, // 7 x 57 = 399, modulo 256
        {"12a", "12a"},     {"", ""},      {"-1", "-1"}};
    for (const auto& [text, code] : cases) {
        Buffer out("stale", 505);
        EXPECT_EQ(EnCodeDigital(text.c_str(), out.data()), 1);
        EXPECT_EQ(out.text(), code) << text;
    }
}

TEST(Digital, DecodesOnlyAMatchingChecksum) {
    struct Case {
        std::string code;
        int rc;
        std::string out;
    } cases[] = {
        {"BCD&150", 1, "123"},    {"BCD&151", -1, "BCD&151"}, {"&150", 0, "&150"}, // marker at the start
        {"BCD", 0, "BCD"},                                                         // no marker
        {"xBC&99", -1, "xBC&99"},                                                  // no digit at position 0
        {"B&1&49", 1, "1"},                                                        // the last marker counts
        {"BC.D&99", 1, "12"}, // digits end at the first non-letter
    };
    for (const auto& c : cases) {
        Buffer out("stale", 505);
        EXPECT_EQ(DeCodeDigital(c.code.c_str(), out.data()), c.rc) << c.code;
        EXPECT_EQ(out.text(), c.out) << c.code;
    }
}

TEST(Digital, LimitsAndNulls) {
    // 496 digits make a 500-character code, the longest either side takes.
    const std::string digits(496, '7');
    Buffer code("", 505), back("", 505);
    ASSERT_EQ(EnCodeDigital(digits.c_str(), code.data()), 1);
    EXPECT_EQ(code.text().size(), 500u);
    EXPECT_EQ(DeCodeDigital(code.data(), back.data()), 1);
    EXPECT_EQ(back.text(), digits);
    // The longest code fills the 505 bytes of out exactly: 500 letters, "&", three digits, NUL.
    const std::string longest(500, '1');
    Buffer full("", 505);
    ASSERT_EQ(EnCodeDigital(longest.c_str(), full.data()), 1);
    EXPECT_EQ(full.text(), std::string(500, 'B') + "&180"); // 500 x 49 = 24500, modulo 256
    EXPECT_TRUE(full.GuardIntact());
    const std::string over(501, '1');
    Buffer out("stale", 505);
    EXPECT_EQ(EnCodeDigital(over.c_str(), out.data()), 0);
    EXPECT_EQ(DeCodeDigital(over.c_str(), out.data()), 0);
    EXPECT_EQ(out.text(), "stale");
    EXPECT_EQ(EnCodeDigital(nullptr, out.data()), 0);
    EXPECT_EQ(EnCodeDigital("1", nullptr), 0);
    EXPECT_EQ(DeCodeDigital(nullptr, out.data()), 0);
    EXPECT_EQ(DeCodeDigital("B&49", nullptr), 0);
}

// ---- Hexadecimal and binary texts ----

TEST(Hex, ConvertsPairsBothWays) {
    char* bytes = Hex2String("41a2Ff00");
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::memcmp(bytes, "\x41\xA2\xFF\0", 5), 0);
    std::free(bytes);
    char* hex = String2Hex("A\xA2\xFF");
    ASSERT_NE(hex, nullptr);
    EXPECT_STREQ(hex, "41A2FF");
    std::free(hex);
    char* empty = Hex2String("");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    std::free(empty);
    EXPECT_EQ(Hex2String("ABC"), nullptr);
    EXPECT_EQ(Hex2String(nullptr), nullptr);
    EXPECT_EQ(String2Hex(nullptr), nullptr);

    char out[8] = "#######";
    EXPECT_EQ(StrToHex("\0\x7F\x80", out, 3), 6);
    EXPECT_STREQ(out, "007F80");
    EXPECT_EQ(StrToHex("x", out, 0), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(StrToHex("x", nullptr, 1), 0);
    EXPECT_EQ(HexToInt(), 0);
}

TEST(Hex, ReadsHexAndBinaryNumbers) {
    const std::pair<const char*, int> hex[] = {
        {"7f", 127}, {"FFFFFFFF", -1}, {"80000000", INT32_MIN}, {"0", 0}, {"1g", 0}, {"", 0}, {nullptr, 0}};
    for (const auto& [text, value] : hex)
        EXPECT_EQ(strHexToInt(text), value) << (text ? text : "null");
    const std::pair<const char*, int> bin[] = {
        {"101", 5}, {"1111111111111111111111111111111", INT32_MAX}, {"102", -1}, {"", 0}, {nullptr, 0}};
    for (const auto& [text, value] : bin)
        EXPECT_EQ(strBinToInt(text), value) << (text ? text : "null");
}

TEST(Hex, WritesBinaryDigitsOfEachWidth) {
    const struct {
        int value, code;
        const char* digits;
    } cases[] = {{5, 1, "00000101"},
                 {5, 0, "0101"},
                 {0x1234, 2, "0001001000110100"},
                 {-1, 3, "11111111111111111111111111111111"},
                 {0x1F, 0, "1111"}};
    for (const auto& c : cases) {
        char out[34] = {};
        EXPECT_EQ(strIntToBin(c.value, out, c.code), 1);
        EXPECT_STREQ(out, c.digits);
    }
    char out[34] = "stale";
    EXPECT_EQ(strIntToBin(5, out, 4), 0);
    EXPECT_EQ(strIntToBin(5, out, -1), 0);
    EXPECT_STREQ(out, "stale");
    EXPECT_EQ(strIntToBin(5, nullptr, 1), 0);
    EXPECT_EQ(strHexToBin("A5", out, 1), 1);
    EXPECT_STREQ(out, "10100101");
    EXPECT_EQ(strHexToBin("A5", nullptr, 1), 0);
    EXPECT_EQ(strHexToBin("A5", out, 7), 0);
}

// ---- XML entities ----

TEST(Xml, EscapesAndUnescapesTheSixCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"<a>", "&lt;a&gt;"},
        {"<>&'\"#", "&lt;&gt;&amp;&apos;&quot;&#35;"},
        {"\xBA\xC5 plain", "\xBA\xC5 plain"},
    };
    for (const auto& [plain, escaped] : cases)
        ExpectInPlacePair(EscapeXML, 1, XMLEscape, 1, plain, escaped, escaped.size() + 1);
    EXPECT_EQ(EscapeXML(nullptr), 0);
    EXPECT_EQ(XMLEscape(nullptr), 0);
}

TEST(Xml, UnescapesRepeatedlyInTableOrder) {
    const std::pair<std::string, std::string> cases[] = {
        {"&amp;amp;", "&"},   // doubly escaped collapses
        {"&amp;lt;", "&lt;"}, // "&lt;" had its turn before "&amp;"
        {"&amp;#35;", "#"},   // "&#35;" comes after "&amp;"
        {"&&#35;35;", "#"},   // a replacement can make the next entity
        {"&lt&gt;;", "&lt>;"},
    };
    for (const auto& [escaped, plain] : cases) {
        Buffer text(escaped);
        EXPECT_EQ(XMLEscape(text.data()), 1);
        EXPECT_EQ(text.text(), plain) << escaped;
    }
}

TEST(Xml, EscapeRefusesAResultBeyondItsWorkBuffer) {
    // The work buffer is the text's length plus 500 bytes, its NUL included:
    // each apostrophe grows by 5, so 99 of them fit and 100 do not.
    const std::string fits(99, '\''), over(100, '\'');
    Buffer a(fits, 6 * fits.size() + 1);
    EXPECT_EQ(EscapeXML(a.data()), 1);
    EXPECT_EQ(a.text().size(), 6 * fits.size());
    Buffer b(over, 6 * over.size() + 1);
    EXPECT_EQ(EscapeXML(b.data()), 0);
    EXPECT_EQ(b.text(), over);
}

} // namespace
