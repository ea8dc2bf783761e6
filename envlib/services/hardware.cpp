// The hardware exports: kept for callers of older releases, they reach no
// device and give fixed results.
#include "dorlix.h"

extern "C" {

DORLIX_API int DORLIX_CALL OpenHardware(void) {
    return 0;
}
DORLIX_API int DORLIX_CALL CloseHardware(void) {
    return 1;
}
DORLIX_API int DORLIX_CALL Hardware_ReadAI(...) {
    return 1;
}
DORLIX_API int DORLIX_CALL Hardware_ReadDI(...) {
    return 1;
}
DORLIX_API int DORLIX_CALL Hardware_WriteAO(...) {
    return 1;
}
DORLIX_API int DORLIX_CALL Hardware_WriteDO(...) {
    return 1;
}
DORLIX_API int DORLIX_CALL Hardware_WriteIDO(...) {
    return 1;
}
DORLIX_API int DORLIX_CALL Hardware_WriteSDO(...) {
    return 1;
}

} // extern "C"
