#include "stricmp.h"

#include <cctype>
#include <cstring>

static int Upper(char c) {
    return toupper(static_cast<unsigned char>(c));
}

int stricmp(const char* a, const char* b) {
    if (!a) return b ? -1 : 0;
    if (!b) return 1; // a null second text would crash the original walk; order it first
    size_t la = strlen(a), lb = strlen(b);
    size_t n = la < lb ? la : lb;
    for (size_t i = 0; i < n; ++i) {
        int d = Upper(a[i]) - Upper(b[i]);
        if (d != 0) return d;
    }
    return static_cast<int>(la) - static_cast<int>(lb);
}
