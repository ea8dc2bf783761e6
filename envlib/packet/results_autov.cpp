// Display form of a measured value with an engineering prefix (p n u m - K M G),
// fitted into the number of characters a display field offers.
#include "core/export.h"

#include <dorlix.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kPrefix[] = {"p", "n", "u", "m", "", "K", "M", "G"};
constexpr int kNoPrefix = 4;

std::string Format(const char* format, int precision, double v) {
    int n = snprintf(nullptr, 0, format, precision, v);
    if (n <= 0) return {};
    std::string s(static_cast<size_t>(n) + 1, '\0');
    snprintf(s.data(), s.size(), format, precision, v);
    s.resize(static_cast<size_t>(n));
    return s;
}

std::string Significant(double v, int digits) {
    return Format("%.*g", digits, v);
}

std::string Fixed(double v, int decimals) {
    return Format("%.*f", decimals, v);
}

} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL AutoV_UStr(char* out, float value, const char* unit, int width, int decimals) {
    return dorlix::Guarded(1, [&] {
        if (!out) return 1;
        const std::string u = unit ? unit : "";
        auto put = [&](const std::string& text) { memcpy(out, text.c_str(), text.size() + 1); };

        if (std::fabs(value) < 1e-12f) {
            put((decimals < 0 ? std::string("0") : Fixed(0.0, decimals)) + u);
            return 0;
        }
        int available = width - static_cast<int>(u.size());
        if (available < 4) return 1;
        const std::string sign(value < 0 ? 1 : 0, '-');
        if (value < 0) --available;
        double v = std::fabs(static_cast<double>(value));
        int index = kNoPrefix;
        bool scaled = false;
        std::string number;
        if (v < 0.1) {
            scaled = true;
            --available;
            do {
                v *= 1000;
                --index;
            } while (v <= 0.999 && index > 0);
            if (index == 0 && v <= 0.999) {
                put(sign + "0" + kPrefix[0] + u);
                return 0;
            }
        } else if (v > 999) {
            scaled = true;
            --available;
            do {
                v /= 1000;
                ++index;
            } while (v >= 1000 && index < 7);
            if (index == 7 && v > 1000) v = std::pow(10.0, available) - 1;
        }
        if (scaled) {
            if (v > std::pow(10.0, available) - 1) {
                *out = 0;
                return 1;
            }
            number = Significant(v, available);
        } else {
            number = Significant(v, v < 1 ? 4 : available);
        }
        if (static_cast<int>(number.size()) > available) number = Significant(v, available - 1);
        if (number.size() > 6) number = Significant(v, 5);
        if (!number.empty() && number.back() == '.') number.pop_back();
        if (decimals >= 0) {
            int d = scaled ? decimals - std::abs(index - kNoPrefix) : decimals;
            number = Fixed(v, d < 0 ? 0 : d);
        }
        put(sign + number + (scaled ? kPrefix[index] : "") + u);
        return 0;
    });
}

} // extern "C"
