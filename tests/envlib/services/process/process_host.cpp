// The other process of the process tests:
//   sleep <ms>            waits, then exits 0
//   args <file> [arg...]  writes each argument on a line of file, exits 7
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[2])));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "args") == 0) {
        std::ofstream out(argv[2], std::ios::binary);
        for (int i = 3; i < argc; ++i) out << argv[i] << '\n';
        return 7;
    }
    std::fprintf(stderr, "usage: process_host sleep <ms> | args <file> [arg...]\n");
    return 2;
}
