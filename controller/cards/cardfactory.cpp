// One factory per model number; the makers live with their card classes.
#include "cardmodels.h"
#include "vekt_cpu.h"

CVekt_MANAGER* CreateCPUCard() {
    return new CVekt_CPU();
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
