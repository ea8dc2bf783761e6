// Windows has no minizip of Debian's mingw packages: the own container serves.
#include "platform/ziparchive.h"

namespace plat {
const ZipBackend& SystemZip() {
    return OwnZip();
}
} // namespace plat
