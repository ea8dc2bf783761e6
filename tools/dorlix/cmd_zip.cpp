// dorlix zip / dorlix unzip: the library's archive exports, with a progress
// line from their counters while the work runs on a thread of its own.
//
//   dorlix zip <folder> <archive>     the files of the folder (not its subfolders)
//   dorlix unzip <archive> <folder>   every entry into the folder (made when missing)
//
// Paths are the library's (Windows paths; on POSIX below DORLIX_ROOT or
// native). Exit code 0 done, 1 failed (the library's result is printed), 2 bad arguments.
#include "command.h"
#include "dorlix.h"
#include "terminal.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// Runs work on a thread and redraws "<word>: NN%" whenever the counter moves.
int WithProgress(const char* word, int (*counter)(void), int (*work)(const char*, const char*), const std::string& a,
                 const std::string& b) {
    std::atomic<bool> done{false};
    int result = 0;
    std::thread worker([&] {
        result = work(a.c_str(), b.c_str());
        done = true;
    });
    int shown = -1;
    for (;;) {
        const bool finished = done.load();
        const int now = counter();
        if (now != shown) {
            printf("\r%s: %3d%%", word, now);
            fflush(stdout);
            shown = now;
        }
        if (finished) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
    printf("\n");
    return result;
}

bool Paths(const std::vector<std::string>& args, std::string& a, std::string& b) {
    return args.size() == 2 && !args[0].empty() && !args[1].empty() && dorlixtool::FromTerminal(args[0], a) &&
           dorlixtool::FromTerminal(args[1], b);
}

int RunZip(const std::vector<std::string>& args) {
    std::string folder, archive;
    if (!Paths(args, folder, archive)) {
        fprintf(stderr, "usage: dorlix zip <folder> <archive>\n");
        return 2;
    }
    const int rc = WithProgress("zip", GetCompressFileExCnt, CompressFileEx, folder, archive);
    if (rc == 1) return 0;
    fprintf(stderr, "dorlix zip: CompressFileEx gave %d\n", rc);
    return 1;
}

int RunUnzip(const std::vector<std::string>& args) {
    std::string archive, folder;
    if (!Paths(args, archive, folder)) {
        fprintf(stderr, "usage: dorlix unzip <archive> <folder>\n");
        return 2;
    }
    const int rc = WithProgress("unzip", GetUnCompressFileExCnt, UnCompressFile, archive, folder);
    if (rc == 1) return 0;
    fprintf(stderr, "dorlix unzip: UnCompressFile gave %d\n", rc);
    return 1;
}

const dorlixtool::Registration zip("zip", "zip <folder> <archive>", RunZip);
const dorlixtool::Registration unzip("unzip", "unzip <archive> <folder>", RunUnzip);

} // namespace
