// Servo-drive card: the card class is not built in yet; the base object answers every
// operation with its notice.
#include "cardmodels.h"

CVekt_MANAGER* CreateVektASDA() {
    return new CVekt_MANAGER();
}
