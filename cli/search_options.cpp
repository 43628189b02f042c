#include "cli/search_options.h"

#include <getopt.h>

#include <cstdio>
#include <sstream>

#include "cli/option_errors.h"
#include "platform/clock.h"
#include "search/drawing_types.h"

const char* const kSearchUsage =
    "usage: plotsieve-cli search [OPTIONS] [PLACE]\n"
    "Lists the drawings under PLACE (a folder, a drawing, or \"全てのドライブ\"; default: the\n"
    "current folder) whose text holds a keyword.\n"
    "  -k, --keyword TEXT      keywords, \"|\" between OR pieces; repeated, more OR pieces\n"
    "                          (default: every drawing)\n"
    "      --and TEXT          narrow the hits with another keyword text (repeatable)\n"
    "      --all-drives        search every mounted file system\n"
    "      --no-subfolders     only the folder itself\n"
    "      --types LIST        any of dxf,dwg,jw,mcd,dra (default: all)\n"
    "      --created | --modified\n"
    "      --before T | --after T | --between T1 T2\n"
    "                          T is local time YYYY-MM-DD[ HH:MM[:SS]] (or with T for the\n"
    "                          space, and an offset such as +09:00 or Z)\n"
    "      --min-kb N, --max-kb N   size limits in kilobytes of 1000 bytes\n"
    "      --sort name|type|created|modified|size   (rows are then written at the end)\n"
    "      --format table|tsv|json|paths|paths0\n"
    "  -0                      the same as --format paths0\n"
    "      --show-match        a last cell with where each drawing matched\n"
    "  -q, --quiet             no progress and no final count on stderr\n"
    "      --threads N         extraction threads (default: one per core)\n"
    "      --timing            report the time of each phase on stderr\n"
    "      --no-cache          read every drawing; keep nothing in the text cache\n"
    "      --cache FILE        the text cache's file (default: the user's cache folder)\n"
    "      --cache-read-only   read the cache but never write it (a cache another\n"
    "                          process writes and renames into place)\n"
    "      --version           print the version and exit\n"
    "  -h, --help              print this help and exit\n"
    "Exit status: 0 hits, 1 none, 2 usage error, refused request, unreadable place,\n"
    "folder or file, or failed output. Ctrl-C stops the search (killed by SIGINT).\n";

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

std::optional<SortKey> ParseSortKey(const std::string& text) {
    if (text == "name") return SortKey::FullPath;
    if (text == "type") return SortKey::Extension;
    if (text == "created") return SortKey::CreationTime;
    if (text == "modified") return SortKey::ModificationTime;
    if (text == "size") return SortKey::Size;
    return std::nullopt;
}

std::optional<OutputFormat> ParseFormat(const std::string& text) {
    if (text == "table") return OutputFormat::Table;
    if (text == "tsv") return OutputFormat::Tsv;
    if (text == "json") return OutputFormat::Json;
    if (text == "paths") return OutputFormat::Paths;
    if (text == "paths0") return OutputFormat::Paths0;
    return std::nullopt;
}

// Values of the long options that have no short form.
enum LongOnly {
    OPT_AND = 256,
    OPT_ALL_DRIVES,
    OPT_NO_SUBFOLDERS,
    OPT_TYPES,
    OPT_CREATED,
    OPT_MODIFIED,
    OPT_BEFORE,
    OPT_AFTER,
    OPT_BETWEEN,
    OPT_MIN_KB,
    OPT_MAX_KB,
    OPT_SORT,
    OPT_FORMAT,
    OPT_SHOW_MATCH,
    OPT_THREADS,
    OPT_TIMING,
    OPT_VERSION,
    OPT_NO_CACHE,
    OPT_CACHE,
    OPT_CACHE_READ_ONLY,
};

const option kLongOptions[] = {
    {"keyword", required_argument, nullptr, 'k'},
    {"and", required_argument, nullptr, OPT_AND},
    {"all-drives", no_argument, nullptr, OPT_ALL_DRIVES},
    {"no-subfolders", no_argument, nullptr, OPT_NO_SUBFOLDERS},
    {"types", required_argument, nullptr, OPT_TYPES},
    {"created", no_argument, nullptr, OPT_CREATED},
    {"modified", no_argument, nullptr, OPT_MODIFIED},
    {"before", required_argument, nullptr, OPT_BEFORE},
    {"after", required_argument, nullptr, OPT_AFTER},
    {"between", required_argument, nullptr, OPT_BETWEEN},
    {"min-kb", required_argument, nullptr, OPT_MIN_KB},
    {"max-kb", required_argument, nullptr, OPT_MAX_KB},
    {"sort", required_argument, nullptr, OPT_SORT},
    {"format", required_argument, nullptr, OPT_FORMAT},
    {"show-match", no_argument, nullptr, OPT_SHOW_MATCH},
    {"quiet", no_argument, nullptr, 'q'},
    {"threads", required_argument, nullptr, OPT_THREADS},
    {"timing", no_argument, nullptr, OPT_TIMING},
    {"no-cache", no_argument, nullptr, OPT_NO_CACHE},
    {"cache", required_argument, nullptr, OPT_CACHE},
    {"cache-read-only", no_argument, nullptr, OPT_CACHE_READ_ONLY},
    {"version", no_argument, nullptr, OPT_VERSION},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

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

SearchCommandLine ParseSearchCommandLine(int argc, char** argv) {
    SearchCommandLine line;
    SearchOptions& options = line.options;
    std::vector<std::string> keywords;
    bool allDrives = false;
    std::optional<DateKind> kind;
    std::optional<DateRange> range;
    auto fail = [&](std::string message) {
        line.action = SearchCommandLine::Action::UsageError;
        line.error = std::move(message);
        return line;
    };
    auto time = [&](const std::string& text, bool endOfDay) {
        std::optional<int64_t> parsed = ParseTimeArgument(text, endOfDay);
        if (!parsed) line.error = "not a time (YYYY-MM-DD[ HH:MM[:SS]]): " + text;
        return parsed;
    };

    optind = 0;  // a fresh scan (GNU getopt)
    opterr = 0;  // messages are ours
    for (;;) {
        int code = getopt_long(argc, argv, ":k:q0h", kLongOptions, nullptr);
        if (code == -1) break;
        std::string value = optarg ? optarg : "";
        switch (code) {
            case 'k':
                keywords.push_back(value);
                break;
            case OPT_AND:
                options.andKeywords.push_back(value);
                break;
            case OPT_ALL_DRIVES:
                allDrives = true;
                break;
            case OPT_NO_SUBFOLDERS:
                options.subfolders = false;
                break;
            case OPT_TYPES: {
                std::optional<unsigned> mask = ParseTypes(value);
                if (!mask)
                    return fail("unknown type in --types (use dxf,dwg,jw,mcd,dra): " + value);
                options.typeMask = *mask;
                break;
            }
            case OPT_CREATED:
            case OPT_MODIFIED:
                kind = code == OPT_CREATED ? DateKind::Created : DateKind::Modified;
                break;
            case OPT_BEFORE:
            case OPT_AFTER:
            case OPT_BETWEEN: {
                if (range) return fail("give only one of --before, --after and --between");
                if (code == OPT_BEFORE) {
                    range = DateRange::OnOrBefore;
                    std::optional<int64_t> t = time(value, true);
                    if (!t) return fail(line.error);
                    options.date.latest = *t;
                } else if (code == OPT_AFTER) {
                    range = DateRange::OnOrAfter;
                    std::optional<int64_t> t = time(value, false);
                    if (!t) return fail(line.error);
                    options.date.earliest = *t;
                } else {
                    // --between takes the next argument as its second time.
                    if (optind >= argc) return fail("--between needs two times");
                    range = DateRange::Between;
                    std::optional<int64_t> a = time(value, false);
                    if (!a) return fail(line.error);
                    std::optional<int64_t> b = time(argv[optind++], true);
                    if (!b) return fail(line.error);
                    options.date.earliest = *a;
                    options.date.latest = *b;
                }
                break;
            }
            case OPT_MIN_KB:
            case OPT_MAX_KB: {
                std::optional<int64_t> kb = ParsePositive(value);
                const char* name = code == OPT_MIN_KB ? "--min-kb" : "--max-kb";
                if (!kb)
                    return fail(std::string(name) + " needs a positive whole number: " + value);
                (code == OPT_MIN_KB ? options.size.minSize : options.size.maxSize) = *kb * 1000;
                break;
            }
            case OPT_SORT:
                options.sort = ParseSortKey(value);
                if (!options.sort) return fail("unknown sort key: " + value);
                break;
            case OPT_FORMAT: {
                std::optional<OutputFormat> format = ParseFormat(value);
                if (!format) return fail("unknown format: " + value);
                options.format = *format;
                break;
            }
            case '0':
                options.format = OutputFormat::Paths0;
                break;
            case OPT_SHOW_MATCH:
                options.showMatch = true;
                break;
            case 'q':
                options.quiet = true;
                break;
            case OPT_THREADS: {
                std::optional<int64_t> n = ParsePositive(value);
                if (!n || *n > 256) return fail("--threads needs a number from 1 to 256");
                options.threads = static_cast<unsigned>(*n);
                break;
            }
            case OPT_TIMING:
                options.timing = true;
                break;
            case OPT_NO_CACHE:
                options.useCache = false;
                break;
            case OPT_CACHE:
                if (value.empty()) return fail("--cache needs a file");
                options.cacheFile = value;
                break;
            case OPT_CACHE_READ_ONLY:
                options.cacheReadOnly = true;
                break;
            case OPT_VERSION:
                line.action = SearchCommandLine::Action::Version;
                return line;
            case 'h':
                line.action = SearchCommandLine::Action::Help;
                return line;
            case ':':
                return fail(OptionInError(argc, argv, true) + " needs a value");
            default:
                return fail("unknown option: " + OptionInError(argc, argv, false));
        }
    }

    if (!keywords.empty()) {
        options.keyword = keywords.front();
        for (size_t k = 1; k < keywords.size(); ++k) options.keyword += "|" + keywords[k];
    }
    if (range && !kind) kind = DateKind::Modified;
    if (kind && !range) return fail("--created and --modified need --before, --after or --between");
    if (kind) {
        options.date.kind = *kind;
        options.date.range = *range;
    }
    std::vector<std::string> places(argv + optind, argv + argc);
    if (allDrives) places.push_back(kAllDrivesPlace);
    if (places.size() > 1) return fail("give at most one place");
    if (!places.empty()) {
        options.place = places.front();
        options.placeGiven = true;
    }
    return line;
}

std::optional<TextCacheSettings> CacheSettingsOf(const SearchOptions& options) {
    if (!options.useCache) return std::nullopt;
    TextCacheSettings settings;
    settings.path = options.cacheFile.empty() ? DefaultTextCachePath() : options.cacheFile;
    // Without a cache folder (no HOME) there is nothing to keep: no cache,
    // and nothing to say about it.
    if (settings.path.empty()) return std::nullopt;
    settings.neverWrite = options.cacheReadOnly;
    return settings;
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
