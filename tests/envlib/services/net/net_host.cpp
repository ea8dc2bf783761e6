// A station program at the far end of a channel: loads the library, opens a
// channel on a free loopback port, announces the port to the test's channel
// ("ready <port>") and answers every framed block with "echo:" and the
// block, until "quit" comes or 60 s have passed.
#include <chrono>
#include <cstdlib>
#include <string>

#include "netsock.h"
#include "testhost.h"

// Under the sanitizer build the leak check at exit trips over the thread-local
// storage of the loaded library; this helper has nothing to check for leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const int peer = std::atoi(argv[1]);
    vz5test::Library lib;
    if (!lib.Load(vz5test::LibraryFile())) return 2;
    auto openNet = lib.Function<int (*)(int, const char*, int, int)>("OpenNet");
    auto closeNet = lib.Function<int (*)(int)>("CloseNet");
    auto send = lib.Function<int (*)(int, const char*, int, const void*, int)>("SendNetData");
    auto read = lib.Function<int (*)(int, void*, int)>("ReadNetData");
    if (!openNet || !closeNet || !send || !read) return 2;

    const int port = nettest::FreePort();
    if (openNet(9, "127.0.0.1", port, 0) != 1) return 3;
    const std::string ready = "ready " + std::to_string(port);
    if (send(9, "127.0.0.1", peer, ready.data(), static_cast<int>(ready.size())) !=
        static_cast<int>(ready.size()) + 32)
        return 4;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int code = 5;
    while (std::chrono::steady_clock::now() < deadline) {
        char buf[2048];
        const int n = read(9, buf, sizeof buf);
        if (n < 0) {
            code = 6;
            break;
        }
        if (n == 0) continue;
        const std::string block(buf, static_cast<size_t>(n < static_cast<int>(sizeof buf) ? n : sizeof buf));
        if (block == "quit") {
            code = 0;
            break;
        }
        const std::string reply = "echo:" + block;
        if (send(9, "127.0.0.1", peer, reply.data(), static_cast<int>(reply.size())) < 0) {
            code = 7;
            break;
        }
    }
    closeNet(9);
    return code;
}
