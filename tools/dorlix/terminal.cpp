// What both platforms' terminal texts share.
#include "terminal.h"

#include <cstdio>

namespace dorlixtool {

std::string UndecodedByte(unsigned char c, bool escape) {
    if (!escape) return "?";
    char esc[8];
    std::snprintf(esc, sizeof esc, "\\x%02X", c);
    return esc;
}

} // namespace dorlixtool
