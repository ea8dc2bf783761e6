// dorlix: command-line access to the station library for technicians.
#include "command.h"
#include "terminal.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace dorlixtool {
namespace {
struct Entry {
    const char* usage;
    Handler handler;
};
std::map<std::string, Entry>& Table()
{
    static std::map<std::string, Entry> table;
    return table;
}
} // namespace

Registration::Registration(const char* word, const char* usage, Handler handler)
{
    Table()[word] = Entry{usage, handler};
}
} // namespace dorlixtool

static int Usage()
{
    fprintf(stderr, "usage:\n");
    for (const auto& [word, entry] : dorlixtool::Table()) fprintf(stderr, "  dorlix %s\n", entry.usage);
    return 2;
}

int main(int argc, char** argv)
{
    if (argc < 2 || !strcmp(argv[1], "-h") || !strcmp(argv[1], "--help")) return Usage();
    auto it = dorlixtool::Table().find(argv[1]);
    if (it == dorlixtool::Table().end()) {
        fprintf(stderr, "dorlix: unknown command '%s'\n", argv[1]);
        return Usage();
    }
    std::vector<std::string> args = dorlixtool::TerminalArguments(argc, argv);
    args.erase(args.begin());
    return it->second.handler(args);
}
