// A minimal host program for the tests: loads the library, reads the
// environment once and saves the inertia, as a station program does.
#include <cstdio>
#include <vector>

#include "testhost.h"

// Under the sanitizer build the leak check at exit trips over the thread-local
// storage of the dlopen'ed library (a fault of the sanitizer runtime, not of
// the library); this helper has nothing to check for leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main() {
    vz5test::Library lib;
    if (!lib.Load(vz5test::LibraryFile())) return 2;
    auto getSysEnv = lib.Function<int (*)(void*)>("GetSysEnv");
    auto saveSysInertia = lib.Function<int (*)(float)>("SaveSysInertia");
    if (!getSysEnv || !saveSysInertia) return 2;
    std::vector<char> rec(188910);
    getSysEnv(rec.data());
    int saved = saveSysInertia(950.0f);
    return saved == 1 ? 0 : 1;
}
