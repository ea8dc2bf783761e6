// The echo test and the adapter state. Where a test needs a network of its
// own (an unprivileged user's ICMP sockets, links going up and down), a child
// process makes a private network namespace and works there; the system's own
// network settings are never changed.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dorlix.h"
#include "netsock.h"
#include "testhost.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#endif

namespace {

// Whether this process may open an ICMP socket of any kind.
bool IcmpSocketAllowed() {
    nettest::StartSockets();
#ifdef _WIN32
    SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) return false;
    closesocket(s);
    return true;
#else
    int s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s < 0) s = socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
    if (s < 0) return false;
    close(s);
    return true;
#endif
}

TEST(NetPing, LocalInAnyCase) {
    EXPECT_EQ(Ping(nullptr), -9);
    if (!IcmpSocketAllowed())
        GTEST_SKIP() << "this user may open no ICMP socket (not root, and net.ipv4.ping_group_range leaves "
                        "its groups out)";
    for (const char* host : {"local", "LOCAL", "Local", "(local)", "(LOCAL)", "127.0.0.1"})
        EXPECT_EQ(Ping(host), 1) << host;
}

TEST(NetAdapters, AnswersOfThisHost) {
    int first = -1;
    const int r = GetEtherNetStatus(&first);
    ASSERT_TRUE(r == 0 || r == 1) << r;
    if (r == 1 && first != -1) {
        EXPECT_GE(first, 0);
        EXPECT_LE(first, 5);
    }
    for (const char* address : {static_cast<const char*>(nullptr), "not an adapter's address"}) {
        int status = -1;
        EXPECT_EQ(GetEtherNetStatusEx(address, &status), r);
        EXPECT_EQ(status, 0) << "set to 0 first";
    }
    EXPECT_EQ(GetEtherNetStatus(nullptr), r);
    EXPECT_EQ(GetEtherNetStatusEx("127.0.0.1", nullptr), r);
}

#ifndef _WIN32
struct ChildRun {
    int code = -1;
    std::string out;
};
constexpr int kNoNamespace = 77;

// Runs body in a child process inside a private network namespace (with
// ownSys also a private mount namespace with its own /sys, whose
// /sys/class/net then lists the namespace's links). body writes what it saw
// into its text; its result is the child's exit code.
ChildRun InPrivateNetwork(bool ownSys, const std::function<int(std::string&)>& body) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string out;
        int code;
        if (unshare(CLONE_NEWNET | (ownSys ? CLONE_NEWNS : 0)) != 0) {
            out = std::string("unshare: ") + std::strerror(errno);
            code = kNoNamespace;
        } else if (ownSys && (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                              mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0)) {
            out = std::string("private /sys: ") + std::strerror(errno);
            code = kNoNamespace;
        } else {
            code = body(out);
        }
        (void)!write(fds[1], out.data(), out.size());
        _exit(code);
    }
    close(fds[1]);
    ChildRun run;
    run.code = vz5test::CollectChild(fds[0], pid, &run.out);
    return run;
}

bool WriteProc(const char* path, const char* text) {
    const int fd = open(path, O_WRONLY);
    if (fd < 0) return false;
    const bool ok = write(fd, text, std::strlen(text)) == static_cast<ssize_t>(std::strlen(text));
    close(fd);
    return ok;
}

std::string ReadProc(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool LoopbackUp() {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq req{};
    std::strcpy(req.ifr_name, "lo");
    bool ok = ioctl(s, SIOCGIFFLAGS, &req) == 0;
    req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP);
    ok = ok && ioctl(s, SIOCSIFFLAGS, &req) == 0;
    close(s);
    return ok;
}

// Runs the ip tool with args; true when it succeeded.
bool Ip(const std::vector<std::string>& args) {
    static const char* const tools[] = {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"};
    for (const char* tool : tools) {
        if (access(tool, X_OK) != 0) continue;
        const vz5test::ProgramRun run = vz5test::RunProgram(tool, args);
        return run.exitCode == 0;
    }
    return false;
}

constexpr const char* kPingRange = "/proc/sys/net/ipv4/ping_group_range";

#endif

TEST(NetPing, UnprivilegedUserInAPrivateNetwork) {
    VZ5_POSIX_ONLY("network namespaces and net.ipv4.ping_group_range are Linux facilities");
#ifndef _WIN32
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a network namespace";
    const std::string before = ReadProc(kPingRange);
    const struct {
        const char* range; // of that namespace
        const char* result;
    } cases[] = {
        {"0 2147483647", "1"}, // the ICMP datagram socket
        {"1 0", "-2"},         // no ICMP socket at all
    };
    for (const auto& c : cases) {
        const ChildRun run = InPrivateNetwork(false, [&](std::string& out) {
            if (!LoopbackUp() || !WriteProc(kPingRange, c.range)) {
                out = "cannot set up the namespace's loopback or ping group range";
                return kNoNamespace;
            }
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
                out = "cannot drop to uid/gid 65534";
                return 2;
            }
            const int raw = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
            if (raw >= 0) {
                out = "a raw socket was still allowed";
                return 3;
            }
            out = std::to_string(Ping("local"));
            return 0;
        });
        if (run.code == kNoNamespace) GTEST_SKIP() << run.out;
        EXPECT_EQ(run.code, 0) << run.out;
        EXPECT_EQ(run.out, c.result) << "ping group range " << c.range;
    }
    EXPECT_EQ(ReadProc(kPingRange), before) << "the system's setting stays";
#endif
}

// The state of two veth links (one pair) as they go up and down.
TEST(NetAdapters, LinkStatesInAPrivateNetwork) {
    VZ5_POSIX_ONLY("links of a private network namespace are a Linux facility");
#ifndef _WIN32
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a network namespace";
    const ChildRun run = InPrivateNetwork(true, [](std::string& out) {
        std::ostringstream s;
        int status = -1;
        s << "no adapter: " << GetEtherNetStatus(&status) << ' ' << status << '\n';
        // Quiet links: no IPv6 chatter even inside the namespace.
        WriteProc("/proc/sys/net/ipv6/conf/all/disable_ipv6", "1");
        WriteProc("/proc/sys/net/ipv6/conf/default/disable_ipv6", "1");
        if (!Ip({"link", "add", "nv0", "type", "veth", "peer", "name", "nv1"}) ||
            !Ip({"addr", "add", "192.0.2.10/32", "dev", "nv0"}) ||
            !Ip({"addr", "add", "192.0.2.11/32", "dev", "nv1"})) {
            out = "no veth links here";
            return kNoNamespace;
        }
        // GetEtherNetStatus reports the first Ethernet adapter: the lower interface index.
        const bool nv0First = if_nametoindex("nv0") < if_nametoindex("nv1");
        const struct {
            const char* step;
            std::vector<std::string> command;
            int nv0, nv1; // the states the links settle in
        } steps[] = {
            {"both down", {}, 0, 0},
            {"nv0 up, its peer down", {"link", "set", "nv0", "up"}, 2, 0},
            {"both up", {"link", "set", "nv1", "up"}, 5, 5},
            {"nv0 down", {"link", "set", "nv0", "down"}, 0, 2},
        };
        for (const auto& step : steps) {
            if (!step.command.empty() && !Ip(step.command)) {
                out = std::string("ip failed at ") + step.step;
                return 2;
            }
            // The system settles the links in a moment (the peer's state
            // follows later): wait until both show the states asked for.
            int st0 = -1, st1 = -1, first = -1, r0 = 0, r1 = 0, rf = 0;
            for (int i = 0; i < 300; ++i) {
                r0 = GetEtherNetStatusEx("192.0.2.10", &st0);
                r1 = GetEtherNetStatusEx("192.0.2.11", &st1);
                if (st0 == step.nv0 && st1 == step.nv1) break;
                usleep(10000);
            }
            rf = GetEtherNetStatus(&first);
            s << step.step << ": " << r0 << ' ' << st0 << ' ' << r1 << ' ' << st1 << ' ' << rf << ' '
              << (first == (nv0First ? st0 : st1) ? "first" : "other") << '\n';
        }
        status = -1;
        s << "unknown address: " << GetEtherNetStatusEx("192.0.2.99", &status) << ' ' << status << '\n';
        out = s.str();
        return 0;
    });
    if (run.code == kNoNamespace) GTEST_SKIP() << run.out;
    ASSERT_EQ(run.code, 0) << run.out;
    // Columns: result and status of nv0, of nv1, then GetEtherNetStatus's result and whose status it gave.
    EXPECT_EQ(run.out, "no adapter: 0 -1\n"
                       "both down: 1 0 1 0 1 first\n"
                       "nv0 up, its peer down: 1 2 1 0 1 first\n"
                       "both up: 1 5 1 5 1 first\n"
                       "nv0 down: 1 0 1 2 1 first\n"
                       "unknown address: 1 0\n");
#endif
}

} // namespace
