#include "platform/clock.h"

#include <ctime>

std::string FormatLocalTime(int64_t time, const char* format) {
    std::time_t t = static_cast<std::time_t>(time);
    std::tm fields{};
    if (localtime_r(&t, &fields) == nullptr) return {};
    char buffer[64];
    size_t n = std::strftime(buffer, sizeof buffer, format, &fields);
    return std::string(buffer, n);
}

std::optional<int64_t> LocalTimeToEpoch(int year, int month, int day, int hour, int minute,
                                        int second) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60) {
        return std::nullopt;
    }
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    std::time_t t = std::mktime(&fields);
    if (t == static_cast<std::time_t>(-1) && !(year == 1969 || year == 1970)) return std::nullopt;
    if (fields.tm_mday != day) return std::nullopt;  // 31 February and the like
    return static_cast<int64_t>(t);
}
