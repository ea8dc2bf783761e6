#include "corwatch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

// Some file systems leave d_type unknown; ask the inode then, or a request
// file on such a medium would never be seen.
static int EntryType(const std::string& path, const dirent* ent) {
    if (ent->d_type != DT_UNKNOWN) return ent->d_type;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return DT_UNKNOWN;
    if (S_ISREG(st.st_mode)) return CORWATCH_DT_REG;
    if (S_ISDIR(st.st_mode)) return CORWATCH_DT_DIR;
    return DT_UNKNOWN;
}

int FindFile(char* basePath, char* FileName) {
    DIR* dir = opendir(basePath);
    if (!dir) {
        perror("Open dir error...");
        return 0;
    }
    int found = 0;
    while (dirent* ent = readdir(dir)) {
        if (strcmp(ent->d_name, ".") == 0 || strcmp(ent->d_name, "..") == 0) continue;
        std::string path = std::string(basePath) + "/" + ent->d_name;
        int type = EntryType(path, ent);
        if (type == CORWATCH_DT_REG) {
            if (strcmp(ent->d_name, FileName) == 0) {
                found = 1;
                break;
            }
        } else if (type == CORWATCH_DT_DIR) {
            // Subfolders are walked too, but only a file lying directly in
            // basePath is a request: that is the one the caller deletes.
            FindFile(path.data(), FileName);
        }
        // Links, devices and sockets are skipped, so a link loop cannot trap the walk.
    }
    closedir(dir);
    return found;
}
