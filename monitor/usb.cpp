#include "corwatch.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const char kProbeName[] = "DetectUSB";
static const char kProbeText[] = "Detect";

// Writes the probe file; true when its 6 bytes reached the medium (a
// read-only stick already fails the open, a full one fails at close).
static bool WriteProbe(FILE* f) {
    size_t written = fwrite(kProbeText, 1, sizeof kProbeText - 1, f);
    int closed = fclose(f);
    return written == sizeof kProbeText - 1 && closed == 0;
}

// Single-quoted for the shell, so that blanks and shell characters in a
// stick's file names stay part of the name.
static std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int IsUsbMountAt(const char* devPrefix, const char* mntRoot) {
    for (int n = 1; n <= 8; ++n) {
        std::string dev = std::string(devPrefix) + std::to_string(n);
        if (access(dev.c_str(), F_OK) != 0) continue;
        std::string probe = std::string(mntRoot) + "/usb" + std::to_string(n) + "/" + kProbeName;
        FILE* f = fopen(probe.c_str(), "w+");
        if (!f) continue;
        if (WriteProbe(f)) return n;
    }
    return 0;
}

int IsUsbMount() {
    return IsUsbMountAt("/dev/sda", "/mnt");
}

int CopyUSBFileTo(const char* mntRoot, const char* USBDirName, const char* FileName, const char* destDir) {
    std::string probe = std::string(mntRoot) + "/" + USBDirName + "/" + kProbeName;
    FILE* f = fopen(probe.c_str(), "w+");
    if (!f) {
        printf("Found Err  %s  \n", probe.c_str());
        return 0;
    }
    if (!WriteProbe(f)) return 0;

    printf("Copy USB..%s..[%s]\n", USBDirName, FileName);
    fflush(stdout);
    std::string src = std::string(mntRoot) + "/" + USBDirName + "/" + FileName;
    std::string dst = std::string(destDir) + "/" + FileName;
    std::string cmd = "cp -f " + ShellQuote(src) + " " + ShellQuote(dst);
    // The result of cp is not checked: the helper reports that the copy ran.
    if (system(cmd.c_str()) == -1) perror("cp");
    if (system("sync") == -1) perror("sync");
    if (system("sync") == -1) perror("sync");
    printf("Copy USB End....\n");
    return 1;
}

int CopyUSBFile(char* USBDirName, char* FileName) {
    return CopyUSBFileTo("/mnt", USBDirName, FileName, WatchRunDir());
}

int ReadUevent(int fd) {
    char buf[4096 + 1];
    // MSG_TRUNC reports the full length of a datagram larger than the buffer.
    ssize_t len = recv(fd, buf, 4096, MSG_TRUNC);
    if (len < 0) {
        printf("receive error\n");
        return 0;
    }
    if (len < 32 || len > 4096) {
        printf("invalid message\n");
        return 0;
    }
    // The kernel separates the event's fields with zero bytes.
    for (ssize_t i = 0; i < len; ++i)
        if (buf[i] == '\0') buf[i] = '\n';
    buf[len] = '\0';
    printf("received %d bytes\n%s\n", (int)len, buf);
    return strstr(buf, "add") ? 1 : 0;
}

int MonitorNetlinkUevent() {
    int fd = socket(AF_NETLINK, SOCK_RAW, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) printf("socket creating failed:%s\n", strerror(errno));
    sockaddr_nl addr;
    memset(&addr, 0, sizeof addr);
    addr.nl_family = AF_NETLINK;
    addr.nl_pid = 0;
    addr.nl_groups = 0x0F;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0) {
        printf("bind error:%s\n", strerror(errno));
        // An unbound socket joins no event group: waiting on it would never end.
        if (fd >= 0) close(fd);
        return 0;
    }
    int result = ReadUevent(fd);
    // One socket per call; closing it keeps repeated calls from running out of descriptors.
    if (fd >= 0) close(fd);
    return result;
}
