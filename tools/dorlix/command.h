// Subcommands of the dorlix tool. Each source file registers its own word:
//   static const dorlixtool::Registration reg("env", "env list|get|set|export|import ...", RunEnv);
#pragma once
#include <string>
#include <vector>

namespace dorlixtool {

// args: the words after the subcommand word. Returns the process exit code.
using Handler = int (*)(const std::vector<std::string>& args);

struct Registration {
    Registration(const char* word, const char* usage, Handler handler);
};

} // namespace dorlixtool
