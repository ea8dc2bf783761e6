#include "vekt_net.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console.h"
#include "protocol.h"
#include "readini.h"
#include "stricmp.h"
#include "udpserver.h"

// Decimal value of a text by atoi rules, held within int.
static int DecValue(const char* Text) {
    long v = strtol(Text, nullptr, 10);
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<int>(v);
}

CVekt_NET::CVekt_NET() {
    VD.Clear();
    SlotID = NETCARD_SLOTID;
    TypeID = NETCARD_TYPEID;
    SetFaultReport(0);
    for (auto& b : DataZero)
        b.store(0, std::memory_order_relaxed);
}

int CVekt_NET::SetFaultReport(int) {
    return 1;
}

int CVekt_NET::GetFaultReport(void*) {
    return 1;
}

// The network card has no bus slot; its place in reports is always 14.
void CVekt_NET::SetSlotID(unsigned char) {
    SlotID = NETCARD_SLOTID;
}

void CVekt_NET::InitHardware() {
    for (auto& b : DataZero)
        b.store(0, std::memory_order_relaxed);
}

int CVekt_NET::GetHardVer() {
    return 1;
}

int CVekt_NET::GetHardType() {
    return NETCARD_TYPEID;
}

char* CVekt_NET::GetHardTypeName(char*) {
    static char Name[] = "Vekt_NET";
    return Name;
}

int CVekt_NET::GetHardData(char* HardInfo, int HardInfoLen) {
    if (!HardInfo) return -2;
    // 256 items of at most 9 characters each, plus the head.
    std::string body =
        "Type=Vekt_NET;TypeID=" + std::to_string(TypeID) + ";SlotID=" + std::to_string(SlotID) + ";";
    body.reserve(body.size() + MAXLINKCH * 9);
    char item[32];
    for (int ch = 0; ch < MAXLINKCH; ++ch) {
        snprintf(item, sizeof item, "D%d=%d;", ch, DataZero[ch].load(std::memory_order_relaxed));
        body += item;
    }
    unsigned short sum = SndCheckSum(body.c_str(), static_cast<short>(body.size()));
    std::string frame = "{CMD_HARD:" + body + ":" + std::to_string(sum) + "}#";
    // The terminating zero must fit too.
    if (static_cast<long>(frame.size()) + 1 > HardInfoLen) return -1;
    memcpy(HardInfo, frame.c_str(), frame.size() + 1);
    return 1;
}

void CVekt_NET::SetRemoteIPPort(char* VDName, char* IP, int Port) {
    VD.SetRemoteIPPort(VDName, IP, Port);
}

int CVekt_NET::Parse(char* NetMessage) {
    if (!NetMessage) return 0;
    char cmd[64], out[64], ch[64];
    if (FindKey(NetMessage, "CMD", cmd, sizeof cmd) < 0 || stricmp(cmd, "CTL_LINK") != 0) return 0;
    if (FindKey(NetMessage, "CTL_OUT", out, sizeof out) < 0) return 0;
    if (FindKey(NetMessage, "ChIdx", ch, sizeof ch) < 0) return 0;
    int value = DecValue(out);
    int channel = DecValue(ch);
    if (channel < 0) return 0;
    if (channel > MAXLINKCH - 1) channel = MAXLINKCH - 1;
    DataZero[channel].store(static_cast<unsigned char>(value & 0xFF), std::memory_order_relaxed);
    Pprintf(DUG_NET_LV1, "CVekt_NET: DataZero=ChIdx[%d]=%d\n", channel, value);
    return 1;
}

int CVekt_NET::Cmd_OUT(int, void* pArgc) {
    if (!pArgc) return 0;
    const char* text = static_cast<const char*>(pArgc);
    char level[64], box[sizeof(VirtualDevice::VDName)], channel[64];
    if (!ReadIni.GetField2(text, level, sizeof level, 0, '@') ||
        !ReadIni.GetField2(text, box, sizeof box, 1, '@') ||
        !ReadIni.GetField2(text, channel, sizeof channel, 2, '@'))
        return 0;
    VirtualDevice dev;
    if (VD.GetRemoteFromBoxID(box, &dev) != 1) return 0;

    char body[128];
    snprintf(body, sizeof body, "Cmd=CTL_LINK;CTL_OUT=%d;ChIdx=%d;", DecValue(level), DecValue(channel));
    unsigned short sum = SndCheckSum(body, static_cast<short>(strlen(body)));
    char frame[192];
    snprintf(frame, sizeof frame, "{CMD_NET:%s:%d}#", body, sum);
    // Three copies against a lost datagram; the receiver stores the same byte each time.
    int sent = 0;
    for (int i = 0; i < 3; ++i) {
        if (UDPServer.Send(dev.IP, dev.Port, frame) > 0) ++sent;
        usleep(500);
    }
    return sent > 0 ? 1 : 0;
}

int CVekt_NET::Cmd_LD(int ChIdx, void* pArgc) {
    if (ChIdx < 0 || ChIdx >= MAXLINKCH) return -1;
    if (!pArgc) return 0;
    int want = DecValue(static_cast<const char*>(pArgc));
    return DataZero[ChIdx].load(std::memory_order_relaxed) == want ? 1 : 0;
}

int CVekt_NET::Cmd_IF(int, void*, char*) {
    return 1;
}

CVekt_MANAGER* CreateNetCard() {
    return new CVekt_NET();
}
