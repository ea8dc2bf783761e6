// Makers of the card objects, one per card model; each lives with its card class.
#pragma once
#include "vekt_man.h"

CVekt_MANAGER* CreatePlovDPHIO();  // 0x70 analog card
CVekt_MANAGER* CreateVektSTMTR();  // 0x81 stepper-motor card
CVekt_MANAGER* CreateVektCYMSTR(); // 0x82 cylinder card
CVekt_MANAGER* CreateVektIOS();    // 0x83 digital I/O card
CVekt_MANAGER* CreateVektASDA();   // 0x84 servo-drive card
CVekt_MANAGER* CreateVektABSENC(); // 0x85 absolute-encoder card
