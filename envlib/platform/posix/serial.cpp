// Serial devices through termios, with the Windows results of the Win32
// communication calls.
//
// COM names map as Wine maps them: $DORLIX_ROOT/dosdevices/comN (found
// without regard to case) is a link to the device; without one, COMN is
// /dev/ttyS(N-1). A name starting with "/" is a device path already (the port
// list names USB adapters that way). What termios cannot say (queue sizes,
// XON/XOFF limits, 1.5 stop bits) is in docs/dorlix-serial.md.
#include "platform/serial.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/platform.h"
#include "platform/posix/posixutil.h"

namespace plat {

namespace {

#ifdef __linux__
// The kernel's termios2, for rates that have no B constant: glibc does not
// declare it, and the kernel header clashes with <termios.h>.
struct KernelTermios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
static_assert(sizeof(KernelTermios2) == 44, "the kernel's struct termios2");
constexpr unsigned long kGetTermios2 = _IOR('T', 0x2A, KernelTermios2);
constexpr unsigned long kSetTermios2 = _IOW('T', 0x2B, KernelTermios2);
constexpr tcflag_t kBaudOther = 0010000; // BOTHER
constexpr int kInputBaudShift = 16;      // IBSHIFT
#endif

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (AsciiLower(static_cast<unsigned char>(text[i])) !=
            AsciiLower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// The number of "COMn" (any case), or -1 for any other name.
long ComNumber(const std::string& name) {
    if (!StartsWithNoCase(name, "com") || name.size() == 3 || name.size() > 12) return -1;
    long n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string DosDevices() {
    return RootDir() + "/dosdevices";
}

// The dosdevices entry of "comN", spelled in any case; "" when there is none.
std::string DosDeviceLink(long number) {
    const std::string want = "com" + std::to_string(number);
    DIR* dir = opendir(DosDevices().c_str());
    if (!dir) return std::string();
    std::string found;
    while (const dirent* e = readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry.size() == want.size() && StartsWithNoCase(entry, want.c_str())) {
            found = DosDevices() + "/" + entry;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string DevicePath(const char* name) {
    const std::string n(name);
    if (!n.empty() && n[0] == '/') return n;
    const long number = ComNumber(n);
    if (number < 0) return std::string();
    std::string link = DosDeviceLink(number);
    if (!link.empty()) return link;
    if (number < 1) return std::string();
    return "/dev/ttyS" + std::to_string(number - 1);
}

speed_t BaudConstant(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0; // no constant: set through termios2
    }
}

// Whether a tcsetattr that glibc reported as failed took everything but what
// a pty cannot hold: Linux gives every pty 8 data bits and no parity, and
// glibc reports that silent change as EINVAL. A pty has no wire, so
// parity and byte size mean nothing there.
bool TookAllAPtyCan(int fd, const struct termios& wanted) {
    if (errno != EINVAL) return false;
    struct termios now;
    if (tcgetattr(fd, &now) != 0) return false;
    const tcflag_t ptyBits = CSIZE | PARENB | CREAD;
    return now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag && now.c_lflag == wanted.c_lflag &&
           (now.c_cflag & ~ptyBits) == (wanted.c_cflag & ~ptyBits) &&
           std::memcmp(now.c_cc, wanted.c_cc, sizeof now.c_cc) == 0;
}

bool Configure(int fd, const SerialSettings& s) {
    struct termios t;
    if (tcgetattr(fd, &t) != 0) return false;
    tcflag_t size;
    switch (s.dataBits) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        return false; // as SetCommState refuses other byte sizes
    }
    // Binary mode: no line editing, echo, signals or translation of bytes.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | IGNPAR);
    t.c_iflag |= INPCK;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | CRTSCTS);
    t.c_cflag |= size | CREAD | CLOCAL;
    switch (s.parity) {
    case 0:
        t.c_cflag &= ~(PARENB | PARODD);
        break;
    case 1:
        t.c_cflag = (t.c_cflag & ~PARODD) | PARENB;
        break;
    case 2:
        t.c_cflag |= PARENB | PARODD;
        break;
    default:
        break; // the device's own parity stays
    }
    switch (s.stopBits) {
    case 0:
        t.c_cflag &= ~CSTOPB;
        break;
    // A UART sends 1.5 stop bits for CSTOPB with 5 data bits, 2 otherwise.
    case 1:
    case 2:
        t.c_cflag |= CSTOPB;
        break;
    default:
        break;
    }
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    const speed_t constant = BaudConstant(s.baud);
    cfsetispeed(&t, constant != B0 ? constant : B115200);
    cfsetospeed(&t, constant != B0 ? constant : B115200);
    if (tcsetattr(fd, TCSANOW, &t) != 0 && !TookAllAPtyCan(fd, t)) return false;
    if (constant == B0) {
#ifdef __linux__
        KernelTermios2 t2;
        if (ioctl(fd, kGetTermios2, &t2) != 0) return false;
        t2.c_cflag &= ~(CBAUD | (CBAUD << kInputBaudShift));
        t2.c_cflag |= kBaudOther | (kBaudOther << kInputBaudShift);
        t2.c_ispeed = t2.c_ospeed = static_cast<speed_t>(s.baud);
        if (ioctl(fd, kSetTermios2, &t2) != 0) return false;
#else
        return false;
#endif
    }
    // RTS off; DTR as the device had it. A pty has no modem lines: no error.
    int rts = TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &rts);
    return true;
}
} // namespace

class SerialDevice {
  public:
    int fd = -1;
    int wake[2] = {-1, -1}; // readable once the device is cancelled
    pthread_mutex_t signalLock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t signalCond;
    bool signal = true;

    SerialDevice() {
        pthread_condattr_t attr;
        pthread_condattr_init(&attr);
        pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
        pthread_cond_init(&signalCond, &attr);
        pthread_condattr_destroy(&attr);
    }
    ~SerialDevice() {
        if (fd >= 0) {
            (void)ioctl(fd, TIOCNXCL);
            close(fd);
        }
        for (int w : wake) {
            if (w >= 0) close(w);
        }
        pthread_cond_destroy(&signalCond);
        pthread_mutex_destroy(&signalLock);
    }
    bool Cancelled() const {
        struct pollfd p {
            wake[0], POLLIN, 0
        };
        return poll(&p, 1, 0) > 0;
    }
};

SerialDevice* OpenSerialDevice(const char* name, const SerialSettings& settings) {
    if (!name) return nullptr;
    const std::string path = DevicePath(name);
    if (path.empty()) return nullptr;
    SerialDevice* device = new (std::nothrow) SerialDevice;
    if (!device) return nullptr;
    device->fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // Not shared: another open of the device fails, in this process too
    // (the lock) and in other processes (the exclusive mode).
    bool ok = device->fd >= 0 && isatty(device->fd) && flock(device->fd, LOCK_EX | LOCK_NB) == 0;
    if (ok) ok = ioctl(device->fd, TIOCEXCL) == 0 && Configure(device->fd, settings);
    if (ok) ok = pipe2(device->wake, O_CLOEXEC | O_NONBLOCK) == 0;
    if (!ok) {
        delete device;
        return nullptr;
    }
    return device;
}

void CloseSerialDevice(SerialDevice* device) {
    delete device;
}

int SerialInQueue(SerialDevice* device) {
    int count = 0;
    if (ioctl(device->fd, FIONREAD, &count) != 0) return -1;
    return count;
}

int SerialRead(SerialDevice* device, void* buffer, int size) {
    for (;;) {
        const ssize_t n = read(device->fd, buffer, static_cast<size_t>(size));
        if (n > 0) return static_cast<int>(n);
        if (n == 0) return -1; // hung up
        if (errno == EINTR) continue;
        return errno == EAGAIN ? 0 : -1;
    }
}

int SerialWrite(SerialDevice* device, const void* data, int length) {
    const int64_t deadline = MonotonicMs() + 2000 + 50 * static_cast<int64_t>(length);
    const char* p = static_cast<const char*>(data);
    int written = 0;
    while (written < length) {
        const ssize_t n = write(device->fd, p + written, static_cast<size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return -1;
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) break; // time-out: what went out counts
        struct pollfd p2[2] = {{device->fd, POLLOUT, 0}, {device->wake[0], POLLIN, 0}};
        const int r = poll(p2, 2, static_cast<int>(std::min<int64_t>(left, 1000)));
        if (r < 0 && errno != EINTR) return -1;
        if (p2[1].revents) break; // cancelled by a close
        if (p2[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;
    }
    return written;
}

bool SerialWaitEvent(SerialDevice* device, uint32_t timeoutMs) {
    struct pollfd p[2] = {{device->fd, POLLIN, 0}, {device->wake[0], POLLIN, 0}};
    int r;
    do {
        r = poll(p, 2, static_cast<int>(timeoutMs));
    } while (r < 0 && errno == EINTR);
    if (r <= 0 || p[1].revents) return false;
    // A hung-up device reports itself readable for ever: that is no character.
    return (p[0].revents & POLLIN) != 0 && (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

void CancelSerialDevice(SerialDevice* device) {
    const char one = 1;
    if (!device->Cancelled()) (void)!write(device->wake[1], &one, 1);
}

void SetSerialSignal(SerialDevice* device) {
    pthread_mutex_lock(&device->signalLock);
    device->signal = true;
    pthread_cond_broadcast(&device->signalCond);
    pthread_mutex_unlock(&device->signalLock);
}

void WaitSerialSignal(SerialDevice* device, uint32_t timeoutMs) {
    struct timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += timeoutMs / 1000;
    until.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&device->signalLock);
    while (!device->signal) {
        if (pthread_cond_timedwait(&device->signalCond, &device->signalLock, &until) == ETIMEDOUT) break;
    }
    device->signal = false;
    pthread_mutex_unlock(&device->signalLock);
}

namespace {
// Canonical path of a file, "" when it cannot be resolved.
std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return std::string();
    std::string r(real);
    std::free(real);
    return r;
}
} // namespace

// The device map here is the root's dosdevices links and the kernel's list
// of terminals: "COMn" for every link and for every UART that exists, the
// device path for USB and modem-class adapters without a link.
int ListSerialPorts(std::vector<std::string>& names) {
    names.clear();
    bool opened = false;
    std::vector<std::pair<long, std::string>> links; // number, target
    if (DIR* dir = opendir(DosDevices().c_str())) {
        opened = true;
        while (const dirent* e = readdir(dir)) {
            const long n = ComNumber(e->d_name);
            if (n < 0) continue;
            struct stat st;
            const std::string link = DosDevices() + "/" + e->d_name;
            if (stat(link.c_str(), &st) == 0) links.emplace_back(n, RealPath(link));
        }
        closedir(dir);
    }
    std::sort(links.begin(), links.end());
    auto linked = [&](long number, const std::string& target) {
        for (const auto& l : links) {
            if (l.first == number || (!target.empty() && l.second == target)) return true;
        }
        return false;
    };
    for (const auto& l : links)
        names.push_back("COM" + std::to_string(l.first));

    std::vector<long> uarts;
    std::vector<std::string> adapters;
    const std::string sys = "/sys/class/tty";
    if (DIR* dir = opendir(sys.c_str())) {
        opened = true;
        while (const dirent* e = readdir(dir)) {
            const std::string entry = e->d_name;
            const std::string base = sys + "/" + entry;
            if (entry.compare(0, 4, "ttyS") == 0 && entry.size() > 4 &&
                entry.find_first_not_of("0123456789", 4) == std::string::npos) {
                // Every UART slot the driver reserved is listed; those without a
                // chip have port type 0.
                const std::string type = ReadFirstLine(base + "/type");
                if (!type.empty() && type != "0") uarts.push_back(std::atol(entry.c_str() + 4));
            } else if (entry.compare(0, 6, "ttyUSB") == 0 || entry.compare(0, 6, "ttyACM") == 0) {
                struct stat st;
                if (stat((base + "/device").c_str(), &st) == 0) adapters.push_back("/dev/" + entry);
            }
        }
        closedir(dir);
    }
    std::sort(uarts.begin(), uarts.end());
    std::sort(adapters.begin(), adapters.end());
    for (long u : uarts) {
        if (!linked(u + 1, RealPath("/dev/ttyS" + std::to_string(u))))
            names.push_back("COM" + std::to_string(u + 1));
    }
    for (const auto& a : adapters) {
        if (!linked(-1, RealPath(a))) names.push_back(a);
    }
    return opened ? 0 : -1;
}

} // namespace plat
