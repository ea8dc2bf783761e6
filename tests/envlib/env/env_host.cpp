// A minimal host program for the tests: loads the library, reads the
// environment once and saves the inertia, as a station program does.
#include <dlfcn.h>

#include <cstdio>
#include <vector>

// Under the sanitizer build the leak check at exit trips over the thread-local
// storage of the dlopen'ed library (a fault of the sanitizer runtime, not of
// the library); this helper has nothing to check for leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main() {
    void* lib = dlopen(VZ5_BINARY_DIR "/lib/libdorlix.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return 2;
    auto getSysEnv = reinterpret_cast<int (*)(void*)>(dlsym(lib, "GetSysEnv"));
    auto saveSysInertia = reinterpret_cast<int (*)(float)>(dlsym(lib, "SaveSysInertia"));
    if (!getSysEnv || !saveSysInertia) return 2;
    std::vector<char> rec(188910);
    getSysEnv(rec.data());
    int saved = saveSysInertia(950.0f);
    return saved == 1 ? 0 : 1;
}
