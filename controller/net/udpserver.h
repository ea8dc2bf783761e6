// The controller's UDP endpoint: one socket, non-blocking receive, and the list of
// peers (every address that ever sent a datagram) that status reports go to.
#pragma once
#include <netinet/in.h>
#include <pthread.h>

#include "public.h"

#define MAX_MSG_SIZE BUFFER_SIZE
#define MAXSNDIPNUM 32

struct SENDIPADDR {
    char RemoteIPAddr[MAXSNDIPNUM][100];
    int RemotePort[MAXSNDIPNUM];
    int RemoteNum;

    void Add(const char* IP, int Port);
};

class UDP {
  public:
    UDP();

    int Init(int TaskNo);
    int Network_Init(int Local_Port);
    // Data must hold MAX_MSG_SIZE + 1 bytes; it is terminated after the bytes read.
    int Recv(char* Data);
    int Send(const char* IP, int Port, const char* Data);
    int Send(const char* Data);
    int Send(const void* Data, int Datasize);
    int AddServiceIP(const char* IP, int Port);

    char RemoteIPAddr[100];
    SENDIPADDR SndIPAddr;
    int UDP_Sockfd;
    sockaddr_in server;
    sockaddr_in client;
    int client_len;
    int nTaskNo;
    int RemotePort;
    int LocalPort;
};

extern UDP UDPServer;
extern pthread_mutex_t UdpLock; // every send and every change of the peer list
