// A serial line for the tests: the name a port slot opens, and the far end
// of the line, which the test drives itself.
// - POSIX: a new pseudo-terminal pair; its slave is linked as
//   $DORLIX_ROOT/dosdevices/comN (the station's root), its master is the far end.
// - Windows (under Wine): COM5, COM7 or COM9 of the prefix (lines 0, 1, 2),
//   which scripts/test-windows.sh links with socat to COM6, COM8, COM10, the
//   far ends.
// Also the process's thread count.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#endif

namespace serialtest {

// The device's line settings as the test reads them back. A pty keeps only
// part of them: Linux forces 8 data bits and no parity on every pty (only the
// odd/even choice stays), so Wine, reading the pty, sees no parity either.
struct LineSettings {
    long baud = 0;
    bool extraStop = false; // more than one stop bit
    bool oddChoice = false; // POSIX: the odd/even choice of the parity
};

class SerialLine {
  public:
    SerialLine() = default;
    ~SerialLine() { Hangup(); }
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Makes line k (0, 1 or 2); false with the reason when the platform has none.
    bool Make(int k, const std::string& root, std::string* why) {
#ifdef _WIN32
        (void)root;
        name_ = "COM" + std::to_string(5 + 2 * k);
        far_ = "COM" + std::to_string(6 + 2 * k);
        far_handle_ = Open(far_);
        if (far_handle_ == INVALID_HANDLE_VALUE) {
            *why = "no linked ptys " + name_ + "/" + far_ +
                   " in the prefix (scripts/test-windows.sh makes them)";
            return false;
        }
        // The lines outlive the test programs: bytes an earlier test left on
        // one, either way, are read away first.
        Drain(far_handle_);
        HANDLE port = Open(name_);
        if (port != INVALID_HANDLE_VALUE) {
            Drain(port);
            CloseHandle(port);
        }
        return true;
#else
        int slave = -1;
        char path[128];
        if (openpty(&master_, &slave, path, nullptr, nullptr) != 0) {
            *why = std::string("openpty: ") + std::strerror(errno);
            return false;
        }
        close(slave); // the port slot is the only user of the slave
        // Link names in any case: the library looks them up without regard to it.
        const std::string link = (k == 0 ? "Com" : "com") + std::to_string(3 + k);
        name_ = "COM" + std::to_string(3 + k);
        std::filesystem::create_directories(root + "/dosdevices");
        std::error_code ec;
        std::filesystem::remove(root + "/dosdevices/" + link, ec);
        std::filesystem::create_symlink(path, root + "/dosdevices/" + link);
        slave_path_ = path;
        return true;
#endif
    }

    // What OpenSerialPort gets.
    const std::string& PortName() const {
        return name_;
    }

    // The far end sends all of bytes.
    bool Send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
#ifdef _WIN32
            DWORD n = 0;
            if (!WriteFile(far_handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n,
                           nullptr))
                return false;
#else
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
#endif
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // What the far end receives until want bytes have come or ms have passed.
    std::string Receive(size_t want, int ms) {
        std::string got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        char buf[4096];
        while (got.size() < want && std::chrono::steady_clock::now() < until) {
#ifdef _WIN32
            DWORD n = 0;
            if (!ReadFile(far_handle_, buf, static_cast<DWORD>(std::min(sizeof buf, want - got.size())), &n,
                          nullptr))
                break;
#else
            struct pollfd p {
                master_, POLLIN, 0
            };
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = read(master_, buf, std::min(sizeof buf, want - got.size()));
            if (n <= 0) break;
#endif
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }

    // Settings of the port's device. Windows: the port must be closed by then
    // (the test opens it itself to read them).
    bool Read(LineSettings& out) {
#ifdef _WIN32
        HANDLE h = Open(name_);
        if (h == INVALID_HANDLE_VALUE) return false;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        const bool ok = GetCommState(h, &dcb) != 0;
        CloseHandle(h);
        out.baud = static_cast<long>(dcb.BaudRate);
        out.extraStop = dcb.StopBits != ONESTOPBIT;
        return ok;
#else
        const int fd = open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        struct termios t;
        const bool ok = fd >= 0 && tcgetattr(fd, &t) == 0;
        if (ok) {
            out.baud = Baud(fd, t);
            out.extraStop = (t.c_cflag & CSTOPB) != 0;
            out.oddChoice = (t.c_cflag & PARODD) != 0;
        }
        if (fd >= 0) close(fd);
        return ok;
#endif
    }

    // POSIX: gives the device odd parity (of which the pty keeps the odd
    // choice) before the port opens it.
    bool SetOddParity() {
#ifdef _WIN32
        return false;
#else
        const int fd = open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        struct termios t;
        bool ok = fd >= 0 && tcgetattr(fd, &t) == 0;
        if (ok) {
            t.c_cflag |= PARENB | PARODD;
            // glibc reports the pty's dropping of the parity enable as a
            // failure; the odd choice stays all the same.
            tcsetattr(fd, TCSANOW, &t);
            ok = tcgetattr(fd, &t) == 0 && (t.c_cflag & PARODD) != 0;
        }
        if (fd >= 0) close(fd);
        return ok;
#endif
    }

    // The far end goes away, as an adapter pulled out (POSIX: the pty master closes).
    void Hangup() {
#ifdef _WIN32
        if (far_handle_ != INVALID_HANDLE_VALUE) CloseHandle(far_handle_);
        far_handle_ = INVALID_HANDLE_VALUE;
#else
        if (master_ >= 0) close(master_);
        master_ = -1;
#endif
    }

  private:
#ifdef _WIN32
    static HANDLE Open(const std::string& name) {
        HANDLE h = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return h;
        // Reads return what came within 100 ms; writes wait as long as it takes.
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        t.ReadTotalTimeoutMultiplier = MAXDWORD;
        t.ReadTotalTimeoutConstant = 100;
        SetCommTimeouts(h, &t);
        return h;
    }
    static void Drain(HANDLE h) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) {
        }
    }
    std::string far_;
    HANDLE far_handle_ = INVALID_HANDLE_VALUE;
#else
    // The rate, also where termios2 holds one without a B constant.
    static long Baud(int fd, const struct termios& t) {
        switch (cfgetospeed(&t)) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            break;
        }
        struct KernelTermios2 {
            tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
            cc_t c_line;
            cc_t c_cc[19];
            speed_t c_ispeed, c_ospeed;
        } t2;
        if (ioctl(fd, _IOR('T', 0x2A, KernelTermios2), &t2) != 0) return -1;
        return static_cast<long>(t2.c_ospeed);
    }
    int master_ = -1;
    std::string slave_path_;
#endif
    std::string name_;
};

// Threads of this process.
inline int ThreadCount() {
#ifdef _WIN32
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 e{};
    e.dwSize = sizeof e;
    int n = 0;
    for (BOOL more = Thread32First(snap, &e); more; more = Thread32Next(snap, &e)) {
        if (e.th32OwnerProcessID == GetCurrentProcessId()) ++n;
        e.dwSize = sizeof e;
    }
    CloseHandle(snap);
    return n;
#else
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d)) {
            if (e->d_name[0] != '.') ++n;
        }
        closedir(d);
    }
    return n;
#endif
}

// Polls until the thread count is at most n, for up to ms; the last count.
inline int WaitForThreads(int n, int ms) {
    int count = ThreadCount();
    for (int waited = 0; count > n && waited < ms; waited += 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        count = ThreadCount();
    }
    return count;
}

} // namespace serialtest
