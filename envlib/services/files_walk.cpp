// Walks over Windows-style folder paths: checking the names of their
// components and creating the folder chain.
#include <cctype>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "services/files.h"

namespace dorlix {

bool IsValidComponent(const char* name, std::size_t len) {
    if (name == nullptr || len == 0) return false;
    const auto edgeBad = [](char c) { return c == '\t' || c == ' ' || c == '.'; };
    if (edgeBad(name[0]) || edgeBad(name[len - 1])) return false;
    for (std::size_t i = 0; i < len; ++i) {
        if (std::strchr("\"*/:<>?\\|", name[i]) != nullptr && name[i] != '\0') return false;
    }
    return true;
}

namespace {
bool IsAbsoluteForm(const char* path) {
    return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
}
} // namespace

int WalkPath(const char* path, PathWalkMode mode) {
    if (path == nullptr) return WALK_INVALID;
    const std::size_t len = std::strlen(path);
    if (len <= 2 || len > MAX_PATH_CHARS || !IsAbsoluteForm(path)) return WALK_INVALID;
    if (len == 3) {
        if (mode == WALK_CHECK) return WALK_OK;
        return plat::DirectoryExists(path) ? WALK_OK : WALK_CREATE_FAILED;
    }
    std::size_t start = 3;
    for (;;) {
        const char* sep = std::strchr(path + start, '\\');
        const std::size_t end = sep ? static_cast<std::size_t>(sep - path) : len;
        if (!IsValidComponent(path + start, end - start)) return WALK_INVALID;
        if (mode == WALK_CREATE) {
            const std::string upTo(path, end);
            plat::CreateDirectory(upTo.c_str());
            if (!plat::DirectoryExists(upTo.c_str())) return WALK_CREATE_FAILED;
        }
        if (sep == nullptr) return WALK_OK;
        start = end + 1;
        // A final backslash leaves an empty last component.
        if (start == len) return WALK_INVALID;
    }
}

} // namespace dorlix
