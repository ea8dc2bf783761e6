// The station one library test works on: the fixed places where the library
// keeps and finds its files (system folder, Windows folder, data drives),
// private to the test and empty at its start, plus a scratch folder that is
// also the current directory while the station lives.
#pragma once
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "testhost.h"

namespace vz5test {

class Station {
  public:
    explicit Station(const std::string& stem = "dorlix-station")
        : root_(MakeTempFolder(stem)), oldCwd_(std::filesystem::current_path()) {
        ClaimStation(root_);
        std::filesystem::current_path(root_);
    }
    ~Station() {
        std::error_code ec;
        std::filesystem::current_path(oldCwd_, ec);
        ReleaseStation(root_);
        RemoveTree(root_);
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // The test's private folder (native path), the current directory.
    const std::string& Scratch() const { return root_; }
    std::string Scratch(const std::string& rel) const { return Join(root_, rel); }
    // Where the file system keeps the Windows path winPath.
    std::string Native(const std::string& winPath) const { return StationNative(root_, winPath); }
    // Short names of the station's places: "d/cfg/x.ini" (a one-letter first
    // part) is where "D:\cfg\x.ini" is kept; anything else lies in the scratch folder.
    std::string At(const std::string& rel) const {
        if (rel.size() >= 2 && std::isalpha(static_cast<unsigned char>(rel[0])) && rel[1] == '/') {
            std::string win(1, static_cast<char>(std::toupper(static_cast<unsigned char>(rel[0]))));
            win += ":\\" + rel.substr(2);
            for (char& c : win) {
                if (c == '/') c = '\\';
            }
            return Native(win);
        }
        return Scratch(rel);
    }

    // The system folder and the Windows folder as the library names them.
    std::string SystemDir() const { return SystemDirectory(); }
    std::string WindowsDir() const { return WindowsDirectory(); }
    // Native paths of the environment files.
    std::string MainFile() const { return Native(SystemDir() + "\\lwpsenvX.sys"); }
    std::string BackupFile() const { return Native(WindowsDir() + "\\inf\\winsenvX.pnf"); }
    std::string SeedFile() const { return Native(SystemDir() + "\\lwpenv.ini"); }

    // Files at Windows paths, their folders made as needed.
    void Write(const std::string& winPath, const std::string& bytes) const { WriteNative(Native(winPath), bytes); }
    std::string Read(const std::string& winPath) const { return ReadNative(Native(winPath)); }
    bool Exists(const std::string& winPath) const { return std::filesystem::exists(Native(winPath)); }
    bool IsFolder(const std::string& winPath) const { return std::filesystem::is_directory(Native(winPath)); }
    void MakeFolder(const std::string& winPath) const { std::filesystem::create_directories(Native(winPath)); }

    // Everything the test made on the station, scratch folder included.
    std::vector<std::string> Entries() const { return StationEntries(root_); }

    static void WriteNative(const std::string& path, const std::string& bytes) {
        const std::filesystem::path p(path);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        if (std::filesystem::exists(p)) MakeWritable(path);
        std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
    }
    static std::string ReadNative(const std::string& path) {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

  private:
    std::string root_;
    std::filesystem::path oldCwd_;
};

} // namespace vz5test
