// Folder listings on a POSIX file system, in the order NTFS gives.
#include "platform/folderlist.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/posix/posixutil.h"

namespace plat {
namespace {
bool NameOrder(const FolderEntry& a, const FolderEntry& b) {
    return LessNoCase(a.name, b.name);
}
} // namespace

bool ListFolder(const char* winFolder, std::vector<FolderEntry>& out) {
    out.clear();
    if (!winFolder || !*winFolder) return false;
    std::string native = MapPath(winFolder);
    DIR* dir = opendir(native.c_str());
    if (!dir) return false;
    if (native.back() != '/') native += '/';
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        const bool isDir = stat((native + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        out.push_back({name, isDir});
    }
    closedir(dir);
    std::sort(out.begin(), out.end(), NameOrder);
    return true;
}

} // namespace plat
