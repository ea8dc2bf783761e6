// Terminal texts through iconv, in the character set of the locale (the plain
// C locale counts as UTF-8).
#include "terminal.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>

namespace dorlixtool {
namespace {

const std::string& TerminalCharset() {
    static const std::string charset = [] {
        setlocale(LC_CTYPE, "");
        std::string cs = nl_langinfo(CODESET);
        if (cs.empty() || cs == "ANSI_X3.4-1968" || cs == "ASCII") return std::string("UTF-8");
        return cs;
    }();
    return charset;
}

// Converts text; on a byte that does not convert, bad(byte) is appended and
// the byte skipped, or the conversion fails when bad is null.
template <class Bad>
bool Convert(const std::string& text, const char* to, const char* from, std::string& out, Bad bad) {
    out.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) {
        out = text;
        return true;
    }
    std::string in = text;
    char* src = in.data();
    size_t left = in.size();
    bool ok = true;
    while (left > 0) {
        char buf[1024];
        char* dst = buf;
        size_t room = sizeof buf;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == (size_t)-1 && errno != E2BIG) {
            if (!bad(static_cast<unsigned char>(*src), out)) {
                ok = false;
                break;
            }
            ++src;
            --left;
        }
    }
    iconv_close(cd);
    return ok;
}

} // namespace

std::vector<std::string> TerminalArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string ToTerminal(const std::string& gb, bool escape) {
    std::string out;
    Convert(gb, TerminalCharset().c_str(), "CP936", out, [escape](unsigned char c, std::string& o) {
        o += UndecodedByte(c, escape);
        return true;
    });
    return out;
}

bool FromTerminal(const std::string& text, std::string& gb) {
    return Convert(text, "CP936", TerminalCharset().c_str(), gb, [](unsigned char, std::string&) { return false; });
}

// POSIX streams never translate line ends.
void BinaryStandardStreams() {}

} // namespace dorlixtool
