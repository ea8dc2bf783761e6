// File time stamps through FindFirstFileA, which takes the wildcards itself.
#include "platform/finddate.h"

#include <cstring>

#include "platform/win32/winapi.h"

namespace plat {

bool FindFileWriteTime(const char* winPattern, LocalTime& out) {
    if (!winPattern || !*winPattern) return false;
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(winPattern, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    // "." and ".." of a pattern such as "dir\*" are not files.
    while (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) {
        if (!::FindNextFileA(h, &found)) {
            ::FindClose(h);
            return false;
        }
    }
    ::FindClose(h);
    return LocalTimeOf(found.ftLastWriteTime, out);
}

} // namespace plat
