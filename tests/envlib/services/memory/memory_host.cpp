// The other process of the shared-memory tests: loads the library as a
// station program does and does one thing, told by its arguments.
//   read <n>            ReadDataInProcess of n bytes: "<result> <hex>"
//   write <text>        WriteDataInProcess without OpenMemory: "<result>"
//   hold <size> <text>  OpenMemory and write, then wait to be ended
//   release             ReleaseMemory: "<result>"
//   sleep <ms>          nothing but wait
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "testhost.h"

extern "C" const char* __asan_default_options() {
    return "detect_leaks=0"; // see env_host.cpp
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string what = argv[1];
    if (what == "sleep" && argc == 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    vz5test::Library lib;
    if (!lib.Load(vz5test::LibraryFile())) return 2;
    if (what == "read" && argc == 3) {
        auto read = lib.Function<int (*)(void*, int)>("ReadDataInProcess");
        std::vector<unsigned char> buf(static_cast<size_t>(std::atoi(argv[2])) + 1, 0xEE);
        std::printf("%d ", read(buf.data(), std::atoi(argv[2])));
        for (size_t i = 0; i + 1 < buf.size(); ++i)
            std::printf("%02x", buf[i]);
        std::printf("\n");
    } else if (what == "write" && argc == 3) {
        auto write = lib.Function<int (*)(const void*, int)>("WriteDataInProcess");
        std::printf("%d\n", write(argv[2], static_cast<int>(std::strlen(argv[2]))));
    } else if (what == "hold" && argc == 4) {
        auto open = lib.Function<int (*)(int)>("OpenMemory");
        auto write = lib.Function<int (*)(const void*, int)>("WriteDataInProcess");
        if (open(std::atoi(argv[2])) != 1 || write(argv[3], static_cast<int>(std::strlen(argv[3]))) != 1) return 1;
        std::this_thread::sleep_for(std::chrono::minutes(2));
    } else if (what == "release") {
        std::printf("%d\n", lib.Function<int (*)()>("ReleaseMemory")());
    } else {
        return 2;
    }
    return 0;
}
