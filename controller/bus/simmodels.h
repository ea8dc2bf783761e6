// Behaviour models of the card models in the simulated rack, one per model,
// each in its own file.
#pragma once
#include <memory>

#include "simrack.h"

std::unique_ptr<SimCard> MakeSimDPHIO();  // 0x70 analog card
std::unique_ptr<SimCard> MakeSimSTMTR();  // 0x81 stepper-motor card
std::unique_ptr<SimCard> MakeSimCYMSTR(); // 0x82 cylinder card
std::unique_ptr<SimCard> MakeSimIOS();    // 0x83 digital I/O card
std::unique_ptr<SimCard> MakeSimASDA();   // 0x84 servo-drive card
std::unique_ptr<SimCard> MakeSimABSENC(); // 0x85 absolute-encoder card
