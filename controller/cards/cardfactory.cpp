// One factory per model number. A model whose card class is not built in yet
// gets the base object, which answers every operation with its notice.
#include "vekt_cpu.h"
#include "vekt_man.h"

namespace {
CVekt_MANAGER* CreatePlovDPHIO() {
    return new CVekt_MANAGER();
}
CVekt_MANAGER* CreateVektSTMTR() {
    return new CVekt_MANAGER();
}
CVekt_MANAGER* CreateVektCYMSTR() {
    return new CVekt_MANAGER();
}
CVekt_MANAGER* CreateVektIOS() {
    return new CVekt_MANAGER();
}
CVekt_MANAGER* CreateVektASDA() {
    return new CVekt_MANAGER();
}
CVekt_MANAGER* CreateVektABSENC() {
    return new CVekt_MANAGER();
}
} // namespace

CVekt_MANAGER* CreateCPUCard() {
    return new CVekt_CPU();
}

CVekt_MANAGER* CreateNetCard() {
    return new CVekt_MANAGER();
}

CVekt_MANAGER* CreateCard(unsigned char CardID) {
    switch (CardID) {
    case 0x70:
        return CreatePlovDPHIO();
    case 0x81:
        return CreateVektSTMTR();
    case 0x82:
        return CreateVektCYMSTR();
    case 0x83:
        return CreateVektIOS();
    case 0x84:
        return CreateVektASDA();
    case 0x85:
        return CreateVektABSENC();
    default:
        return nullptr;
    }
}
