// A benchmark's private station: an empty folder under /tmp that DORLIX_ROOT
// names, removed when the program ends.
#pragma once
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vz5bench {

// Makes the folder /tmp/<stem>-XXXXXX once per program and returns it. The
// path is never destroyed, so that the removal at exit still finds it.
inline const std::filesystem::path& PrivateRoot(const std::string& stem) {
    static const std::filesystem::path* const root = [&stem] {
        std::string tmpl = "/tmp/" + stem + "-XXXXXX";
        if (mkdtemp(&tmpl[0]) == nullptr) std::abort();
        setenv("DORLIX_ROOT", tmpl.c_str(), 1);
        return new std::filesystem::path(tmpl);
    }();
    static const bool removedAtExit = std::atexit([] {
        std::error_code ec;
        std::filesystem::current_path("/", ec);
        std::filesystem::remove_all(*root, ec);
    }) == 0;
    (void)removedAtExit;
    return *root;
}

} // namespace vz5bench
