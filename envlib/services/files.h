// Windows-style path helpers shared by the files exports and other services
// (the folder creation of the compression exports walks paths the same way).
#pragma once
#include <cstddef>

namespace dorlix {

// Longest path the helpers accept; outputs of the path exports hold MAX_PATH bytes.
constexpr std::size_t MAX_PATH_CHARS = 259;
constexpr std::size_t MAX_PATH_SIZE = 260;

enum PathWalkMode { WALK_CHECK, WALK_CREATE };
// Result codes of a path walk.
enum PathWalkCode { WALK_OK = 0, WALK_INVALID = 1, WALK_CREATE_FAILED = 2 };

// A component of a Windows path that the file system accepts as a name.
bool IsValidComponent(const char* name, std::size_t len);
// Walks "X:\a\b..." component by component; in create mode it makes each
// folder of the chain. A path ending in a backslash is invalid (its folders
// are made first in create mode), and so is one longer than MAX_PATH_CHARS.
int WalkPath(const char* path, PathWalkMode mode);

} // namespace dorlix
