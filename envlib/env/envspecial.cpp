// Special-function settings: the text of item 169 and its structured form.
#include "core/export.h"
#include "dorlix.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Field n (from 0) of text cut at sep; false when the text has fewer fields.
bool Field(const std::string& text, int n, char sep, std::string& out) {
    size_t start = 0;
    for (int k = 0; k < n; ++k) {
        size_t pos = text.find(sep, start);
        if (pos == std::string::npos) {
            out.clear();
            return false;
        }
        start = pos + 1;
    }
    size_t end = text.find(sep, start);
    out = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return true;
}

// Leading decimal integer of a field, 0 when there is none.
int LeadingInt(const std::string& field) {
    long v = strtol(field.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

int IntField(const std::string& text, int n) {
    std::string f;
    Field(text, n, ',', f);
    return LeadingInt(f);
}

std::string TrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

constexpr int DATE_PARTS = 9;

} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL LoadSpecialFun(const char* text, SpecialFunSet* set) {
    return dorlix::Guarded(0, [&] {
        if (!text || !set) return 0;
        const std::string t(text);
        // Flag 4 is not read from the text: the caller's value stays.
        for (int i = 0; i < 12; ++i)
            if (i != 4) set->flags[i] = IntField(t, i);
        for (int i = 0; i < DATE_PARTS; ++i)
            set->dateOrder[i] = i;
        set->dateCount = 0;
        std::string order, part;
        Field(t, 12, ',', order);
        for (int k = 0; k < DATE_PARTS; ++k) {
            if (!Field(order, k, ':', part)) break;
            part = TrimBlanks(part);
            if (part.empty()) break;
            set->dateOrder[k] = LeadingInt(part);
            set->dateCount = k + 1;
        }
        for (int i = 0; i < 14; ++i)
            set->further[i] = IntField(t, 13 + i);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL MakeSpecialFun(SpecialFunSet* set, char* out, unsigned int size) {
    return dorlix::Guarded(0, [&] {
        if (!out) return 0;
        if (!set) return -1;
        snprintf(set->dateText, sizeof set->dateText, "%d:%d:%d", set->dateOrder[0], set->dateOrder[1],
                 set->dateOrder[2]);
        const int* f = set->flags;
        const int* x = set->further;
        char text[2048];
        int n =
            snprintf(text, sizeof text,
                     "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d", f[0],
                     f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], set->dateText, x[0],
                     x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8], x[9], x[10], x[11], x[12], x[13]);
        if (n < 0) return -2;
        size_t len = strlen(text);
        // The text and its terminator must both fit into the caller's size.
        if (len >= size) return -2;
        memcpy(out, text, len + 1);
        return 1;
    });
}

} // extern "C"
