// dorlix packet: show and build standard packet files for testing station
// programs. A packet file holds the packet's bytes up to its length; records
// are read and written only through the library's packet exports.
#include "command.h"
#include "terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>


#include "dorlix.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr size_t HEAD = 21;
constexpr size_t LARGEST = 260000; // process-data packets; every other kind fits in this

unsigned U16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
unsigned long U32(const unsigned char* p) {
    return (unsigned long)p[0] | ((unsigned long)p[1] << 8) | ((unsigned long)p[2] << 16) |
           ((unsigned long)p[3] << 24);
}
float F32(const unsigned char* p) {
    uint32_t v = uint32_t(U32(p));
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

// Station texts in the terminal; a byte that does not convert is shown
// escaped rather than lost.
std::string Shown(const unsigned char* field, size_t size) {
    size_t n = strnlen(reinterpret_cast<const char*>(field), size);
    return dorlixtool::ToTerminal(std::string(reinterpret_cast<const char*>(field), n), true);
}
std::string Gb(const std::string& text) {
    std::string gb;
    return dorlixtool::FromTerminal(text, gb) ? gb : text;
}

const char* KindName(int kind) {
    switch (kind) {
    case 1:
        return "results, short form";
    case 2:
        return "results, long form";
    case 3:
        return "results, framed form";
    case 4:
        return "process data";
    case 40:
        return "information";
    case 80:
        return "standard limits";
    case 99:
        return "test items";
    case 100:
        return "test items with check number and judgement";
    default:
        return "unknown";
    }
}

// Buffer size the library assumes for a kind.
size_t BufferFor(int kind) {
    return kind == 4 ? 260000 : (kind == 99 || kind == 100) ? 20000 : 150000;
}

// Reads a packet file into a zeroed buffer of its kind's size (kind from the
// file, or fallbackKind for a missing or empty file).
bool Load(const std::string& path, int fallbackKind, Bytes& buf, bool mustExist) {
    std::ifstream in(path, std::ios::binary);
    Bytes file;
    if (in)
        file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    else if (mustExist) {
        fprintf(stderr, "dorlix packet: cannot read %s\n", path.c_str());
        return false;
    }
    const int kind = file.size() > 14 ? file[14] : fallbackKind;
    buf.assign(std::max(BufferFor(kind), BufferFor(fallbackKind)), 0);
    std::memcpy(buf.data(), file.data(), std::min(file.size(), buf.size()));
    return true;
}

bool Save(const std::string& path, const Bytes& buf) {
    size_t length = U32(buf.data() + 8);
    if (length < HEAD) length = HEAD;
    if (length > buf.size()) length = buf.size();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(buf.data()), std::streamsize(length));
    if (!out) {
        fprintf(stderr, "dorlix packet: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool Number(const std::string& s, long& v) {
    char* end = nullptr;
    errno = 0;
    v = strtol(s.c_str(), &end, 0);
    return !s.empty() && *end == 0 && errno == 0;
}

int Dump(const std::string& path) {
    Bytes buf;
    if (!Load(path, 0, buf, true)) return 1;
    unsigned char head[HEAD];
    const int r = ParseStdHead(buf.data(), head);
    const unsigned char* h = buf.data();
    printf("sync %02X %02X  flags %u %u %u %u  length %lu  count %u  kind %u (%s)\n", h[0], h[1], h[2], h[3],
           h[4], h[5], U32(h + 8), U16(h + 12), h[14], KindName(h[14]));
    if (r == -1) {
        printf("not a packet\n");
        return 1;
    }
    if (r == -3) printf("count above 2000; showing what the readers accept\n");
    const int kind = h[14];
    const unsigned count = U16(h + 12);
    Bytes out(10028);
    for (unsigned i = 0; i < count; ++i) {
        const int idx = int(i);
        int got = 0;
        switch (kind) {
        case 40:
            if ((got = ParseStdHead_Info_Idx(buf.data(), idx, out.data())) == 1)
                printf("%u: id %u  text \"%s\"\n", i, U16(&out[0]), Shown(&out[2], 50).c_str());
            break;
        case 99:
            if ((got = ParseStdHead_Item_Idx(buf.data(), idx, out.data())) == 1)
                printf("%u: item %u\n", i, U16(&out[0]));
            break;
        case 100:
            if ((got = ParseStdHead_Item_New_Idx(buf.data(), idx, out.data())) == 1)
                printf("%u: item %u  check %d  judge 0x%02X\n", i, U16(&out[0]), int(int16_t(U16(&out[2]))),
                       out[4]);
            break;
        case 80:
            if ((got = ParseStdHead_Std_Idx(buf.data(), idx, out.data())) == 1)
                printf("%u: id %u  first %g  second %g\n", i, U16(&out[0]), double(F32(&out[2])),
                       double(F32(&out[6])));
            break;
        case 4:
            if ((got = ParseStdHead_ProDat_Idx(buf.data(), idx, out.data())) == 1) {
                long points = long(int32_t(U32(&out[4])));
                printf("%u: id %lu  name \"%s\"  points %ld:", i, U32(&out[0]),
                       Shown(&out[10008], 20).c_str(), points);
                for (long k = 0; k < points && k < 500; ++k)
                    printf(" %s", Shown(&out[8 + 20 * k], 20).c_str());
                printf("\n");
            }
            break;
        case 1:
        case 2:
        case 3: {
            int form = 0;
            if ((got = ParseStdHead_Result_Idx(buf.data(), idx, out.data(), &form)) > 0) {
                const bool shortForm = form == 1;
                printf("%u: id %u  form %d  judge 0x%02X  text \"%s\"\n", i, U16(&out[0]), form,
                       out[shortForm ? 12 : 102], Shown(&out[2], shortForm ? 10 : 100).c_str());
            }
            break;
        }
        default:
            printf("%u: record of unknown kind\n", i);
            got = 1;
        }
        if (got != 1 && !(kind >= 1 && kind <= 3 && got > 0)) printf("%u: unreadable (%d)\n", i, got);
    }
    return 0;
}

int New(const std::vector<std::string>& a) {
    long kind = 0;
    if (a.size() != 3 || !Number(a[1], kind) || kind < 0 || kind > 255) {
        fprintf(stderr, "usage: dorlix packet new <kind> <file>\n");
        return 2;
    }
    Bytes buf(BufferFor(int(kind)), 0);
    unsigned char head[HEAD] = {0, 0, 1, 1, 1};
    head[14] = (unsigned char)kind;
    WriteStdHead(buf.data(), head);
    return Save(a[2], buf) ? 0 : 1;
}

const char* Meaning(int r) {
    switch (r) {
    case 2:
        return "appended";
    case 1:
        return "done";
    case 0:
        return "null argument";
    case -1:
        return "not a packet, full, or not a result packet";
    case -2:
        return "not a valid packet";
    case -3:
        return "packet full";
    case -4:
        return "missing text";
    case -5:
        return "item identifier outside 200..499";
    case -6:
        return "bad point count or form";
    case -7:
        return "no memory";
    default:
        return "failed";
    }
}

// put <file> <what> <args...> and remove <file> <what> <id>
int Put(const std::vector<std::string>& a, bool remove) {
    const char* usage =
        remove ? "usage: dorlix packet remove <file> item|itemnew|result <id>\n"
               : "usage: dorlix packet put <file> info <id> <text> | item <id> | itemnew <id> <check> "
                 "<judge> | std <id> <first> <second> | prodat <id|name=NAME> <x,y>... | result <id> "
                 "<text> <judge> [form]\n";
    if (a.size() < 4) {
        fprintf(stderr, "%s", usage);
        return 2;
    }
    const std::string& file = a[1];
    const std::string& what = a[2];
    std::vector<long> n;
    auto numbers = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            long v;
            if (i >= a.size() || !Number(a[i], v)) return false;
            n.push_back(v);
        }
        return true;
    };
    const int kind = what == "info"      ? 40
                     : what == "item"    ? 99
                     : what == "itemnew" ? 100
                     : what == "std"     ? 80
                     : what == "prodat"  ? 4
                                         : 1;
    Bytes buf;
    if (!Load(file, kind, buf, remove || what == "result" || what == "prodat")) return 1;
    int r;
    if (remove) {
        if (!numbers(3, 4) || a.size() != 4) return fprintf(stderr, "%s", usage), 2;
        if (what == "item")
            r = RemoveStdHead_Item(buf.data(), int(n[0]));
        else if (what == "itemnew")
            r = RemoveStdHead_Item_New(buf.data(), int(n[0]));
        else if (what == "result")
            r = RemoveStdHead_Result(buf.data(), int(n[0]));
        else
            return fprintf(stderr, "%s", usage), 2;
    } else if (what == "info" && a.size() == 5 && numbers(3, 4)) {
        r = WriteStdHead_Info(buf.data(), int(n[0]), Gb(a[4]).c_str());
    } else if (what == "item" && a.size() == 4 && numbers(3, 4)) {
        r = WriteStdHead_Item(buf.data(), int(n[0]));
    } else if (what == "itemnew" && a.size() == 6 && numbers(3, 6)) {
        r = WriteStdHead_Item_New(buf.data(), int(n[0]), short(n[1]), (unsigned char)n[2]);
    } else if (what == "std" && a.size() == 6 && numbers(3, 4)) {
        r = WriteStdHead_Std(buf.data(), int(n[0]), strtof(a[4].c_str(), nullptr),
                             strtof(a[5].c_str(), nullptr));
    } else if (what == "prodat" && a.size() >= 5) {
        Bytes data(9964, 0);
        const size_t points = a.size() - 4;
        data[0] = (unsigned char)points;
        data[1] = (unsigned char)(points >> 8);
        for (size_t i = 0; i < points && i < 498; ++i)
            std::strncpy(reinterpret_cast<char*>(&data[4 + 20 * i]), a[4 + i].c_str(), 19);
        if (a[3].rfind("name=", 0) == 0)
            r = WriteStdHead_ProDatEx(buf.data(), Gb(a[3].substr(5)).c_str(), data.data());
        else if (numbers(3, 4))
            r = WriteStdHead_ProDat(buf.data(), int(n[0]), data.data());
        else
            return fprintf(stderr, "%s", usage), 2;
    } else if (what == "result" && (a.size() == 6 || a.size() == 7) && numbers(3, 4) &&
               numbers(5, a.size())) {
        // Without a form: the packet's own (long for kind 2, short otherwise).
        const int form = n.size() > 2 ? int(n[2]) : buf[14] == 2 ? 2 : 1;
        r = WriteStdHead_Result(buf.data(), int(n[0]), Gb(a[4]).c_str(), (unsigned char)n[1], form);
    } else {
        fprintf(stderr, "%s", usage);
        return 2;
    }
    printf("%d %s\n", r, Meaning(r));
    if (r <= 0) return 1;
    return Save(file, buf) ? 0 : 1;
}

int RunPacket(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
    if (!args.empty() && args[0] == "new") return New(args);
    if (!args.empty() && args[0] == "put") return Put(args, false);
    if (!args.empty() && args[0] == "remove") return Put(args, true);
    fprintf(stderr, "usage: dorlix packet dump <file> | new <kind> <file> | put <file> <record...> | "
                    "remove <file> <what> <id>\n");
    return 2;
}

const dorlixtool::Registration
    reg("packet",
        "packet dump <file> | new <kind> <file> | put <file> <record...> | remove <file> "
        "item|itemnew|result <id>",
        RunPacket);

} // namespace
