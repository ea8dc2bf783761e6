// Date and time utilities: day numbers on the four-year calendar, spans
// between date texts, stepping back by days, time texts and file time stamps.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dorlix.h"
#include "core/export.h"
#include "platform/finddate.h"

namespace {

const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Every fourth year is a leap year: the calendar of the station programs.
int MonthLength(long long year, int month) {
    return month == 2 && year % 4 == 0 ? 29 : kMonthDays[month - 1];
}

// Day number of year-month-day; months outside 1..12 add no more than the 12 of the table.
long long AbsDays(long long year, int month, int day) {
    const long long y = year - 1;
    long long days = (y / 4) * 1461 + (y % 4) * 365 + 1;
    for (int m = 1; m < month && m <= 12; ++m)
        days += MonthLength(year, m);
    return days + day;
}

// The "sep"-separated fields of text.
std::string Field(const std::string& text, int n, char sep, bool& exists) {
    std::size_t begin = 0;
    for (int i = 0; i < n; ++i) {
        begin = text.find(sep, begin);
        if (begin == std::string::npos) {
            exists = false;
            return std::string();
        }
        ++begin;
    }
    exists = true;
    const std::size_t end = text.find(sep, begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// Day number of a year-month-day text; false when a field is missing.
bool DateDays(const std::string& text, long long& days) {
    bool y, m, d;
    const std::string year = Field(text, 0, '-', y), month = Field(text, 1, '-', m),
                      day = Field(text, 2, '-', d);
    if (!y || !m || !d) return false;
    days = AbsDays(std::atoi(year.c_str()), std::atoi(month.c_str()), std::atoi(day.c_str()));
    return true;
}

// Seconds of the day of an hour:minute:second text, each field kept in 8 bits, missing ones 0.
long long DaySeconds(const std::string& text) {
    long long parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        bool exists;
        const std::string f = Field(text, i, ':', exists);
        if (exists) parts[i] = static_cast<unsigned char>(std::atoi(f.c_str()));
    }
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The longest walk of GetDateByTimeSpan, in months.
constexpr int WALK_MONTHS = 240;

} // namespace

extern "C" {

DORLIX_API int DORLIX_CALL GetAbsDays(const DateRecord* date) {
    return dorlix::Guarded(0, [&] {
        if (!date) return 0;
        return static_cast<int>(AbsDays(date->year, date->month, date->day));
    });
}

DORLIX_API int DORLIX_CALL ComputeDaySpan(const char* date1, const char* date2) {
    return dorlix::Guarded(0, [&] {
        long long d1, d2;
        if (!date1 || !date2 || !DateDays(date1, d1) || !DateDays(date2, d2)) return 0;
        return static_cast<int>(d2 - d1);
    });
}

DORLIX_API int DORLIX_CALL ComputeDayTimeSpan(const char* time1, const char* time2) {
    return dorlix::Guarded(0, [&] {
        if (!time1 || !time2) return 0;
        long long total[2];
        const char* texts[2] = {time1, time2};
        for (int i = 0; i < 2; ++i) {
            const std::string t = texts[i];
            const std::size_t space = t.find(' ');
            long long days;
            if (!DateDays(t.substr(0, space), days)) return 0;
            total[i] = days * 86400 + (space == std::string::npos ? 0 : DaySeconds(t.substr(space + 1)));
        }
        // Spans beyond the result's range (about 68 years) stop at its ends.
        const long long span = total[1] - total[0];
        if (span > INT_MAX) return INT_MAX;
        if (span < -INT_MAX) return -INT_MAX;
        return static_cast<int>(span);
    });
}

DORLIX_API int DORLIX_CALL GetDateByTimeSpan(const DateRecord* in, int days, DateRecord* out) {
    return dorlix::Guarded(0, [&] {
        if (!in) return 0;
        if (!out) return -1;
        if (in->month < 1 || in->month > 12) return 0;
        long long year = in->year;
        int month = in->month;
        const long long day = in->day;
        long long rest = static_cast<long long>(days) - day;
        if (rest < 0) {
            long long target = day - days; // later in the month, or (n < 0) after it
            int walked = 0;
            while (target > MonthLength(year, month)) {
                if (++walked > WALK_MONTHS) return -2;
                target -= MonthLength(year, month);
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
            *out = *in;
            out->year = static_cast<int>(year);
            out->month = static_cast<signed char>(month);
            out->day = static_cast<signed char>(target);
            return 1;
        }
        for (int walked = 1; walked <= WALK_MONTHS; ++walked) {
            if (--month < 1) {
                month = 12;
                --year;
            }
            const int length = MonthLength(year, month);
            if (rest - length < 0) {
                *out = *in;
                out->year = static_cast<int>(year);
                out->month = static_cast<signed char>(month);
                out->day = static_cast<signed char>(length - rest);
                return 1;
            }
            rest -= length;
        }
        return -2;
    });
}

DORLIX_API int DORLIX_CALL ChangTimeFormat(const char* in, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!in) return -1;
        if (!out) return -2;
        std::string text;
        for (const char* p = in; *p; ++p) {
            if (*p == ' ' && !text.empty() && text.back() == ' ') continue;
            text += *p;
        }
        text = Trim(text);
        const std::size_t space = text.find(' ');
        std::string date = Trim(text.substr(0, space));
        std::string time = space == std::string::npos ? std::string() : Trim(text.substr(space + 1));
        const std::size_t second = time.find(' '); // only the first two parts are kept
        if (second != std::string::npos) time.resize(second);
        if (!date.empty() && date[0] == '0') date.erase(0, 1);
        if (!time.empty() && time[0] == '0') time.erase(0, 1);
        const std::string result = Trim(date + " " + time);
        std::memcpy(out, result.c_str(), result.size() + 1);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetTimeMinute(const char* text, char* out) {
    return dorlix::Guarded(0, [&] {
        if (!text) return -1;
        if (!out) return -2;
        const std::string t = text;
        bool hasMinute;
        const std::string minute = Field(t, 1, ':', hasMinute);
        bool dummy;
        if (!hasMinute) {
            std::memcpy(out, t.c_str(), t.size() + 1);
            return 0;
        }
        char hhmm[24];
        std::snprintf(hhmm, sizeof hhmm, "%02d:%02d", std::atoi(Field(t, 0, ':', dummy).c_str()),
                      std::atoi(minute.c_str()));
        std::memcpy(out, hhmm, std::strlen(hhmm) + 1);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL GetFileDayTime(const char* path, DateRecord* date, TimeRecord* time) {
    return dorlix::Guarded(-1, [&] {
        if (!path) return -2;
        plat::LocalTime t;
        if (!plat::FindFileWriteTime(path, t)) return -1;
        if (date) {
            date->year = t.year;
            date->day = static_cast<signed char>(t.day);
            date->month = static_cast<signed char>(t.month);
        }
        if (time) {
            time->hour = static_cast<unsigned char>(t.hour);
            time->minute = static_cast<unsigned char>(t.minute);
            time->second = static_cast<unsigned char>(t.second);
            time->millisecond = static_cast<unsigned char>(t.millisecond & 0xFF);
        }
        return 1;
    });
}

} // extern "C"
