// dorlix xml: the element tree of an XML file as the library's reader sees
// it, one element a line, indented two spaces a level:
//
//   dorlix xml <file>
//
//   name attr="value" attr='value with "quotes"'
//
// The tokens after the name are shown in pairs; a token left over at the end
// is shown alone. Text between tags, comments and declarations are not
// shown, as the reader passes over them. Exit code 0 done (an empty document
// prints nothing), 1 unreadable file or a tag without its ">", 2 bad arguments.
#include "command.h"
#include "terminal.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "xml/xmlparse.h"
#include "xml/xmltoken.h"

namespace {

using dorlix::XmlElement;
using dorlix::XmlToken;

std::string Shown(const XmlToken& t) {
    return dorlixtool::ToTerminal(std::string(t.text, t.length), true);
}

std::string Quoted(const XmlToken& t) {
    const std::string text = Shown(t);
    const char q = text.find('"') != std::string::npos && text.find('\'') == std::string::npos ? '\'' : '"';
    return q + text + q;
}

std::string Line(const XmlElement& e) {
    const char* pos = e.tag;
    XmlToken name{pos, 0}, key, value;
    NextXmlToken(pos, name);
    std::string line = Shown(name);
    while (NextXmlToken(pos, key)) {
        line += ' ' + Shown(key);
        if (NextXmlToken(pos, value)) line += '=' + Quoted(value);
    }
    return line;
}

// Depth first without recursion: a document may nest deeper than a stack.
void PrintTree(const XmlElement* root) {
    std::string indent;
    for (const XmlElement* e = root; e;) {
        printf("%s%s\n", indent.c_str(), Line(*e).c_str());
        if (e->child) {
            e = e->child;
            indent += "  ";
            continue;
        }
        while (e && !e->next) {
            e = e->parent;
            if (e) indent.resize(indent.size() - 2);
        }
        if (e) e = e->next;
    }
}

int RunXml(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty()) {
        fprintf(stderr, "usage: dorlix xml <file>\n");
        return 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
        fprintf(stderr, "dorlix xml: cannot read %s\n", args[0].c_str());
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        fprintf(stderr, "dorlix xml: cannot read %s\n", args[0].c_str());
        return 1;
    }
    dorlix::XmlElementPool pool;
    XmlElement* root = nullptr;
    switch (dorlix::ParseXmlInPlace(text.data(), text.size(), pool, &root)) {
    case dorlix::XmlParseResult::Ok:
        PrintTree(root);
        return 0;
    case dorlix::XmlParseResult::UnclosedTag:
        fprintf(stderr, "dorlix xml: %s: a \"<\" without its \">\": no document\n", args[0].c_str());
        return 1;
    case dorlix::XmlParseResult::NoMemory:
        break;
    }
    fprintf(stderr, "dorlix xml: %s: out of memory\n", args[0].c_str());
    return 1;
}

const dorlixtool::Registration reg("xml", "xml <file>", RunXml);

} // namespace
