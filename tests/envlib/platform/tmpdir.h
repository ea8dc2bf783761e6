// A private folder under /tmp for one test, removed afterwards, with
// DORLIX_ROOT pointing at it while the test runs.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempRoot {
  public:
    TempRoot() {
        char tmpl[] = "/tmp/dorlix-plat-XXXXXX";
        dir_ = mkdtemp(tmpl);
        const char* old = getenv("DORLIX_ROOT");
        hadRoot_ = old != nullptr;
        if (old) oldRoot_ = old;
        setenv("DORLIX_ROOT", dir_.c_str(), 1);
    }
    ~TempRoot() {
        if (hadRoot_)
            setenv("DORLIX_ROOT", oldRoot_.c_str(), 1);
        else
            unsetenv("DORLIX_ROOT");
        std::error_code ec;
        // Read-only files inside would not stop the removal, but restore write
        // permission anyway so nothing is left behind on odd file systems.
        for (auto& e : std::filesystem::recursive_directory_iterator(dir_, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& path() const { return dir_; }
    std::string operator/(const std::string& rel) const { return dir_ + "/" + rel; }

  private:
    std::string dir_, oldRoot_;
    bool hadRoot_ = false;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
