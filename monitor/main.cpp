// Corwatch: reboots the board or stops the station programs when a request
// file appears in the run directory.
#include "corwatch.h"

int main() {
    return WatchMain();
}
