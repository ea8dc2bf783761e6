// Profile (INI) files with the behaviour of the Windows profile calls, as
// the Win32 functions show it (their answers, run under Wine, are the judge).
//
// Reading:
// - Lines end at LF or CR. Blanks (space, tab, the other C white space and
//   Ctrl-Z) around a line, a name and a value do not count.
// - "[name]" starts a section, the name running to the last "]" of the line.
//   Lines before the first header belong to a section without a name.
// - Any other line is an entry: the name before its first "=", the value
//   after it; a line without "=" has a name and no value. Lines starting with
//   ";" are entries too: a lookup of that very name finds them, the key
//   lists leave them out.
// - Names compare without regard to ASCII case. A value lookup trims the
//   section and key names it is given; the lists (keys of a section, its
//   lines) compare the section name as given. Of two sections or keys of the
//   same name, only the first counts.
// - A value loses one pair of surrounding quotes (" or ').
// - Lists are NUL-separated. A whole list ends in a second NUL; a cut one,
//   or an empty one, in a single NUL (the line list of a section always in
//   two). The keys of an empty or absent section are the default text.
//
// Writing edits the file in place: untouched lines stay as they were written.
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

// The white space of the profile calls.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    return r;
}

enum class Kind { Blank, Section, Entry };
struct LineInfo {
    Kind kind = Kind::Blank;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // value, trimmed
    bool hasValue = false;  // the line had a '='
};

LineInfo Classify(std::string_view line) {
    LineInfo info;
    std::string_view t = Trim(line);
    if (t.empty()) return info;
    if (t.front() == '[') {
        size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            info.kind = Kind::Section;
            info.name = Trim(t.substr(1, close - 1));
            return info;
        }
        // A header without its "]" is an entry line.
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

bool IsComment(const std::string& name) {
    return !name.empty() && name.front() == ';';
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
    std::vector<Section> sections;                 // [0]: the lines before the first header
    std::unordered_map<std::string, size_t> index; // lower-case name -> first section of that name
};

// Lines without their terminators (LF, CR LF or CR); each keeps the one it had.
struct Line {
    std::string_view text, eol;
};
std::vector<Line> SplitLines(std::string_view raw) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < raw.size()) {
        // Lines end at LF; a CR alone ends one too (rare, so looked for
        // inside the line found rather than character by character).
        size_t nl = raw.find('\n', pos);
        size_t end = nl == std::string_view::npos ? raw.size() : nl;
        const void* cr = std::memchr(raw.data() + pos, '\r', end - pos);
        if (cr) {
            size_t at = static_cast<size_t>(static_cast<const char*>(cr) - raw.data());
            if (at + 1 < end || nl == std::string_view::npos) {
                lines.push_back({raw.substr(pos, at - pos), raw.substr(at, 1)});
                pos = at + 1;
                continue;
            }
            end = at; // CR LF
        }
        size_t next = nl == std::string_view::npos ? raw.size() : nl + 1;
        lines.push_back({raw.substr(pos, end - pos), raw.substr(end, next - end)});
        pos = next;
    }
    return lines;
}

std::shared_ptr<const Parsed> Parse(std::string_view raw) {
    auto p = std::make_shared<Parsed>();
    p->sections.push_back(Section{});
    p->index.emplace("", 0);
    for (const Line& line : SplitLines(raw)) {
        LineInfo info = Classify(line.text);
        if (info.kind == Kind::Section) {
            p->index.emplace(Lower(info.name), p->sections.size());
            p->sections.push_back(Section{std::string(info.name), {}, {}});
        } else if (info.kind == Kind::Entry) {
            Section& current = p->sections.back();
            current.keys.emplace(Lower(info.name), current.entries.size());
            current.entries.push_back(Entry{std::string(info.name), std::string(info.value), info.hasValue});
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

// The section a value lookup reads: the name trimmed, the first of that name.
const Section* ValueSection(const Parsed* p, const char* section) {
    if (!p) return nullptr;
    auto it = p->index.find(Lower(Trim(section)));
    return it == p->index.end() ? nullptr : &p->sections[it->second];
}

// The section a list reads: the name as given, never the nameless one.
const Section* ListSection(const Parsed* p, const char* section) {
    if (!p || !*section) return nullptr;
    auto it = p->index.find(Lower(section));
    return it == p->index.end() || it->second == 0 ? nullptr : &p->sections[it->second];
}

// A value into out (size > 0): one pair of surrounding quotes removed, cut to
// size - 1 characters. Returns the characters written before the NUL.
uint32_t CopyValue(std::string_view v, char* out, uint32_t size) {
    bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    if (quoted) v.remove_prefix(1); // the closing quote goes only if all of it fits
    size_t n = v.size() < size ? v.size() : size - 1;
    if (quoted && n == v.size()) --n;
    if (n > 0) std::memcpy(out, v.data(), n);
    out[n] = '\0';
    return static_cast<uint32_t>(n);
}

// The list of the given items, as the string call hands it out: the items
// NUL-separated with a second NUL at the end; when they do not all fit (the
// list must leave two characters spare), the text is cut at size - 2
// characters and ends in a single NUL, and the result is size - 2.
struct ListText {
    std::string text; // the items, each with its NUL
    bool cut = false;
};
ListText BuildKeyList(const std::vector<std::string>& items, uint32_t size) {
    ListText list;
    int64_t left = size;
    for (const std::string& item : items) {
        if (left <= 2) break;
        size_t n = item.size() < static_cast<size_t>(left - 2) ? item.size() : static_cast<size_t>(left - 2);
        list.text.append(item, 0, n).push_back('\0');
        left -= static_cast<int64_t>(n) + 1;
        if (left < 2) break;
    }
    list.cut = left <= 1;
    return list;
}

// The section names: here a name is cut as soon as it and its NUL no longer
// leave a character spare.
ListText BuildNameList(const std::vector<std::string>& names, uint32_t size) {
    ListText list;
    int64_t left = static_cast<int64_t>(size) - 1;
    for (const std::string& name : names) {
        if (static_cast<int64_t>(name.size()) + 1 >= left) {
            if (left > 0) list.text.append(name, 0, static_cast<size_t>(left - 1)).push_back('\0');
            list.cut = true;
            return list;
        }
        list.text.append(name).push_back('\0');
        left -= static_cast<int64_t>(name.size()) + 1;
    }
    return list;
}

uint32_t PutList(const ListText& list, char* out, uint32_t size) {
    uint32_t n = list.cut ? size - 2 : static_cast<uint32_t>(list.text.size());
    if (n > 0) std::memcpy(out, list.text.data(), n);
    out[n] = '\0';
    return n;
}

std::string_view DefaultText(const char* def) {
    // The default loses its trailing spaces, as with the Windows call.
    std::string_view d = def ? std::string_view(def) : std::string_view();
    while (!d.empty() && d.back() == ' ')
        d.remove_suffix(1);
    return d;
}

} // namespace

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* def, char* out,
                                 uint32_t size, const char* file) {
    if (!out || size == 0) return 0;
    auto parsed = LoadFile(file);
    if (!section) {
        std::vector<std::string> names;
        if (parsed) {
            for (size_t i = 1; i < parsed->sections.size(); ++i) {
                if (!parsed->sections[i].name.empty()) names.push_back(parsed->sections[i].name);
            }
        }
        if (size == 1) {
            out[0] = '\0';
            return 0;
        }
        return PutList(BuildNameList(names, size), out, size);
    }
    if (!key) {
        std::vector<std::string> keys;
        if (const Section* s = ListSection(parsed.get(), section)) {
            for (const Entry& e : s->entries) {
                if (e.hasValue && !IsComment(e.key)) keys.push_back(e.key);
            }
        }
        ListText list = BuildKeyList(keys, size);
        if (list.text.empty() || list.text[0] == '\0') return CopyValue(DefaultText(def), out, size);
        return PutList(list, out, size);
    }
    if (const Section* s = ValueSection(parsed.get(), section)) {
        auto it = s->keys.find(Lower(Trim(key)));
        if (it != s->keys.end() && s->entries[it->second].hasValue)
            return CopyValue(s->entries[it->second].value, out, size);
    }
    return CopyValue(DefaultText(def), out, size);
}

// The value's number as the Windows call reads it: leading blanks, a sign,
// then decimal digits or, after "0x", "0o" or "0b", hexadecimal, octal or
// binary ones, up to the first other character, wrapping at 32 bits. An
// empty value (or none) gives the default.
uint32_t GetPrivateProfileInt(const char* section, const char* key, int def, const char* file) {
    char buf[30];
    if (GetPrivateProfileString(section, key, "", buf, sizeof buf, file) == 0 || buf[0] == '\0')
        return static_cast<uint32_t>(def);
    const char* p = buf;
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    bool negative = false;
    while (*p == '+' || *p == '-') {
        if (*p == '-') negative = !negative;
        ++p;
    }
    uint32_t base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'o' || p[1] == 'b')) {
        base = p[1] == 'x' ? 16 : p[1] == 'o' ? 8 : 2;
        p += 2;
    }
    uint32_t value = 0;
    for (;; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        uint32_t digit = c >= '0' && c <= '9'   ? c - '0'
                         : c >= 'a' && c <= 'z' ? c - 'a' + 10
                         : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                                : 99;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

uint32_t GetPrivateProfileSection(const char* section, char* out, uint32_t size, const char* file) {
    if (!out || size == 0) return 0;
    // The lines of the section, each "key=value" or just the name; comment
    // lines left out.
    ListText list;
    int64_t left = size;
    auto parsed = section ? LoadFile(file) : nullptr;
    if (const Section* s = section ? ListSection(parsed.get(), section) : nullptr) {
        for (const Entry& e : s->entries) {
            if (IsComment(e.key)) continue;
            if (left <= 2) break;
            size_t n = std::min(e.key.size(), static_cast<size_t>(left - 2));
            list.text.append(e.key, 0, n).push_back('\0');
            left -= static_cast<int64_t>(n) + 1;
            if (left < 2) break;
            if (e.hasValue) {
                list.text.back() = '=';
                size_t v = std::min(e.value.size(), static_cast<size_t>(left - 2));
                list.text.append(e.value, 0, v).push_back('\0');
                left -= static_cast<int64_t>(v) + 1;
            }
        }
    }
    list.cut = left <= 1;
    // Always two NULs at the end, inside the buffer.
    std::string bytes = list.text + '\0';
    if (bytes.size() < 2) bytes.push_back('\0');
    std::memcpy(out, bytes.data(), std::min<size_t>(bytes.size(), size));
    return list.cut ? size - 2 : static_cast<uint32_t>(list.text.size());
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
            // Keys live in the first section of the name: the only one read.
            if (inFirst && info.kind == Kind::Entry && Lower(info.name) == wantKey) {
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
