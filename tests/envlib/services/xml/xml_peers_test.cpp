// Documents whose trees Python's ElementTree listed at build time: the
// exports walk each one element by element, and "dorlix xml" prints it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dorlix.h"
#include "peerdata.h"
#include "station.h"
#include "testhost.h"

namespace {

using vz5test::DataPath;

constexpr auto ReadFile = vz5test::Station::ReadNative;

std::vector<std::string> Documents() {
    std::vector<std::string> names;
    std::ifstream list(DataPath("docs.txt"));
    for (std::string name; std::getline(list, name);)
        if (!name.empty()) names.push_back(name);
    return names;
}

struct Node {
    int depth;
    std::string name;
    std::vector<std::pair<std::string, std::string>> attrs;
};

std::vector<Node> ReadWalk(const std::string& path) {
    std::vector<Node> nodes;
    std::istringstream lines(ReadFile(path));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        Node n{std::stoi(f[0]), f[1], {}};
        for (size_t i = 2; i + 1 < f.size(); i += 2)
            n.attrs.emplace_back(f[i], f[i + 1]);
        nodes.push_back(n);
    }
    return nodes;
}

// Checks the element under the cursor against its listing.
void ExpectElement(const Node& n, size_t index) {
    SCOPED_TRACE("element " + std::to_string(index) + " <" + n.name + ">");
    ASSERT_EQ(FindItem(n.name.c_str()), 1);
    for (const auto& [key, value] : n.attrs) {
        char got[256] = "(untouched)";
        EXPECT_EQ(GetAttr(key.c_str(), got), 1) << key;
        EXPECT_EQ(std::string(got), value) << key;
    }
}

TEST(XmlPeers, ExportsWalkTheTreesOfElementTree) {
    const std::vector<std::string> docs = Documents();
    ASSERT_FALSE(docs.empty()) << "no documents in " << DataPath("docs.txt");
    for (const std::string& doc : docs) {
        SCOPED_TRACE(doc);
        const std::vector<Node> nodes = ReadWalk(DataPath(doc + ".walk"));
        ASSERT_FALSE(nodes.empty());
        ASSERT_EQ(LoadXML(DataPath(doc + ".xml").c_str()), 1);
        for (size_t i = 0; i < nodes.size(); ++i) {
            ExpectElement(nodes[i], i);
            if (HasFatalFailure()) return;
            const int depth = nodes[i].depth;
            const int nextDepth = i + 1 < nodes.size() ? nodes[i + 1].depth : -1;
            if (nextDepth > depth) {
                ASSERT_EQ(IntoItem(), 1) << "element " << i;
                continue;
            }
            ASSERT_EQ(IntoItem(), 0) << "element " << i << " has a child";
            for (int d = depth; d > nextDepth; --d) {
                ASSERT_EQ(NextItem(), 0) << "element " << i << " has a sibling at depth " << d;
                ExitItem();
            }
            if (nextDepth >= 0) {
                ASSERT_EQ(NextItem(), 1) << "element " << i;
            }
        }
        EXPECT_EQ(IntoItem(), 0) << "the cursor did not climb out";
    }
}

TEST(XmlPeers, ToolPrintsTheTreesOfElementTree) {
    const std::string tool = vz5test::BuiltProgram("dorlix");
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "dorlix tool not built";
    vz5test::SetEnv("LC_ALL", "C.UTF-8");
    for (const std::string& doc : Documents()) {
        const vz5test::ProgramRun r = vz5test::RunProgram(tool, {"xml", DataPath(doc + ".xml")});
        EXPECT_EQ(r.exitCode, 0) << doc;
        EXPECT_EQ(r.out, ReadFile(DataPath(doc + ".tree"))) << doc;
    }
    EXPECT_EQ(vz5test::RunProgram(tool, {"xml", DataPath("no such file.xml")}).exitCode, 1);
    const std::string scratch = vz5test::MakeTempFolder("vz5-xml-tool");
    const std::string broken = vz5test::Join(scratch, "broken.xml");
    std::ofstream(broken, std::ios::binary) << "<a><b k=1";
    const vz5test::ProgramRun r = vz5test::RunProgram(tool, {"xml", broken});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    vz5test::RemoveTree(scratch);
    EXPECT_EQ(vz5test::RunProgram(tool, {"xml"}).exitCode, 2);
}

} // namespace
