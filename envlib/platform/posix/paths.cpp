// Windows paths on a POSIX file system.
//
// Drive letters become folders under one root, like a Wine prefix:
// "D:\VZ5\system\ParamIDX.ini" is $DORLIX_ROOT/d/VZ5/system/ParamIDX.ini. Each
// component that already exists is found without regard to case, so files
// written by Windows tools with another spelling are still found.
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posixutil.h"

namespace plat {
namespace {

bool SameIgnoringAsciiCase(const std::string& a, const char* b) {
    size_t n = a.size();
    if (std::strlen(b) != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (AsciiLower(static_cast<unsigned char>(a[i])) != AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The spelling of name inside dir: the exact name when it exists, else the
// first entry equal without regard to ASCII case, else name unchanged.
std::string FindComponent(const std::string& dir, const std::string& name) {
    if (name == "." || name == "..") return name;
    std::string exact = dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
    struct stat st;
    if (lstat(exact.c_str(), &st) == 0) return name;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (dirent* e = readdir(d)) {
        if (SameIgnoringAsciiCase(name, e->d_name)) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

// Appends the components of rel (slash-separated) to base, each looked up
// without regard to case while the folders exist.
std::string Resolve(std::string base, const std::string& rel) {
    bool trailingSlash = !rel.empty() && rel.back() == '/';
    bool exists = true;
    size_t pos = 0;
    while (pos < rel.size()) {
        size_t next = rel.find('/', pos);
        if (next == std::string::npos) next = rel.size();
        std::string comp = rel.substr(pos, next - pos);
        pos = next + 1;
        if (comp.empty()) continue;
        std::string actual = exists ? FindComponent(base, comp) : comp;
        std::string joined =
            base.empty() ? actual : (base.back() == '/' ? base + actual : base + "/" + actual);
        if (exists) {
            struct stat st;
            exists = stat(joined.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        base = std::move(joined);
    }
    if (trailingSlash && !base.empty() && base.back() != '/') base += '/';
    return base;
}

std::string HomeDir() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    if (passwd* pw = getpwuid(getuid())) {
        if (pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    }
    return "/tmp";
}

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& native) {
    struct stat existing;
    if (stat(native.c_str(), &existing) == 0) return S_ISDIR(existing.st_mode);
    std::string partial;
    size_t pos = 0;
    while (pos <= native.size()) {
        size_t next = native.find('/', pos);
        if (next == std::string::npos) next = native.size();
        partial = native.substr(0, next);
        if (!partial.empty()) mkdir(partial.c_str(), 0777);
        pos = next + 1;
    }
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows-style result of the directory queries: the length without the NUL
// when it fits, else the size needed including the NUL.
uint32_t CopyDirectoryName(const char* name, char* out, uint32_t size) {
    uint32_t len = static_cast<uint32_t>(std::strlen(name));
    if (!out || size <= len) return len + 1;
    std::memcpy(out, name, len + 1);
    return len;
}

} // namespace

std::string RootDir() {
    const char* root = std::getenv("DORLIX_ROOT");
    std::string r = (root && *root) ? std::string(root) : HomeDir() + "/.dorlix";
    while (r.size() > 1 && r.back() == '/')
        r.pop_back();
    return r;
}

namespace {
// The folder a Windows path starts from and the rest of it, slash-separated.
struct Parts {
    std::string base, rel;
};

Parts SplitWindowsPath(const char* winPath) {
    // A path with a forward slash in front is already native: POSIX hosts and
    // tools may hand over their own paths.
    if (winPath[0] == '/') return {"/", std::string(winPath + 1)};
    std::string p(winPath);
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        // "X:\a" and the drive-relative "X:a" both start at the drive's folder.
        std::string drive(1, static_cast<char>(AsciiLower(static_cast<unsigned char>(p[0]))));
        return {RootDir(), drive + "/" + p.substr(2)};
    }
    // "\\server\share\x": network names live in their own folder of the root.
    if (p.size() >= 2 && p[0] == '/' && p[1] == '/') return {RootDir(), "unc/" + p.substr(2)};
    // "\a\b": the root of the current drive, which is C: on a station.
    if (p[0] == '/') return {RootDir(), "c" + p};
    return {std::string(), p};
}

// The path as spelled, without looking anything up.
std::string Join(const Parts& parts) {
    std::string out = parts.base;
    const std::string& rel = parts.rel;
    size_t pos = 0;
    while (pos < rel.size()) {
        size_t next = rel.find('/', pos);
        if (next == std::string::npos) next = rel.size();
        if (next > pos) {
            if (!out.empty() && out.back() != '/') out += '/';
            out.append(rel, pos, next - pos);
        }
        pos = next + 1;
    }
    if (!rel.empty() && rel.back() == '/' && !out.empty() && out.back() != '/') out += '/';
    return out;
}
} // namespace

std::string MapPathStat(const char* winPath, struct stat& st, bool& exists) {
    exists = false;
    if (!winPath || !*winPath) return std::string();
    Parts parts = SplitWindowsPath(winPath);
    // Most paths are spelled as they exist: one stat settles them.
    std::string direct = Join(parts);
    if (stat(direct.c_str(), &st) == 0) {
        exists = true;
        return direct;
    }
    std::string resolved = Resolve(parts.base, parts.rel);
    if (resolved != direct) exists = stat(resolved.c_str(), &st) == 0;
    return resolved;
}

std::string MapPath(const char* winPath) {
    struct stat st;
    bool exists;
    return MapPathStat(winPath, st, exists);
}

uint32_t GetSystemDirectory(char* out, uint32_t size) {
    // Windows always has these folders; create them on first use in a fresh root.
    MakeFolders(MapPath("C:\\WINDOWS\\system32"));
    return CopyDirectoryName("C:\\WINDOWS\\system32", out, size);
}

uint32_t GetWindowsDirectory(char* out, uint32_t size) {
    MakeFolders(MapPath("C:\\WINDOWS\\inf"));
    return CopyDirectoryName("C:\\WINDOWS", out, size);
}

std::string ProcessPath() {
    std::string native = ExecutablePath();
    if (native.empty()) return native;
    // Inside the root, give the program the Windows spelling it would have there.
    std::string root = RootDir() + "/";
    size_t r = root.size();
    if (native.compare(0, r, root) == 0 && native.size() > r + 1 && native[r + 1] == '/' &&
        std::isalpha(static_cast<unsigned char>(native[r]))) {
        std::string win(1, static_cast<char>(std::toupper(static_cast<unsigned char>(native[r]))));
        win += ':';
        win += native.substr(r + 1);
        for (char& c : win) {
            if (c == '/') c = '\\';
        }
        return win;
    }
    return native;
}

} // namespace plat
