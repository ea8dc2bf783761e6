#include "hardware.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "runenv.h"
#include "simrack.h"
#include "vekt_man.h"

const CARDTYPE CardType[MAXCARDTYPE] = {
    {0x81, "Vekt-STMTR"},  {0x82, "Vekt-CYMTR"}, {0x83, "Vekt-IOS1"}, {0x84, "Vekt-ASDA"},
    {0x85, "Vekt-ABSENC"}, {0x70, "Plov-DPH"},   {0x10, "Vekt-VDS"},
};

CARDINFO GlobeCardInfo;

pthread_mutex_t HardLockOut = PTHREAD_MUTEX_INITIALIZER;
pthread_mutex_t HardLockIn = PTHREAD_MUTEX_INITIALIZER;
pthread_mutex_t HardLock = PTHREAD_MUTEX_INITIALIZER;

namespace {

const char* const DeviceNames[2] = {"/dev/em_isa", "/dev/em335x_isa"};

class DeviceIo : public BusIo {
  public:
    long Read(int fd, unsigned char* buf, size_t len) override { return ::read(fd, buf, len); }
    long Write(int fd, const unsigned char* buf, size_t len) override { return ::write(fd, buf, len); }
};

DeviceIo TheDevice;

} // namespace

// Constructed before main: the bus is ready before the first card exists.
HARDWARE Hardware;

HARDWARE::HARDWARE()
    : LineC(0), SysAddr(0), StaAddr(14), OutExtAddr(21), LEDAddr(25), DGDelayAddr(10), StepAddr(0),
      StepStopAddr(11), StepClrAddr(8), StepStopEnAddr(13), RelayAddr(26), KeyAddr(19), CPUStatAddr(1),
      PS2Addr(2), PS2ClrAddr(1), VerAddr(0), TypeAddr(1), SubVerAddr(3), SubTypeAddr(4), OutHCAddr(24),
      LineClrRegAddr(29), LineAddr(27), OutBase{0, 0, 0}, InBase(22), InBaseAux(23), FsLBase(16), FsMBase(17),
      FsHBase(18), FsHHBase(19), OutLedReg(0), OutRelayReg(0), OutHCReg(0), GOutReg(0), OutRegs{0, 0, 0},
      StepMotorStopDirReg(0xFF), CFModeReg(0), CntCtrlReg(0), MotorAlarmFlg(0), Hard_fd(-2), HardInstalled(0),
      LineOldPos(-1), Io(&TheDevice) {
    OpenHard();
}

HARDWARE::~HARDWARE() {
    CloseHard();
}

bool HARDWARE::OpenHard() {
    Hard_fd = -2;
    HardInstalled = 0;
    Io = &TheDevice;
    const char* spec = BusSpec();
    if (strncmp(spec, "sim:", 4) == 0) {
        // The rack answers the driver calls; the descriptor only keeps the bus "open".
        SimRack* rack = new SimRack();
        if (rack->Load(spec + 4) == 1) {
            Hard_fd = eventfd(0, EFD_CLOEXEC);
            if (Hard_fd >= 0) {
                Io = rack;
                HardInstalled = 1;
                if (SimPort() > 0) rack->StartControl(SimPort());
            }
        }
        if (HardInstalled == 0) delete rack;
    } else if (strncmp(spec, "dev:", 4) == 0) {
        Hard_fd = open(spec + 4, O_RDWR | O_CLOEXEC);
        if (Hard_fd >= 0) HardInstalled = 1;
    } else {
        if (*spec)
            printf("Unknown bus %s\n", spec);
        else
            for (int i = 0; i < 2; ++i) {
                Hard_fd = open(DeviceNames[i], O_RDWR | O_CLOEXEC);
                if (Hard_fd >= 0) {
                    HardInstalled = i + 1;
                    break;
                }
            }
    }
    if (HardInstalled > 0) {
        printf("Load ISA Driver successfully![%d][%d]\n", Hard_fd, HardInstalled);
        return true;
    }
    printf("Corlan Load Driver Failed![%d] \n\n", Hard_fd);
    return false;
}

void HARDWARE::CloseHard() {
    if (Hard_fd >= 0) close(Hard_fd);
    Hard_fd = -2;
    HardInstalled = 0;
    if (Io != &TheDevice) {
        delete static_cast<SimRack*>(Io);
        Io = &TheDevice;
    }
}

unsigned char HARDWARE::InB(short port) {
    unsigned char buf[1] = {static_cast<unsigned char>(port & 0xFF)};
    if (Io->Read(Hard_fd, buf, 1) < 0) return 255;
    return buf[0];
}

void HARDWARE::OutB(short port, unsigned char byte) {
    unsigned char buf[2] = {byte, static_cast<unsigned char>(port & 0xFF)};
    (void)Io->Write(Hard_fd, buf, 2);
}

unsigned char inportb(unsigned short port) {
    if (port > 255) {
        printf("\ninportb error: %d\n", port);
        return 255;
    }
    return Hardware.InB(static_cast<short>(port));
}

void outportb(unsigned short port, unsigned char byte) {
    if (port > 255) {
        printf("\noutportb error: %d\n", port);
        return;
    }
    Hardware.OutB(static_cast<short>(port), byte);
}

static void ShadowOut(unsigned char& shadow, unsigned int addr, unsigned char bit, HILOW level) {
    unsigned char mask = static_cast<unsigned char>(1u << (bit % 8));
    if (level == HI)
        shadow |= mask;
    else
        shadow &= static_cast<unsigned char>(~mask);
    outportb(static_cast<unsigned short>(addr), shadow);
}

void HARDWARE::OutLED(unsigned char bit, HILOW level) {
    ShadowOut(OutLedReg, LEDAddr, bit, level);
}
void HARDWARE::OutHC(unsigned char bit, HILOW level) {
    ShadowOut(OutHCReg, OutHCAddr, bit, level);
}
void HARDWARE::OutExt(unsigned char bit, HILOW level) {
    ShadowOut(OutHCReg, OutExtAddr, bit, level);
}
void HARDWARE::OutRelay(unsigned char, HILOW) {}

int HARDWARE::ScanCard(CARDINFO* CardInfo) {
    if (!CardInfo) return -1;
    puts("Scan Hardware Device Card...");

    // Objects of an earlier scan (tests scan more than once) are released; the
    // program itself scans once and keeps its objects to the end.
    static CVekt_MANAGER* Created[MAXCARDNO + 1] = {};
    for (CVekt_MANAGER*& old : Created) {
        for (CVekt_MANAGER*& entry : Vekt_CardMan)
            if (entry == old) entry = nullptr;
        delete old;
        old = nullptr;
    }

    CVekt_MANAGER* cpu = CreateCPUCard();
    Created[0] = cpu;
    Vekt_CardMan[0] = cpu;
    for (int i = 0; i < 10; ++i)
        (void)cpu->GetHardType();
    int TaskNum = cpu->GetTaskNum();

    OutB(static_cast<short>(SysAddr), 0);
    unsigned char kind = InB(static_cast<short>(TypeAddr));
    // The kind register and the recorded model are swapped between the two families.
    if (kind == 0xA3) {
        puts("Hardware Installed [Plov]!");
        CardInfo->CardID[0] = 0xA4;
    } else if (kind == 0xA4) {
        puts("Hardware Installed [Vekt]!");
        CardInfo->CardID[0] = 0xA3;
    }
    CardInfo->SlotID[0] = 0;
    cpu->SetFaultReport(0);
    int Count = 1;

    if (HardInstalled < 1) {
        cpu->SetFaultReport(1);
        puts("No Hardware Installed!");
        return 0;
    }

    for (int s = 1; s <= 13; ++s) {
        OutB(static_cast<short>(SysAddr), static_cast<unsigned char>(s));
        unsigned char m = InB(static_cast<short>(SubTypeAddr));
        CVekt_MANAGER* card = CreateCard(m);
        bool isClass = card != nullptr;
        if (!card) {
            card = new CVekt_MANAGER();
            m = 0;
        }
        Created[s] = card;
        Vekt_CardMan[Count] = card;
        CardInfo->CardID[Count] = m;
        CardInfo->SlotID[Count] = static_cast<unsigned char>(s);
        card->SetSlotID(static_cast<unsigned char>(s));
        if (isClass) card->InitHardware();
        ++Count;
    }

    // Index 13 is the network card; the slot-13 object stays unused.
    Created[MAXCARDNO] = CreateNetCard();
    Vekt_CardMan[13] = Created[MAXCARDNO];
    CardInfo->CardNum = Count;

    for (int k = 0; k < CardInfo->CardNum && k < MAXCARDNO; ++k) {
        if (CardInfo->CardID[k] == 0) continue;
        printf("CardID: 0x%x SlotID: %d Type: %s\n", CardInfo->CardID[k], CardInfo->SlotID[k],
               Vekt_CardMan[k]->GetHardTypeName(nullptr));
    }
    puts("");
    return TaskNum;
}
