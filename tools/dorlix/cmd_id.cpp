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

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// GB2312 as UTF-8 for the terminal; bytes that do not convert become "?".
std::string ToUtf8(const std::string& text) {
    iconv_t cd = iconv_open("UTF-8", "GB2312");
    if (cd == (iconv_t)-1) return text;
    std::vector<char> in(text.begin(), text.end());
    char* src = in.data();
    size_t left = in.size();
    std::string out;
    while (left > 0) {
        char buf[512];
        char* dst = buf;
        size_t room = sizeof buf;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == (size_t)-1 && errno != E2BIG) {
            out += '?';
            ++src;
            --left;
        }
    }
    iconv_close(cd);
    return out;
}

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
    printf("%d %s\n", id, ToUtf8(name).c_str());
    if (IsSubID_intEx(id, 0)) {
        int main = id / 10000;
        char mainName[100] = {};
        GetVZ5IDInfo(main, mainName);
        printf("  main %d %s, sub %d\n", main, ToUtf8(mainName).c_str(), id - main * 10000);
    }
    return 0;
}

const dorlixtool::Registration reg("id", "id <number>", RunId);

} // namespace
