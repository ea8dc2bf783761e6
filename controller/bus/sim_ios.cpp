// Digital I/O card in the simulated rack: for now a plain card that reads back what was
// written to it.
#include "simmodels.h"

std::unique_ptr<SimCard> MakeSimIOS() {
    return std::make_unique<SimCard>();
}
