// File attributes, copy, delete and folders: the Win32 calls themselves.
#include <cstdio>

#include "platform/win32/winapi.h"

namespace plat {

uint32_t GetFileAttributes(const char* winPath) {
    if (!winPath || !*winPath) return INVALID_FILE_ATTRIBUTES;
    return ::GetFileAttributesA(winPath);
}

int SetFileAttributes(const char* winPath, uint32_t attributes) {
    if (!winPath || !*winPath) return 0;
    return ::SetFileAttributesA(winPath, attributes) ? 1 : 0;
}

int CopyFile(const char* from, const char* to, int failIfExists) {
    if (!from || !*from || !to || !*to) return 0;
    return ::CopyFileA(from, to, failIfExists ? TRUE : FALSE) ? 1 : 0;
}

int DeleteFile(const char* winPath) {
    if (!winPath || !*winPath) return 0;
    return ::DeleteFileA(winPath) ? 1 : 0;
}

int CreateDirectory(const char* winPath) {
    if (!winPath || !*winPath) return 0;
    return ::CreateDirectoryA(winPath, nullptr) ? 1 : 0;
}

bool FileExists(const char* winPath) {
    uint32_t a = GetFileAttributes(winPath);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const char* winPath) {
    uint32_t a = GetFileAttributes(winPath);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool SeekFile(std::FILE* f, uint64_t pos) {
    return _fseeki64(f, static_cast<long long>(pos), SEEK_SET) == 0;
}

bool SeekFileEnd(std::FILE* f, uint64_t& size) {
    if (_fseeki64(f, 0, SEEK_END) != 0) return false;
    const long long p = _ftelli64(f);
    if (p < 0) return false;
    size = static_cast<uint64_t>(p);
    return true;
}

} // namespace plat
