// Profile (INI) files with the behaviour of the Windows profile calls.
//
// Section and key names compare without regard to ASCII case and are trimmed;
// values are trimmed and lose one pair of surrounding quotes when read as a
// single string. Lines starting with ';' are comments. Text after '=' is the
// value as written: there are no comments at the end of a line.
//
// Host programs read the same files again and again (identifier tables of ten
// thousand keys, the language file), so a parsed file is kept per native path
// and reused while its inode, size and modification time stay the same. File
// times are only as fine as the kernel's clock tick, so an entry parsed within
// a short margin of the file's last change is not trusted on its own: such a
// file is read again and compared until the margin has passed.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posixutil.h"

namespace plat {
namespace {

constexpr int64_t kSettleNs = 50'000'000; // well above any kernel clock tick
constexpr size_t kMaxCachedFiles = 64;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    return r;
}

enum class Kind { Other, Section, Entry };
struct LineInfo {
    Kind kind = Kind::Other;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // value, trimmed
    bool hasValue = false;  // the line had a '='
};

LineInfo Classify(std::string_view line) {
    LineInfo info;
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') return info;
    if (t.front() == '[') {
        size_t close = t.rfind(']');
        if (close == std::string_view::npos) return info; // broken header: passed over
        info.kind = Kind::Section;
        info.name = Trim(t.substr(1, close - 1));
        return info;
    }
    info.kind = Kind::Entry;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        info.name = t;
    } else {
        info.name = Trim(t.substr(0, eq));
        info.value = Trim(t.substr(eq + 1));
        info.hasValue = true;
    }
    return info;
}

struct Entry {
    std::string key, value;
    bool hasValue;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> keys; // lower-case key -> first entry
};
struct Parsed {
    std::vector<Section> sections;
    std::unordered_map<std::string, size_t> index; // lower-case name -> section
};

// Lines without their terminators; each keeps the terminator it had.
struct Line {
    std::string_view text, eol;
};
std::vector<Line> SplitLines(std::string_view raw) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < raw.size()) {
        size_t nl = raw.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back({raw.substr(pos), std::string_view()});
            break;
        }
        size_t end = (nl > pos && raw[nl - 1] == '\r') ? nl - 1 : nl;
        lines.push_back({raw.substr(pos, end - pos), raw.substr(end, nl + 1 - end)});
        pos = nl + 1;
    }
    return lines;
}

std::shared_ptr<const Parsed> Parse(std::string_view raw) {
    auto p = std::make_shared<Parsed>();
    Section* current = nullptr; // lines before the first section belong to none
    for (const Line& line : SplitLines(raw)) {
        LineInfo info = Classify(line.text);
        if (info.kind == Kind::Section) {
            // A section that appears twice is one section: its keys add up.
            auto [it, added] = p->index.emplace(Lower(info.name), p->sections.size());
            if (added) p->sections.push_back(Section{std::string(info.name), {}, {}});
            current = &p->sections[it->second];
        } else if (info.kind == Kind::Entry && current) {
            current->keys.emplace(Lower(info.name), current->entries.size());
            current->entries.push_back(Entry{std::string(info.name), std::string(info.value), info.hasValue});
        }
    }
    return p;
}

bool ReadWhole(const std::string& path, std::string& out) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out.clear();
    char buf[65536];
    for (;;) {
        ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            close(fd);
            return r == 0;
        }
        out.append(buf, static_cast<size_t>(r));
    }
}

int64_t Ns(const struct timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

int64_t NowNs() {
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return Ns(t);
}

struct CacheEntry {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtime = 0;
    bool settled = false;
    std::string raw;
    std::shared_ptr<const Parsed> parsed;
};

std::mutex& CacheLock() {
    static std::mutex m;
    return m;
}
std::unordered_map<std::string, CacheEntry>& Cache() {
    static std::unordered_map<std::string, CacheEntry> c;
    return c;
}

// The parsed file at native (whose status st was just taken, exists false when
// it has none), or null when it cannot be read. Caller holds CacheLock.
std::shared_ptr<const Parsed> Load(const std::string& native, const struct stat& st, bool exists) {
    auto& cache = Cache();
    if (native.empty() || !exists || !S_ISREG(st.st_mode)) {
        cache.erase(native);
        return nullptr;
    }
    int64_t before = NowNs();
    auto it = cache.find(native);
    if (it != cache.end()) {
        CacheEntry& e = it->second;
        bool same =
            e.dev == st.st_dev && e.ino == st.st_ino && e.size == st.st_size && e.mtime == Ns(st.st_mtim);
        if (same && e.settled) return e.parsed;
        if (same) {
            std::string raw;
            if (!ReadWhole(native, raw)) return nullptr;
            if (raw == e.raw) {
                e.settled = before - e.mtime > kSettleNs;
                return e.parsed;
            }
        }
    }
    if (it == cache.end() && cache.size() >= kMaxCachedFiles) cache.clear();
    CacheEntry e;
    if (!ReadWhole(native, e.raw)) return nullptr;
    e.dev = st.st_dev;
    e.ino = st.st_ino;
    e.size = st.st_size;
    e.mtime = Ns(st.st_mtim);
    e.settled = before - e.mtime > kSettleNs;
    e.parsed = Parse(e.raw);
    auto parsed = e.parsed;
    cache[native] = std::move(e);
    return parsed;
}

std::shared_ptr<const Parsed> LoadFile(const char* file) {
    if (!file || !*file) return nullptr;
    struct stat st;
    bool exists;
    std::string native = MapPathStat(file, st, exists);
    std::lock_guard<std::mutex> guard(CacheLock());
    return Load(native, st, exists);
}

const Section* FindSection(const Parsed* p, const char* section) {
    if (!p) return nullptr;
    auto it = p->index.find(Lower(Trim(section)));
    return it == p->index.end() ? nullptr : &p->sections[it->second];
}

// A single text: cut to size - 1 characters when it does not fit.
uint32_t CopyText(std::string_view text, char* out, uint32_t size) {
    size_t n = text.size() < size ? text.size() : size - 1;
    if (n > 0) std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<uint32_t>(n);
}

// A list of NUL-terminated items ending in a second NUL; when it does not fit
// the last item is cut, two NULs end the buffer and the result is size - 2.
uint32_t CopyList(const std::string& items, char* out, uint32_t size) {
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    if (items.size() + 1 <= size) {
        std::memcpy(out, items.data(), items.size());
        out[items.size()] = '\0';
        if (items.empty()) out[1] = '\0';
        return static_cast<uint32_t>(items.size());
    }
    std::memcpy(out, items.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

std::string_view WithoutQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* def, char* out,
                                 uint32_t size, const char* file) {
    if (!out || size == 0) return 0;
    auto parsed = LoadFile(file);
    if (!section) {
        std::string items;
        if (parsed) {
            for (const Section& s : parsed->sections)
                items.append(s.name).push_back('\0');
        }
        return CopyList(items, out, size);
    }
    const Section* s = FindSection(parsed.get(), section);
    if (!key) {
        std::string items;
        if (s) {
            for (const Entry& e : s->entries)
                items.append(e.key).push_back('\0');
        }
        return CopyList(items, out, size);
    }
    if (s) {
        auto it = s->keys.find(Lower(Trim(key)));
        if (it != s->keys.end()) return CopyText(WithoutQuotes(s->entries[it->second].value), out, size);
    }
    // The default loses its trailing blanks, as the Windows call does.
    std::string_view d = def ? std::string_view(def) : std::string_view();
    while (!d.empty() && IsBlank(d.back()))
        d.remove_suffix(1);
    return CopyText(d, out, size);
}

uint32_t GetPrivateProfileInt(const char* section, const char* key, int def, const char* file) {
    if (!section || !key) return static_cast<uint32_t>(def);
    char buf[256];
    if (GetPrivateProfileString(section, key, "", buf, sizeof buf, file) == 0)
        return static_cast<uint32_t>(def);
    const char* p = buf;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    return negative ? 0u - value : value;
}

uint32_t GetPrivateProfileSection(const char* section, char* out, uint32_t size, const char* file) {
    if (!out || size == 0) return 0;
    std::string items;
    if (section) {
        auto parsed = LoadFile(file);
        if (const Section* s = FindSection(parsed.get(), section)) {
            for (const Entry& e : s->entries) {
                items.append(e.key);
                if (e.hasValue) items.append("=").append(e.value);
                items.push_back('\0');
            }
        }
    }
    return CopyList(items, out, size);
}

int WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    if (!file || !*file) return 0;
    if (!section) return (!key && !value) ? 1 : 0; // the Windows "flush" call: nothing is buffered here
    std::string native = MapPath(file);
    std::lock_guard<std::mutex> guard(CacheLock());
    Cache().erase(native);

    struct stat st;
    bool exists = stat(native.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || ModeReadOnly(st.st_mode))) return 0;
    bool removing = !key || !value;
    if (!exists && removing) return 1;
    std::string raw;
    if (exists && !ReadWhole(native, raw)) return 0;

    std::vector<Line> lines = SplitLines(raw);
    std::string eol = "\r\n";
    for (const Line& l : lines) {
        if (!l.eol.empty()) {
            eol = std::string(l.eol);
            break;
        }
    }
    std::string wantSection = Lower(Trim(section));
    std::string wantKey = key ? Lower(Trim(key)) : std::string();

    // Rewritten line by line; replacement texts live in 'added' so that the
    // views of 'out' stay valid.
    std::vector<Line> out;
    std::vector<std::unique_ptr<std::string>> added;
    auto own = [&added](std::string s) -> std::string_view {
        added.push_back(std::make_unique<std::string>(std::move(s)));
        return *added.back();
    };
    std::string newEntry = key && value ? std::string(Trim(key)) + "=" + value : std::string();
    bool inSection = false, inFirst = false, done = false;
    size_t insertAt = std::string::npos; // after the last non-blank line of the first matching section
    for (const Line& line : lines) {
        LineInfo info = Classify(line.text);
        if (info.kind == Kind::Section) {
            inSection = Lower(info.name) == wantSection;
            if (inSection && !key) continue; // section removed with its lines
            inFirst = inSection && insertAt == std::string::npos;
            if (inFirst) insertAt = out.size() + 1;
            out.push_back(line);
            continue;
        }
        if (inSection) {
            if (!key) continue;
            if (info.kind == Kind::Entry && Lower(info.name) == wantKey) {
                if (!value) continue;
                if (!done) {
                    out.push_back({own(std::string(info.name) + "=" + value), line.eol});
                    done = true;
                    continue;
                }
            }
            if (inFirst && !Trim(line.text).empty()) insertAt = out.size() + 1;
        }
        out.push_back(line);
    }
    if (!removing && !done) {
        if (insertAt != std::string::npos) {
            if (insertAt > 0 && out[insertAt - 1].eol.empty()) out[insertAt - 1].eol = eol;
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{own(newEntry), eol});
        } else {
            if (!out.empty() && out.back().eol.empty()) out.back().eol = eol;
            out.push_back({own("[" + std::string(Trim(section)) + "]"), eol});
            out.push_back({own(newEntry), eol});
        }
    }

    std::string text;
    text.reserve(raw.size() + newEntry.size() + 64);
    for (const Line& l : out)
        text.append(l.text).append(l.eol);
    // Written in place: the file keeps its inode and permissions.
    int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return 0;
    const char* data = text.data();
    size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        ssize_t w = write(fd, data, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            ok = false;
            break;
        }
        data += w;
        left -= static_cast<size_t>(w);
    }
    if (close(fd) != 0) ok = false;
    return ok ? 1 : 0;
}

} // namespace plat
