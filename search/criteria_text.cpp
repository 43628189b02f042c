#include "search/criteria_text.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <sstream>

#include "bytes/utf8.h"
#include "platform/clock.h"
#include "platform/encoding.h"
#include "search/drawing_types.h"

namespace {

// Fixed-width fields of a time argument, read from left to right.
class TimeText {
  public:
    explicit TimeText(const std::string& text) : m_text(text) {}
    bool AtEnd() const { return m_at == m_text.size(); }
    bool Take(char ch) {
        if (m_at >= m_text.size() || m_text[m_at] != ch) return false;
        ++m_at;
        return true;
    }
    bool Number(int digits, int& value) {
        if (m_text.size() - m_at < static_cast<size_t>(digits)) return false;
        value = 0;
        for (int k = 0; k < digits; ++k) {
            char ch = m_text[m_at + k];
            if (ch < '0' || ch > '9') return false;
            value = value * 10 + (ch - '0');
        }
        m_at += digits;
        return true;
    }

  private:
    const std::string& m_text;
    size_t m_at = 0;
};

int64_t DaysFromCivil(int64_t year, int month, int day) {
    // Days since 1970-01-01 in the proleptic Gregorian calendar: years start
    // in March so the leap day is the last of its year.
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool IsValidDate(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// The text in Unicode normalisation form C; nothing when it is no UTF-8 or
// holds a NUL (which utf8proc would take as its end).
std::optional<std::string> NormalizeNfc(std::string_view utf8) {
    if (!IsValidUtf8(utf8) || utf8.find('\0') != std::string_view::npos) return std::nullopt;
    std::string terminated(utf8);
    std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> composed(
        utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(terminated.c_str())), &std::free);
    if (!composed) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(composed.get()));
}

}  // namespace

std::optional<int64_t> ParseTimeArgument(const std::string& text, bool endOfDay) {
    TimeText t(text);
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!t.Number(4, year) || !t.Take('-') || !t.Number(2, month) || !t.Take('-') ||
        !t.Number(2, day)) {
        return std::nullopt;
    }
    if (t.AtEnd()) {
        if (endOfDay) return LocalTimeToEpoch(year, month, day, 23, 59, 59);
        return LocalTimeToEpoch(year, month, day, 0, 0, 0);
    }
    if (!(t.Take(' ') || t.Take('T')) || !t.Number(2, hour) || !t.Take(':') ||
        !t.Number(2, minute)) {
        return std::nullopt;
    }
    if (t.Take(':') && !t.Number(2, second)) return std::nullopt;
    if (t.AtEnd()) return LocalTimeToEpoch(year, month, day, hour, minute, second);

    // A time with its offset from UTC names one moment, whatever the local zone.
    int offset = 0;
    if (!t.Take('Z')) {
        int sign = t.Take('+') ? 1 : t.Take('-') ? -1 : 0;
        int offsetHours, offsetMinutes;
        if (sign == 0 || !t.Number(2, offsetHours)) return std::nullopt;
        t.Take(':');
        if (!t.Number(2, offsetMinutes) || offsetHours > 23 || offsetMinutes > 59) {
            return std::nullopt;
        }
        offset = sign * (offsetHours * 3600 + offsetMinutes * 60);
    }
    if (!t.AtEnd() || !IsValidDate(year, month, day) || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset;
}

std::optional<unsigned> ParseTypes(const std::string& list) {
    unsigned mask = 0;
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.empty()) continue;
        bool known = false;
        for (const DrawingTypeGroup& group : DrawingTypeGroups()) {
            if (group.cliName == item) {
                mask |= group.bits;
                known = true;
            }
        }
        if (!known) return std::nullopt;
    }
    return mask;
}

std::string TypeNames() {
    std::string names;
    for (const DrawingTypeGroup& group : DrawingTypeGroups()) {
        if (!names.empty()) names += ',';
        names += group.cliName;
    }
    return names;
}

std::optional<int64_t> ParsePositive(const std::string& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    int64_t value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        value = value * 10 + (ch - '0');
    }
    if (value <= 0) return std::nullopt;
    return value;
}

std::optional<std::string> KeywordToCp932(std::string_view utf8) {
    std::optional<std::string> composed = NormalizeNfc(utf8);
    return composed ? Utf8ToCp932(*composed) : std::nullopt;
}
