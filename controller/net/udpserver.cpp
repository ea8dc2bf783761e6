#include "udpserver.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "console.h"
#include "runenv.h"

UDP UDPServer;
pthread_mutex_t UdpLock = PTHREAD_MUTEX_INITIALIZER;

void SENDIPADDR::Add(const char* IP, int Port) {
    if (!IP || RemoteNum >= MAXSNDIPNUM) return;
    for (int i = 0; i < RemoteNum; ++i)
        if (strcmp(RemoteIPAddr[i], IP) == 0 && RemotePort[i] == Port) return;
    printf("Add [%s %d] to System ! Total=%d !\n", IP, Port, RemoteNum);
    snprintf(RemoteIPAddr[RemoteNum], sizeof RemoteIPAddr[RemoteNum], "%s", IP);
    RemotePort[RemoteNum] = Port;
    ++RemoteNum;
}

UDP::UDP() : UDP_Sockfd(-1), client_len(sizeof(sockaddr_in)), nTaskNo(9), RemotePort(0), LocalPort(0) {
    RemoteIPAddr[0] = '\0';
    memset(&SndIPAddr, 0, sizeof SndIPAddr);
    memset(&server, 0, sizeof server);
    memset(&client, 0, sizeof client);
}

int UDP::Init(int TaskNo) {
    LocalPort = ::LocalPort();
    Network_Init(LocalPort);
    printf("UDP Port=%d\n", LocalPort);
    nTaskNo = TaskNo;
    return 1;
}

int UDP::Network_Init(int Local_Port) {
    UDP_Sockfd = socket(AF_INET, SOCK_DGRAM, 0);
    if (UDP_Sockfd < 0) {
        perror("create socket failed");
        return -1;
    }
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_ANY);
    server.sin_port = htons(static_cast<unsigned short>(Local_Port));
    if (bind(UDP_Sockfd, reinterpret_cast<sockaddr*>(&server), sizeof server) < 0) {
        perror("bind error");
        return -2;
    }
    return 1;
}

int UDP::Recv(char* Data) {
    if (!Data) return 0;
    socklen_t len = sizeof client;
    ssize_t n =
        recvfrom(UDP_Sockfd, Data, MAX_MSG_SIZE, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&client), &len);
    if (n <= 0) return 0;
    Data[n] = '\0';
    client_len = static_cast<int>(len);
    int length = static_cast<int>(n);
    Wprintf(nTaskNo, "Recvfrom %s %d\n", Data, length);
    inet_ntop(AF_INET, &client.sin_addr, RemoteIPAddr, sizeof RemoteIPAddr);
    RemotePort = ntohs(client.sin_port);
    pthread_mutex_lock(&UdpLock);
    SndIPAddr.Add(RemoteIPAddr, RemotePort);
    pthread_mutex_unlock(&UdpLock);
    Wprintf(nTaskNo, "Client IP is %s, Port is %d Rcv=%d %d\n", RemoteIPAddr, RemotePort, length, client_len);
    return length;
}

static bool ToAddr(const char* IP, int Port, sockaddr_in& to) {
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(Port));
    return IP && inet_pton(AF_INET, IP, &to.sin_addr) == 1;
}

int UDP::Send(const char* IP, int Port, const char* Data) {
    if (!Data) return -1;
    sockaddr_in to;
    ssize_t n = -1;
    // A text that is no IPv4 address is a failed send, never a broadcast.
    if (ToAddr(IP, Port, to)) {
        pthread_mutex_lock(&UdpLock);
        n = sendto(UDP_Sockfd, Data, strlen(Data), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        pthread_mutex_unlock(&UdpLock);
    }
    if (n >= 0) return static_cast<int>(n);
    Wprintf(nTaskNo, "Sendto error %s Port %d\n", IP ? IP : "", Port);
    usleep(100);
    return 0;
}

int UDP::Send(const char* Data) {
    if (!Data) return -1;
    return Send(static_cast<const void*>(Data), static_cast<int>(strlen(Data)));
}

int UDP::Send(const void* Data, int Datasize) {
    if (!Data) return -1;
    if (Datasize < 0) Datasize = 0;
    pthread_mutex_lock(&UdpLock);
    if (SndIPAddr.RemoteNum == 0) {
        pthread_mutex_unlock(&UdpLock);
        return -2;
    }
    ssize_t n = -1;
    for (int i = 0; i < SndIPAddr.RemoteNum; ++i) {
        sockaddr_in to;
        n = -1;
        if (ToAddr(SndIPAddr.RemoteIPAddr[i], SndIPAddr.RemotePort[i], to))
            n = sendto(UDP_Sockfd, Data, static_cast<size_t>(Datasize), 0, reinterpret_cast<sockaddr*>(&to),
                       sizeof to);
    }
    pthread_mutex_unlock(&UdpLock);
    if (n >= 0) return static_cast<int>(n);
    Wprintf(nTaskNo, "Sendto error %s Port %d\n", RemoteIPAddr, RemotePort);
    usleep(100);
    return 0;
}

int UDP::AddServiceIP(const char* IP, int Port) {
    pthread_mutex_lock(&UdpLock);
    SndIPAddr.Add(IP, Port);
    pthread_mutex_unlock(&UdpLock);
    return 1;
}
