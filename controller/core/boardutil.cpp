#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "drvlib.h"
#include "readini.h"
#include "runenv.h"

static void IfRequest(ifreq& ifr) {
    memset(&ifr, 0, sizeof ifr);
    snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", IfaceName());
}

int GetMAC(unsigned char* MacAddr, char* MacStr) {
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock < 0) {
        perror("socket");
        return 0;
    }
    ifreq ifr;
    IfRequest(ifr);
    if (ioctl(sock, SIOCGIFHWADDR, &ifr) < 0) {
        perror("ioctl");
        close(sock);
        return -1;
    }
    close(sock);
    const unsigned char* a = reinterpret_cast<const unsigned char*>(ifr.ifr_hwaddr.sa_data);
    if (MacAddr) memcpy(MacAddr, a, 6);
    if (MacStr) sprintf(MacStr, "%02X:%02X:%02X:%02X:%02X:%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return 1;
}

int GetLocalIP(unsigned char* nIP4, char* IPName) {
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock < 0) {
        printf("socket create failse...GetLocalIp!/n");
        return 0;
    }
    ifreq ifr;
    IfRequest(ifr);
    if (ioctl(sock, SIOCGIFADDR, &ifr) < 0) {
        close(sock);
        return -1;
    }
    in_addr addr = reinterpret_cast<sockaddr_in*>(&ifr.ifr_addr)->sin_addr;
    const unsigned char* o = reinterpret_cast<const unsigned char*>(&addr.s_addr); // network order
    if (nIP4)
        for (int i = 0; i < 4; ++i)
            nIP4[i] = o[3 - i];
    if (IPName) inet_ntop(AF_INET, &addr, IPName, INET_ADDRSTRLEN);
    close(sock);
    return 1;
}

int Fix_Userinfo_IP(const char* NewIP) {
    std::string value = std::string("\"") + (NewIP ? NewIP : "") + "\"";
    ReadIni.WriteField("userinfo.txt", "LOCAL_MACHINE", "IPAddress", value.c_str());
    return 1;
}

int ChangFileMod() {
    CnvDos2UnixFile("run.sh");
    CnvDos2UnixFile("user.sh");
    CnvDos2UnixFile("userinfo.txt");
    for (const char* f : {"run.sh", "user.sh", "scan", "test_isa", "Corlan"})
        chmod(f, 0777);
    std::string home = std::string(HomeDir()) + "/run.sh";
    copyFile("run.sh", home.c_str());
    chmod(home.c_str(), 0777);
    return 1;
}

int CnvDos2UnixFile(const char* FileName) {
    FILE* in = fopen(FileName, "r");
    if (!in) return 0;
    FILE* tmp = fopen("tmp.txt", "w");
    if (!tmp) {
        fclose(in);
        return 0;
    }
    printf("Prcessing System file %s....\n", FileName);
    char block[1000];
    bool any = false;
    size_t n;
    while ((n = fread(block, 1, sizeof block, in)) > 0) {
        any = true;
        for (size_t i = 0; i < n; ++i)
            if (block[i] == '\r') block[i] = '\n';
        fwrite(block, 1, n, tmp);
    }
    fclose(in);
    fclose(tmp);
    if (any) copyFile("tmp.txt", FileName);
    remove("tmp.txt");
    puts("Prcessing finished\n");
    return 1;
}

int copyFile(const char* SrcFile, const char* DstFile) {
    // The target is opened only once the source is there: a missing source must
    // not empty an existing copy.
    FILE* src = fopen(SrcFile, "rb");
    if (!src) return -1;
    FILE* dst = fopen(DstFile, "wb");
    if (!dst) {
        fclose(src);
        return -1;
    }
    char block[1024];
    size_t n;
    while ((n = fread(block, 1, sizeof block, src)) > 0)
        fwrite(block, 1, n, dst);
    fclose(src);
    fclose(dst);
    return 0;
}
