// Network card: the card class is not built in yet; the base object answers every
// operation with its notice.
#include "vekt_man.h"

CVekt_MANAGER* CreateNetCard() {
    return new CVekt_MANAGER();
}
