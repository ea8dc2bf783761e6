// The XML reader through its exports: walks over small documents as a table
// of steps, the limits chosen for long tokens and values, documents of
// 100,000 elements and 100,000 levels, and hostile texts.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "attachedstation.h"
#include "dorlix.h"
#include "testhost.h"
#include "xml/xmlreader.h"

namespace {

const vz5test::AttachedStation* const g_attached = vz5test::AttachOncePerProgram("vz5-xml-attach");

class XmlReaderTest : public ::testing::Test {
  protected:
    void SetUp() override { folder_ = vz5test::MakeTempFolder("vz5-xml"); }
    void TearDown() override { vz5test::RemoveTree(folder_); }
    // Writes text to a file of the test folder and loads it.
    int Load(const std::string& text, const std::string& name = "doc.xml") {
        const std::string path = vz5test::Join(folder_, name);
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
        return LoadXML(path.c_str());
    }
    std::string folder_;
};

constexpr char kUntouched[] = "(untouched)";

// GetAttr into a buffer with guard bytes behind the 256 the reader may use.
struct Attr {
    int result;
    std::string value;
    bool guardIntact;
};
Attr ReadAttr(const char* name) {
    std::vector<char> buf(256 + 64, '#');
    std::strcpy(buf.data(), kUntouched);
    Attr a;
    a.result = GetAttr(name, buf.data());
    a.value = buf.data();
    a.guardIntact = std::string(buf.begin() + 256, buf.end()) == std::string(64, '#');
    return a;
}

enum Op { FIND, INTO, NEXT, EXIT, ATTR };
struct Step {
    Op op;
    const char* arg; // FindItem and GetAttr name
    int result;
    const char* value = nullptr; // GetAttr: the value, or null for an untouched buffer
};
struct Case {
    const char* what;
    std::string doc;
    std::vector<Step> steps;
};

void RunSteps(const Case& c) {
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        SCOPED_TRACE(std::string(c.what) + ", step " + std::to_string(i + 1));
        switch (s.op) {
        case FIND:
            EXPECT_EQ(FindItem(s.arg), s.result);
            break;
        case INTO:
            EXPECT_EQ(IntoItem(), s.result);
            break;
        case NEXT:
            EXPECT_EQ(NextItem(), s.result);
            break;
        case EXIT:
            EXPECT_EQ(ExitItem(), s.result);
            break;
        case ATTR: {
            const Attr a = ReadAttr(s.arg);
            EXPECT_EQ(a.result, s.result);
            EXPECT_EQ(a.value, s.value ? s.value : kUntouched);
            break;
        }
        }
    }
}

TEST_F(XmlReaderTest, WalksDocumentsAsTheReaderSeesThem) {
    const Case cases[] = {
        {"declaration, comment and two top-level elements",
         "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<!-- station -->\r\n<first n=\"1\"/>\r\n<second "
         "n=\"2\"></second>\r\n",
         {{ATTR, "n", 1, "1"}, {NEXT, "", 1}, {ATTR, "n", 1, "2"}, {NEXT, "", 0}, {ATTR, "n", 1, "2"}}},
        {"empty file", "", {{FIND, "a", 0}, {INTO, "", 0}, {NEXT, "", 0}, {ATTR, "a", 0}, {EXIT, "", 1}}},
        {"text without tags", "just text", {{FIND, "just", 0}}},
        {"self-closing element has no child",
         "<a><b/><c x=\"1\"/></a>",
         {{INTO, "", 1}, {FIND, "b", 1}, {INTO, "", 0}, {NEXT, "", 1}, {ATTR, "x", 1, "1"}, {INTO, "", 0}}},
        {"a mismatched end tag closes the innermost element",
         "<a><b><c/></x><d/></a>",
         {{INTO, "", 1},
          {FIND, "b", 1},
          {INTO, "", 1},
          {FIND, "c", 1},
          {NEXT, "", 0},
          {EXIT, "", 1},
          {NEXT, "", 1},
          {FIND, "d", 1},
          {EXIT, "", 1},
          {FIND, "a", 1}}},
        {"a name only before the cursor",
         "<r><a/><b/></r>",
         {{INTO, "", 1},
          {NEXT, "", 1},
          {FIND, "a", 0},
          {EXIT, "", 1},
          {INTO, "", 0},
          {NEXT, "", 0},
          {ATTR, "b", 0},
          {FIND, "r", 0},
          {EXIT, "", 1}}},
        {"ExitItem climbs to none and stays there",
         "<r k=v><a/></r>",
         {{INTO, "", 1}, {EXIT, "", 1}, {ATTR, "k", 1, "v"}, {EXIT, "", 1}, {EXIT, "", 1}, {ATTR, "k", 0}}},
        {"FindItem from the cursor through its siblings",
         "<a/><b i=1/><c/><b i=2/>",
         {{FIND, "b", 1}, {ATTR, "i", 1, "1"}, {NEXT, "", 1}, {FIND, "b", 1}, {ATTR, "i", 1, "2"}}},
        {"names compare case-sensitively",
         "<Item Key=\"v\"/>",
         {{ATTR, "key", 0}, {ATTR, "Key", 1, "v"}, {FIND, "item", 0}}},
        {"values without quotes end at a blank or the end of the tag",
         "<a k=v1 j=v2 e=end/>",
         {{ATTR, "k", 1, "v1"}, {ATTR, "j", 1, "v2"}, {ATTR, "e", 1, "end"}}},
        {"separators: blanks, tabs, CR, LF and =",
         "<a\r\n\tk = \"v w\"\tj==x\r\nl=\n'y'>",
         {{ATTR, "k", 1, "v w"}, {ATTR, "j", 1, "x"}, {ATTR, "l", 1, "y"}}},
        {"quotes of one kind inside the other",
         "<a s='say \"hi\"' d=\"it's\"/>",
         {{ATTR, "s", 1, "say \"hi\""}, {ATTR, "d", 1, "it's"}}},
        {"an unclosed quote runs to the end of the tag",
         "<a k=\"open j=1>",
         {{ATTR, "k", 1, "open j=1"}, {ATTR, "j", 0}}},
        {"a > inside a quoted value ends the tag",
         "<a k=\"x>y\" j=\"1\"/><b/>",
         {{ATTR, "k", 1, "x"}, {ATTR, "j", 0}, {INTO, "", 1}, {FIND, "b", 1}}},
        {"entities come back as written",
         "<a v=\"&lt;1&amp;2&#65;\"/>",
         {{ATTR, "v", 1, "&lt;1&amp;2&#65;"}}},
        {"names and values are not paired",
         "<a x=\"y\" y=\"z\"/>",
         {{ATTR, "y", 1, "y"}, {ATTR, "a", 1, "x"}, {ATTR, "z", 1, ""}}},
        {"a name at the end of the tag has an empty value", "<input disabled>", {{ATTR, "disabled", 1, ""}}},
        {"an empty quoted value", "<a k=\"\" j=1/>", {{ATTR, "k", 1, ""}, {ATTR, "j", 1, "1"}}},
        {"a < without a > fails the parse",
         "<a><b k=1></b><c",
         {{FIND, "a", 0}, {ATTR, "k", 0}, {INTO, "", 0}}},
        {"an end tag at top level ends the document", "<a/></a><b/>", {{NEXT, "", 0}}},
        {"the end of the text closes what is open",
         "<a><b><c k=1>",
         {{INTO, "", 1},
          {INTO, "", 1},
          {ATTR, "k", 1, "1"},
          {INTO, "", 0},
          {EXIT, "", 1},
          {EXIT, "", 1},
          {FIND, "a", 1}}},
        {"instructions, comments and text inside elements are passed over",
         "<a>text<?pi x?><!-- <c/ --><!DOCTYPE z><b/>more</a>",
         {{INTO, "", 1}, {FIND, "b", 1}, {NEXT, "", 0}}},
        {"an element without a name",
         "<>< k=1/>",
         {{FIND, "", 1}, {INTO, "", 1}, {FIND, "k", 1}, {ATTR, "k", 1, "1"}}},
        {"double-byte names and values",
         "<\xB3\xB5\xC1\xBE \xC5\xC6\xD5\xD5=\"\xBE\xA9"
         "A12345\"/>",
         {{FIND, "\xB3\xB5\xC1\xBE", 1},
          {ATTR, "\xC5\xC6\xD5\xD5", 1,
           "\xBE\xA9"
           "A12345"}}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Load(c.doc), 1) << c.what;
        RunSteps(c);
    }
}

TEST_F(XmlReaderTest, NullArgumentsChangeNothing) {
    ASSERT_EQ(Load("<a k=1><b/></a>"), 1);
    EXPECT_EQ(LoadXML(nullptr), 0);
    EXPECT_EQ(FindItem(nullptr), 0);
    EXPECT_EQ(GetAttr("k", nullptr), 0);
    EXPECT_EQ(GetAttr(nullptr, nullptr), 0);
    EXPECT_EQ(ReadAttr("k").value, "1") << "the cursor moved";
}

TEST_F(XmlReaderTest, AFileThatCannotBeReadKeepsTheDocumentAndCursor) {
    ASSERT_EQ(Load("<a><b k=kept/></a>"), 1);
    ASSERT_EQ(IntoItem(), 1);
    EXPECT_EQ(LoadXML(vz5test::Join(folder_, "missing.xml").c_str()), 0);
    EXPECT_EQ(LoadXML(""), 0);
    EXPECT_EQ(LoadXML(folder_.c_str()), 0) << "a folder";
    EXPECT_EQ(ReadAttr("k").value, "kept");
    EXPECT_EQ(ExitItem(), 1);
    EXPECT_EQ(FindItem("a"), 1);
}

TEST_F(XmlReaderTest, ASecondLoadReplacesTheDocumentAndReusesThePool) {
    // 3000 elements need three blocks; the next load and one of the same
    // size take them again without new ones.
    std::string big = "<big>";
    for (int i = 0; i < 2999; ++i)
        big += "<e i=" + std::to_string(i) + "/>";
    big += "</big>";
    ASSERT_EQ(Load(big, "big.xml"), 1);
    const size_t blocks = dorlix::TheXmlReader().PoolBlocks();
    EXPECT_GE(blocks, 3u);
    ASSERT_EQ(Load("<small v=1/>", "small.xml"), 1);
    EXPECT_EQ(ReadAttr("v").value, "1");
    EXPECT_EQ(FindItem("big"), 0) << "an element of the first document is still reachable";
    EXPECT_EQ(IntoItem(), 0);
    ASSERT_EQ(Load(big, "big.xml"), 1);
    EXPECT_EQ(dorlix::TheXmlReader().PoolBlocks(), blocks);
    ASSERT_EQ(IntoItem(), 1);
    int count = 1;
    while (NextItem() == 1)
        ++count;
    EXPECT_EQ(count, 2999);
    EXPECT_EQ(ReadAttr("i").value, "2998");
}

TEST_F(XmlReaderTest, LongTokensCompareInFullAndLongValuesAreCut) {
    const std::string long300 = std::string(299, 'n') + "x";
    const std::string near300 = std::string(299, 'n') + "y"; // differs after 255 characters
    const std::string first255 = long300.substr(0, 255);
    const std::string doc = "<" + long300 + " " + long300 + "=v/>";
    ASSERT_EQ(Load(doc), 1);
    EXPECT_EQ(FindItem(near300.c_str()), 0);
    ASSERT_EQ(Load(doc), 1);
    EXPECT_EQ(FindItem(first255.c_str()), 0) << "a name matched the start of a longer token";
    ASSERT_EQ(Load(doc), 1);
    EXPECT_EQ(FindItem(long300.c_str()), 1);
    EXPECT_EQ(ReadAttr(first255.c_str()).result, 0);
    EXPECT_EQ(ReadAttr(near300.c_str()).result, 0);
    // The element name is the first match; the token after it comes back cut.
    EXPECT_EQ(ReadAttr(long300.c_str()).value, first255);

    // Values: cut at 255 bytes, never inside a double-byte character.
    std::string value1000;
    for (int i = 0; i < 1000; ++i)
        value1000 += static_cast<char>('a' + i % 26);
    std::string pairs = "AB";
    for (int i = 0; i < 126; ++i)
        pairs += "\xB0\xA1";
    pairs += "\xD6\xD0tail"; // bytes 254 and 255 form one character
    ASSERT_EQ(Load("<a v=\"" + value1000 + "\" p=\"" + pairs + "\" s=\"" + value1000.substr(0, 255) + "\"/>"),
              1);
    const Attr v = ReadAttr("v");
    EXPECT_EQ(v.value, value1000.substr(0, 255));
    EXPECT_TRUE(v.guardIntact);
    const Attr p = ReadAttr("p");
    EXPECT_EQ(p.value, pairs.substr(0, 254));
    EXPECT_TRUE(p.guardIntact);
    EXPECT_EQ(ReadAttr("s").value, value1000.substr(0, 255)) << "a value of 255 bytes is whole";
}

TEST_F(XmlReaderTest, LoadsAHundredThousandElements) {
    std::string doc = "<?xml version=\"1.0\"?>\n<station>\n";
    for (int g = 0; g < 1000; ++g) {
        doc += " <group id=\"" + std::to_string(g) + "\">\n";
        for (int i = 0; i < 99; ++i)
            doc += "  <item n=\"" + std::to_string(g * 99 + i) + "\"/>\n";
        doc += " </group>\n";
    }
    doc += "</station>\n"; // 1 + 1000 + 99,000 = 100,001 elements
    ASSERT_EQ(Load(doc), 1);
    ASSERT_EQ(FindItem("station"), 1);
    ASSERT_EQ(IntoItem(), 1);
    int groups = 0, items = 0;
    do {
        ASSERT_EQ(ReadAttr("id").value, std::to_string(groups));
        ASSERT_EQ(IntoItem(), 1);
        do {
            ASSERT_EQ(ReadAttr("n").value, std::to_string(items));
            ++items;
        } while (NextItem() == 1);
        ExitItem();
        ++groups;
    } while (NextItem() == 1);
    EXPECT_EQ(groups, 1000);
    EXPECT_EQ(items, 99000);
}

TEST_F(XmlReaderTest, LoadsADocumentNestedAHundredThousandDeep) {
    constexpr int kDepth = 100000;
    for (const bool closed : {true, false}) {
        std::string doc;
        for (int i = 0; i < kDepth; ++i)
            doc += "<d l=" + std::to_string(i) + ">";
        if (closed)
            for (int i = 0; i < kDepth; ++i)
                doc += "</d>";
        doc += "<after/>";
        ASSERT_EQ(Load(doc), 1);
        int depth = 1;
        while (IntoItem() == 1)
            ++depth;
        // Closed: "after" follows at top level; open: it is the deepest child.
        EXPECT_EQ(depth, closed ? kDepth : kDepth + 1);
        EXPECT_EQ(ReadAttr("l").value, closed ? std::to_string(kDepth - 1) : kUntouched);
        for (int i = 1; i < depth; ++i)
            ASSERT_EQ(ExitItem(), 1);
        EXPECT_EQ(ReadAttr("l").value, "0");
        EXPECT_EQ(NextItem(), closed ? 1 : 0);
        EXPECT_EQ(FindItem("after"), closed ? 1 : 0);
    }
}

// Texts a broken or hostile file may hold: every prefix of a document,
// unbalanced tags, a huge attribute, random markup. Each loads, and walking
// every element reached ends; the sanitizer build checks every access.
// Depth first with the exports alone, counting the levels to know when the
// cursor has climbed out; -1 when it visits more than limit elements.
long WalkAll(long limit) {
    long visited = 0;
    for (int depth = 1; depth > 0;) {
        if (++visited > limit) return -1;
        ReadAttr("k");
        if (IntoItem() == 1) {
            ++depth;
            continue;
        }
        while (depth > 0 && NextItem() == 0) {
            ExitItem();
            --depth;
        }
    }
    return visited;
}

TEST_F(XmlReaderTest, HostileTextsLoadAndEveryWalkEnds) {
    const std::string good = "<?xml?><r a='1' b=\"2\"><!-- c --><x k=v/><y><z k=\"w\"></z></y>tail</r>";
    std::vector<std::string> docs;
    for (size_t n = 0; n <= good.size(); ++n)
        docs.push_back(good.substr(0, n));
    docs.push_back(std::string(50000, '>'));
    docs.push_back(std::string(50000, '<'));
    docs.push_back(std::string(20000, '/') + "<a>" + std::string(20000, '/'));
    std::string ends;
    for (int i = 0; i < 20000; ++i)
        ends += "</x>";
    docs.push_back("<a>" + ends + "<b/>");
    docs.push_back("<a k=\"" + std::string(1 << 20, 'v') + "\"/>");
    docs.push_back("<a k='" + std::string(1 << 20, 'v'));
    const char withNul[] = "<a k=1\0 j=2/><b/>";
    docs.push_back(std::string(withNul, sizeof withNul - 1));
    uint32_t x = 12345;
    const char alphabet[] = "<<>>/!?='\" \tak\r\n";
    for (int d = 0; d < 300; ++d) {
        std::string doc;
        for (int i = 0; i < 200; ++i) {
            x = x * 1103515245u + 12345u;
            doc += alphabet[(x >> 16) % (sizeof alphabet - 1)];
        }
        docs.push_back(doc);
    }
    for (size_t i = 0; i < docs.size(); ++i) {
        ASSERT_EQ(Load(docs[i]), 1) << "document " << i;
        const Attr a = ReadAttr("k");
        EXPECT_TRUE(a.guardIntact) << "document " << i;
        // Every element takes at least "<>" of the text.
        EXPECT_GT(WalkAll(static_cast<long>(docs[i].size() / 2 + 1)), 0) << "document " << i;
    }
}

} // namespace
