// Folder listings on a POSIX file system, in the order NTFS gives.
#include "platform/folderlist.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/posix/posixutil.h"

namespace plat {
namespace {
bool LessNoCase(const FolderEntry& a, const FolderEntry& b) {
    const std::string &x = a.name, &y = b.name;
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        const int p = AsciiLower(static_cast<unsigned char>(x[i])), q = AsciiLower(static_cast<unsigned char>(y[i]));
        if (p != q) return p < q;
    }
    return x.size() < y.size();
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
    std::sort(out.begin(), out.end(), LessNoCase);
    return true;
}

} // namespace plat
