// Virtual devices: the remote controllers this controller signals, each under a
// name. Registration order is kept; a name may repeat and lookups find the oldest.
#pragma once
#include <pthread.h>

#define MAXVD 128

struct VirtualDevice {
    char VDName[200];
    char IP[64]; // dotted IPv4 text
    int Port;
};

struct VirtualDeviceGroup {
    VirtualDeviceGroup();

    // Appends a device; with MAXVD registered the oldest is dropped first.
    // Longer texts are cut to their field. A null name or address registers nothing.
    void SetRemoteIPPort(const char* VDName, const char* IP, int Port);
    // Copies the first device named BoxID (without regard to case) into *pVD:
    // 1 found, 0 none, -1 pVD null.
    int GetRemoteFromBoxID(const char* BoxID, VirtualDevice* pVD);
    // Empties the table.
    void Clear();

    int VDNum;
    VirtualDevice m_VirtualDevice[MAXVD];

  private:
    // Registrations and lookups come from every PLC task.
    pthread_mutex_t Lock = PTHREAD_MUTEX_INITIALIZER;
};
