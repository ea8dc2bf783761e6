// File attributes, copy, delete and folders with Windows semantics.
//
// Read-only is the owner's write permission: setting it removes every write
// bit, clearing it gives the owner write permission back. Like Windows, a
// read-only file is not deleted, overwritten by a copy or rewritten by the
// profile writer, even for a privileged user. Hidden is kept where Wine and
// Samba keep it, in the extended attribute "user.DOSATTRIB" ("0x2"); on a file
// system without user attributes it is accepted and not recorded. A file
// reports the archive attribute besides those, as a file written on Windows
// does; folders report the directory attribute alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posixutil.h"

namespace plat {
namespace {

bool StatPath(const char* winPath, struct stat& st, std::string* native = nullptr) {
    bool exists;
    std::string p = MapPathStat(winPath, st, exists);
    if (native) *native = p;
    return exists;
}

bool WriteAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

constexpr const char* kDosAttributes = "user.DOSATTRIB";

bool StoredHidden(const std::string& native) {
    char value[32];
    ssize_t n = getxattr(native.c_str(), kDosAttributes, value, sizeof value - 1);
    if (n <= 0) return false;
    value[n] = '\0';
    return (std::strtoul(value, nullptr, 16) & FILE_ATTRIBUTE_HIDDEN) != 0;
}

void StoreHidden(const std::string& native, bool hidden) {
    if (hidden) {
        setxattr(native.c_str(), kDosAttributes, "0x2", 3, 0);
    } else {
        removexattr(native.c_str(), kDosAttributes);
    }
}

} // namespace

uint32_t GetFileAttributes(const char* winPath) {
    struct stat st;
    std::string native;
    if (!StatPath(winPath, st, &native)) return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    uint32_t a = FILE_ATTRIBUTE_ARCHIVE;
    if (ModeReadOnly(st.st_mode)) a |= FILE_ATTRIBUTE_READONLY;
    if (StoredHidden(native)) a |= FILE_ATTRIBUTE_HIDDEN;
    return a;
}

int SetFileAttributes(const char* winPath, uint32_t attributes) {
    struct stat st;
    std::string native;
    if (!StatPath(winPath, st, &native)) return 0;
    if (S_ISDIR(st.st_mode)) return 1; // read-only means nothing for a Windows folder either
    const mode_t mode = st.st_mode & 07777;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const mode_t want = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    const bool hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    // Extended attributes change only while the file may be written.
    if (!readOnly && want != mode && chmod(native.c_str(), want) != 0) return 0;
    if (StoredHidden(native) != hidden) StoreHidden(native, hidden);
    if (readOnly && want != mode && chmod(native.c_str(), want) != 0) return 0;
    return 1;
}

int CopyFile(const char* from, const char* to, int failIfExists) {
    struct stat src, dst;
    std::string srcPath, dstPath;
    if (!StatPath(from, src, &srcPath) || S_ISDIR(src.st_mode)) return 0;
    if (!to || !*to) return 0;
    bool dstExists = StatPath(to, dst, &dstPath);
    if (!dstExists) dstPath = MapPath(to);
    if (dstExists) {
        if (failIfExists || S_ISDIR(dst.st_mode) || ModeReadOnly(dst.st_mode)) return 0;
        // Copying a file onto itself would truncate it before reading it.
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) return 0;
    }
    int in = open(srcPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return 0;
    int out = open(dstPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        close(in);
        return 0;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        ssize_t r = read(in, buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) ok = false;
        if (r <= 0) break;
        if (!WriteAll(out, buf, static_cast<size_t>(r))) {
            ok = false;
            break;
        }
    }
    // The copy carries the source's attributes and last-write time, as on Windows.
    if (ok) {
        struct timespec times[2] = {src.st_atim, src.st_mtim};
        futimens(out, times);
        if (StoredHidden(srcPath))
            fsetxattr(out, kDosAttributes, "0x2", 3, 0);
        else
            fremovexattr(out, kDosAttributes);
        fchmod(out, src.st_mode & 07777);
    }
    if (close(out) != 0) ok = false;
    close(in);
    return ok ? 1 : 0;
}

int DeleteFile(const char* winPath) {
    struct stat st;
    std::string native;
    if (!StatPath(winPath, st, &native) || S_ISDIR(st.st_mode) || ModeReadOnly(st.st_mode)) return 0;
    return unlink(native.c_str()) == 0 ? 1 : 0;
}

int CreateDirectory(const char* winPath) {
    if (!winPath || !*winPath) return 0;
    std::string native = MapPath(winPath);
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    return mkdir(native.c_str(), 0777) == 0 ? 1 : 0;
}

bool FileExists(const char* winPath) {
    struct stat st;
    return StatPath(winPath, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const char* winPath) {
    struct stat st;
    return StatPath(winPath, st) && S_ISDIR(st.st_mode);
}

bool SeekFile(std::FILE* f, uint64_t pos) {
    return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
}

bool SeekFileEnd(std::FILE* f, uint64_t& size) {
    if (fseeko(f, 0, SEEK_END) != 0) return false;
    const off_t p = ftello(f);
    if (p < 0) return false;
    size = static_cast<uint64_t>(p);
    return true;
}

} // namespace plat
