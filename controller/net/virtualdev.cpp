#include "virtualdev.h"

#include <cstdio>
#include <cstring>

#include "stricmp.h"

VirtualDeviceGroup::VirtualDeviceGroup() : VDNum(0) {
    memset(m_VirtualDevice, 0, sizeof m_VirtualDevice);
}

void VirtualDeviceGroup::Clear() {
    pthread_mutex_lock(&Lock);
    VDNum = 0;
    memset(m_VirtualDevice, 0, sizeof m_VirtualDevice);
    pthread_mutex_unlock(&Lock);
}

void VirtualDeviceGroup::SetRemoteIPPort(const char* VDName, const char* IP, int Port) {
    if (!VDName || !IP) return;
    pthread_mutex_lock(&Lock);
    if (VDNum < 0) VDNum = 0;
    if (VDNum >= MAXVD) {
        // Full: the oldest registration makes room, so a program that keeps
        // registering never loses its newest devices.
        memmove(&m_VirtualDevice[0], &m_VirtualDevice[1], sizeof(VirtualDevice) * (MAXVD - 1));
        VDNum = MAXVD - 1;
    }
    VirtualDevice& d = m_VirtualDevice[VDNum];
    snprintf(d.VDName, sizeof d.VDName, "%s", VDName);
    snprintf(d.IP, sizeof d.IP, "%s", IP);
    d.Port = Port;
    ++VDNum;
    pthread_mutex_unlock(&Lock);
}

int VirtualDeviceGroup::GetRemoteFromBoxID(const char* BoxID, VirtualDevice* pVD) {
    if (!pVD) return -1;
    if (!BoxID) return 0;
    int found = 0;
    pthread_mutex_lock(&Lock);
    int n = VDNum < 0 ? 0 : (VDNum > MAXVD ? MAXVD : VDNum);
    for (int i = 0; i < n; ++i) {
        if (stricmp(m_VirtualDevice[i].VDName, BoxID) == 0) {
            *pVD = m_VirtualDevice[i];
            found = 1;
            break;
        }
    }
    pthread_mutex_unlock(&Lock);
    return found;
}
