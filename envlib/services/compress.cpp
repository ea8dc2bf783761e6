// The compression exports: one file or the files of a folder into a ZIP
// archive under their bare names, and an archive unpacked into a folder, with
// progress counters that another thread may watch.
#include "services/compress.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "dorlix.h"
#include "core/export.h"
#include "platform/codepage.h"
#include "platform/folderlist.h"
#include "platform/platform.h"
#include "services/files.h"

namespace dorlix {
namespace {

// Watched from other threads while a pack or unpack runs; shared by all packs.
std::atomic<int> packProgress{0};
std::atomic<int> unpackProgress{0};

bool Empty(const char* s) {
    return s == nullptr || *s == '\0';
}

// Windows takes "/" for a separator too: no folder part may reach the entry name.
std::string BareName(const char* path) {
    const std::string p(path);
    const std::size_t cut = p.find_last_of("\\/");
    return cut == std::string::npos ? p : p.substr(cut + 1);
}

// A name below a folder, with the separator the folder uses (POSIX hosts may
// name native folders, which keep their slashes).
std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    const bool slashes = folder.find('\\') == std::string::npos && folder.find('/') != std::string::npos;
    return folder + (slashes ? "/" : "\\") + name;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] == '/' ? '\\' : a[i], y = b[i] == '/' ? '\\' : b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The entry name as a path below the destination, in the local code page
// with backslashes.
std::string LocalName(const plat::ZipEntryName& entry) {
    std::string name = entry.utf8 ? plat::Utf8ToLocal(entry.name.data(), entry.name.size()) : entry.name;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

// Makes the folders between the destination and the entry's file; a name
// ending in a backslash is a folder entry and is made itself.
bool MakeEntryFolders(const std::string& destination, const std::string& name) {
    for (std::size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1)) {
        const std::string folder = Joined(destination, name.substr(0, at));
        if (!plat::DirectoryExists(folder.c_str())) plat::CreateDirectory(folder.c_str());
        if (!plat::DirectoryExists(folder.c_str())) return false;
    }
    return true;
}

bool ExtractEntry(plat::ZipReader& zip, int index, const std::string& destination) {
    plat::ZipEntryName entry;
    if (!zip.Name(index, entry)) return false;
    const std::string name = LocalName(entry);
    // Extracting such an entry would write outside the folder the caller named.
    if (!EntryStaysInside(name)) return false;
    if (!MakeEntryFolders(destination, name)) return false;
    if (name.back() == '\\') return true;
    return zip.Extract(index, Joined(destination, name).c_str());
}

} // namespace

bool EntryStaysInside(const std::string& name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find_first_of(std::string(":\0", 2)) != std::string::npos)
        return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

int PackProgress() {
    return packProgress.load(std::memory_order_relaxed);
}
int UnpackProgress() {
    return unpackProgress.load(std::memory_order_relaxed);
}

int PackFile(const plat::ZipBackend& zip, const char* source, const char* archive) {
    // An archive over its own source would empty the source before it is read.
    if (Empty(source) || Empty(archive) || !plat::FileExists(source) || SamePath(source, archive)) return 0;
    auto writer = zip.create(archive);
    if (!writer) return 0;
    const bool added = writer->Add(BareName(source), source);
    const bool closed = writer->Close();
    return added && closed ? 1 : 0;
}

int PackFolder(const plat::ZipBackend& zip, const char* folder, const char* archive) {
    packProgress = 0;
    std::vector<plat::FolderEntry> listing;
    if (Empty(folder) || Empty(archive) || !plat::ListFolder(folder, listing)) return 0;
    // One listing serves for the count and the packing, so that the counter
    // ends at 100; an earlier archive of the same name in the folder is
    // replaced, not packed into itself.
    std::vector<std::string> files;
    for (const plat::FolderEntry& e : listing)
        if (!e.directory && !SamePath(Joined(folder, e.name), archive)) files.push_back(e.name);
    auto writer = zip.create(archive);
    if (!writer) return 0;
    std::size_t done = 0;
    for (const std::string& name : files) {
        ++done;
        packProgress = static_cast<int>(done * 100 / files.size());
        if (!writer->Add(name, Joined(folder, name).c_str())) {
            writer->Close();
            return -2;
        }
    }
    return writer->Close() ? 1 : -2;
}

int Unpack(const plat::ZipBackend& zip, const char* archive, const char* destination) {
    unpackProgress = 0;
    if (Empty(archive) || Empty(destination)) return 0;
    if (!plat::DirectoryExists(destination)) WalkPath(destination, WALK_CREATE);
    auto reader = zip.open(archive);
    if (!reader) return -9;
    const int count = reader->Count();
    const std::string dest(destination);
    const bool lastComponent = dest.back() != '\\' && dest.back() != '/';
    if (count > 1 && lastComponent && WalkPath(destination, WALK_CHECK) != WALK_OK) return -2;
    if (count <= 1) return count == 0 || ExtractEntry(*reader, 0, dest) ? 1 : 0;
    int result = 1;
    for (int i = 0; i < count; ++i) {
        unpackProgress = static_cast<int>((static_cast<long long>(i) + 1) * 100 / count);
        if (!ExtractEntry(*reader, i, dest)) result = 0;
    }
    return result;
}

} // namespace dorlix

extern "C" {

DORLIX_API int DORLIX_CALL CompressFile(const char* source, const char* archive) {
    return dorlix::Guarded(0, [&] { return dorlix::PackFile(plat::SystemZip(), source, archive); });
}

DORLIX_API int DORLIX_CALL CompressFileEx(const char* folder, const char* archive) {
    return dorlix::Guarded(0, [&] { return dorlix::PackFolder(plat::SystemZip(), folder, archive); });
}

DORLIX_API int DORLIX_CALL GetCompressFileExCnt(void) {
    return dorlix::Guarded(0, [] { return dorlix::PackProgress(); });
}

DORLIX_API int DORLIX_CALL UnCompressFile(const char* archive, const char* destination) {
    return dorlix::Guarded(0, [&] { return dorlix::Unpack(plat::SystemZip(), archive, destination); });
}

DORLIX_API int DORLIX_CALL GetUnCompressFileExCnt(void) {
    return dorlix::Guarded(0, [] { return dorlix::UnpackProgress(); });
}

} // extern "C"
