// Folder listings through FindFirstFileA, in the file system's own order.
#include "platform/folderlist.h"

#include <cstring>

#include "platform/win32/winapi.h"

namespace plat {

bool ListFolder(const char* winFolder, std::vector<FolderEntry>& out) {
    out.clear();
    if (!winFolder || !*winFolder) return false;
    std::string pattern(winFolder);
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
        out.push_back({found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileA(h, &found));
    ::FindClose(h);
    return true;
}

} // namespace plat
