// Digital I/O card: the card class is not built in yet; the base object answers every
// operation with its notice.
#include "cardmodels.h"

CVekt_MANAGER* CreateVektIOS() {
    return new CVekt_MANAGER();
}
