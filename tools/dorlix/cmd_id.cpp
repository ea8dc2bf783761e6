// dorlix id: look an identifier up in the station's identifier table (the
// file named by the environment item ParamIDPath, below DORLIX_ROOT).
//
//   dorlix id <number>
//
// Prints "<number> <name>" with the name in UTF-8; for a compound identifier
// (main x 10000 + sub) a second line names the main identifier. Exit code 0
// when the identifier has a name, 1 when it has none, 2 for a bad argument.
#include "command.h"
#include "dorlix.h"
#include "terminal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool ParseNumber(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(text.c_str(), &end, 10);
    if (*end != 0 || errno == ERANGE || v < -2147483647L || v > 2147483647L) return false;
    value = static_cast<int>(v);
    return true;
}

int RunId(const std::vector<std::string>& args) {
    int id = 0;
    if (args.size() != 1 || !ParseNumber(args[0], id)) {
        fprintf(stderr, "usage: dorlix id <number>\n");
        return 2;
    }
    // The table path lives in the working copy of the environment, which the first read fills.
    std::vector<char> rec(static_cast<size_t>(GetSysEnvStrSize()));
    GetSysEnv(rec.data());

    char name[100] = {};
    if (GetVZ5IDInfo(id, name) <= 0) {
        fprintf(stderr, "dorlix id: %d has no name in the identifier table\n", id);
        return 1;
    }
    printf("%d %s\n", id, dorlixtool::ToTerminal(name).c_str());
    if (IsSubID_intEx(id, 0)) {
        int main = id / 10000;
        char mainName[100] = {};
        GetVZ5IDInfo(main, mainName);
        printf("  main %d %s, sub %d\n", main, dorlixtool::ToTerminal(mainName).c_str(), id - main * 10000);
    }
    return 0;
}

const dorlixtool::Registration reg("id", "id <number>", RunId);

} // namespace
