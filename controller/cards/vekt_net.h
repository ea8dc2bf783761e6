// Network card (model 16, "Vekt-VDS"): no hardware. It carries the virtual
// devices this controller signals and the 256 link bytes other controllers set,
// so that PLC programs exchange signals between controllers with OUT and LD.
#pragma once
#include <atomic>

#include "vekt_man.h"
#include "virtualdev.h"

#define NETCARD_SLOTID 14
#define NETCARD_TYPEID 16
#define MAXLINKCH 256

class CVekt_NET : public CVekt_MANAGER {
  public:
    CVekt_NET();

    int SetFaultReport(int ErrorNo) override;
    int GetFaultReport(void* ErrorInfo) override;
    void SetSlotID(unsigned char nSlotID) override;
    void InitHardware() override;
    int GetHardVer() override;
    int GetHardType() override;
    char* GetHardTypeName(char* TypeName) override;
    // Status report with every link byte, "D0=..;" up to "D255=..;":
    // 1 copied, -1 does not fit into HardInfoLen bytes with its zero, -2 HardInfo null.
    int GetHardData(char* HardInfo, int HardInfoLen) override;
    // Registers a virtual device.
    void SetRemoteIPPort(char* VDName, char* IP, int Port) override;
    // Stores a received link message body ("CMD=CTL_LINK;CTL_OUT=v;ChIdx=c;"):
    // 1 stored, 0 malformed.
    int Parse(char* NetMessage) override;
    // pArgc "level@box@channel": sends the link message three times to the
    // registered device box. 1 sent, 0 bad argument, unknown box or no copy sent.
    int Cmd_OUT(int ChIdx, void* pArgc) override;
    // 1 when link byte ChIdx equals pArgc's decimal value, 0 when not or pArgc
    // null, -1 ChIdx outside 0..255.
    int Cmd_LD(int ChIdx, void* pArgc) override;
    int Cmd_IF(int ChIdx, void* pArgc, char* pOut) override;

    // Link bytes by link channel. Single bytes set by the command step of any
    // task and read by LD and the report: atomic, no lock needed.
    std::atomic<unsigned char> DataZero[MAXLINKCH];
    VirtualDeviceGroup VD;
};
