// File time stamps by a name with wildcards: the folder is read and its names
// matched as FindFirstFileA matches them, without regard to case. Of several
// matches the first in name order counts, so that the answer does not depend
// on the order of the folder's entries.
#include "platform/finddate.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "platform/posix/posixutil.h"

namespace plat {
namespace {

// "*" any run of characters, "?" any one; a final ".*" also matches a name
// without an extension, as on Windows.
bool Match(const char* p, const char* s) {
    for (; *p; ++p, ++s) {
        if (*p == '*') {
            while (p[1] == '*')
                ++p;
            if (!p[1]) return true;
            for (; *s; ++s) {
                if (Match(p + 1, s)) return true;
            }
            return Match(p + 1, s);
        }
        if (!*s) return std::string(p) == ".*";
        if (*p != '?' &&
            AsciiLower(static_cast<unsigned char>(*p)) != AsciiLower(static_cast<unsigned char>(*s)))
            return false;
    }
    return *s == '\0';
}

} // namespace

bool FindFileWriteTime(const char* winPattern, LocalTime& out) {
    if (!winPattern || !*winPattern) return false;
    const std::string pattern(winPattern);
    const std::size_t sep = pattern.find_last_of("\\/");
    const std::string name = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
    if (name.find_first_of("*?") == std::string::npos) return GetFileWriteTime(winPattern, out);

    std::string folder = sep == std::string::npos ? std::string() : pattern.substr(0, sep + 1);
    const std::string native = folder.empty() ? std::string(".") : MapPath(folder.c_str());
    DIR* dir = opendir(native.empty() ? "." : native.c_str());
    if (!dir) return false;
    std::string first;
    bool found = false;
    while (const struct dirent* e = readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry == "." || entry == ".." || !Match(name.c_str(), entry.c_str())) continue;
        if (!found || LessNoCase(entry, first)) {
            first = entry;
            found = true;
        }
    }
    closedir(dir);
    if (!found) return false;
    std::string path = native;
    if (path.empty() || path.back() != '/') path += '/';
    path += first;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    out = LocalTimeOf(st.st_mtim);
    return true;
}

} // namespace plat
