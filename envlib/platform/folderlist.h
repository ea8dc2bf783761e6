// The entries of one folder, as FindFirstFileA/FindNextFileA list them.
#pragma once
#include <string>
#include <vector>

namespace plat {

struct FolderEntry {
    std::string name; // bare name, local code page
    bool directory;
};

// Every entry of the Windows folder path except "." and "..". false when the
// folder cannot be listed. On POSIX the names come in name order without
// regard to case, as NTFS lists them, so that the order does not depend on
// the file system.
bool ListFolder(const char* winFolder, std::vector<FolderEntry>& out);

} // namespace plat
