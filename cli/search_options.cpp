#include "cli/search_options.h"

#include <cstdio>
#include <sstream>

#include "platform/clock.h"
#include "search/drawing_types.h"

const char* const kSearchUsage =
    "usage: plotsieve-cli search [OPTIONS] PLACE\n"
    "Lists the drawings under PLACE (a folder, or \"全てのドライブ\") whose text holds a keyword.\n"
    "  -k, --keyword TEXT      keywords, \"|\" between OR pieces (default: every drawing)\n"
    "      --and TEXT          narrow the hits with another keyword text (repeatable)\n"
    "      --all-drives        search every mounted file system\n"
    "      --no-subfolders     only the folder itself\n"
    "      --types LIST        any of dxf,dwg,jw,mcd,dra (default: all)\n"
    "      --created | --modified\n"
    "      --before T | --after T | --between T1 T2\n"
    "                          T is local time YYYY-MM-DD[ HH:MM[:SS]]\n"
    "      --min-kb N, --max-kb N   size limits in kilobytes of 1000 bytes\n"
    "      --sort name|type|created|modified|size\n"
    "      --format table|tsv|json|paths0\n"
    "      --threads N         extraction threads (default: one per core)\n"
    "      --timing            report the time of each phase on stderr\n"
    "Exit status: 0 hits, 1 none, 2 usage error or refused request, 130 stopped.\n";

std::optional<int64_t> ParseLocalTime(const std::string& text, bool endOfDay) {
    // Date and time, date and minutes, or the date alone; the whole text.
    static const struct {
        const char* format;
        int fields;
    } kForms[] = {
        {"%4d-%2d-%2d %2d:%2d:%2d%n", 6}, {"%4d-%2d-%2d %2d:%2d%n", 5}, {"%4d-%2d-%2d%n", 3}};
    for (const auto& form : kForms) {
        int v[6] = {0, 0, 0, 0, 0, 0};
        int consumed = -1;
        int n = form.fields == 6 ? std::sscanf(text.c_str(), form.format, &v[0], &v[1], &v[2],
                                               &v[3], &v[4], &v[5], &consumed)
                : form.fields == 5
                    ? std::sscanf(text.c_str(), form.format, &v[0], &v[1], &v[2], &v[3], &v[4],
                                  &consumed)
                    : std::sscanf(text.c_str(), form.format, &v[0], &v[1], &v[2], &consumed);
        if (n != form.fields || consumed != static_cast<int>(text.size())) continue;
        if (form.fields == 3 && endOfDay) {
            v[3] = 23;
            v[4] = 59;
            v[5] = 59;
        }
        return LocalTimeToEpoch(v[0], v[1], v[2], v[3], v[4], v[5]);
    }
    return std::nullopt;
}

namespace {

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

}  // namespace

std::optional<SearchOptions> ParseSearchOptions(const std::vector<std::string>& args,
                                                std::string& error) {
    SearchOptions options;
    std::vector<std::string> places;
    bool allDrives = false;
    std::optional<DateKind> kind;
    std::optional<DateRange> range;
    size_t i = 0;
    auto value = [&](const std::string& option) -> std::optional<std::string> {
        if (i + 1 >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        return args[++i];
    };
    auto setRange = [&](DateRange chosen) {
        if (range) {
            error = "give only one of --before, --after and --between";
            return false;
        }
        range = chosen;
        return true;
    };
    auto time = [&](const std::string& text, bool endOfDay) -> std::optional<int64_t> {
        auto parsed = ParseLocalTime(text, endOfDay);
        if (!parsed) error = "not a time (YYYY-MM-DD[ HH:MM[:SS]]): " + text;
        return parsed;
    };

    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-k" || arg == "--keyword") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            options.keyword = *v;
        } else if (arg == "--and") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            options.andKeywords.push_back(*v);
        } else if (arg == "--timing") {
            options.timing = true;
        } else if (arg == "--all-drives") {
            allDrives = true;
        } else if (arg == "--no-subfolders") {
            options.subfolders = false;
        } else if (arg == "--types") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            auto mask = ParseTypes(*v);
            if (!mask) {
                error = "unknown type in --types (use dxf,dwg,jw,mcd,dra): " + *v;
                return std::nullopt;
            }
            options.typeMask = *mask;
        } else if (arg == "--created" || arg == "--modified") {
            kind = arg == "--created" ? DateKind::Created : DateKind::Modified;
        } else if (arg == "--before") {
            auto v = value(arg);
            if (!v || !setRange(DateRange::OnOrBefore)) return std::nullopt;
            auto t = time(*v, true);
            if (!t) return std::nullopt;
            options.date.boundA = *t;
        } else if (arg == "--after") {
            auto v = value(arg);
            if (!v || !setRange(DateRange::OnOrAfter)) return std::nullopt;
            auto t = time(*v, false);
            if (!t) return std::nullopt;
            options.date.boundB = *t;
        } else if (arg == "--between") {
            auto first = value(arg);
            if (!first) return std::nullopt;
            auto second = value(arg);
            if (!second || !setRange(DateRange::Between)) return std::nullopt;
            auto a = time(*first, false);
            if (!a) return std::nullopt;
            auto b = time(*second, true);
            if (!b) return std::nullopt;
            options.date.boundA = *a;
            options.date.boundB = *b;
        } else if (arg == "--min-kb" || arg == "--max-kb") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            auto kb = ParsePositive(*v);
            if (!kb) {
                error = arg + " needs a positive whole number: " + *v;
                return std::nullopt;
            }
            (arg == "--min-kb" ? options.size.minSize : options.size.maxSize) = *kb * 1000;
        } else if (arg == "--sort") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            if (*v == "name") {
                options.sort = SortKey::FullPath;
            } else if (*v == "type") {
                options.sort = SortKey::Extension;
            } else if (*v == "created") {
                options.sort = SortKey::CreationTime;
            } else if (*v == "modified") {
                options.sort = SortKey::ModificationTime;
            } else if (*v == "size") {
                options.sort = SortKey::Size;
            } else {
                error = "unknown sort key: " + *v;
                return std::nullopt;
            }
        } else if (arg == "--format") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            if (*v == "table") {
                options.format = OutputFormat::Table;
            } else if (*v == "tsv") {
                options.format = OutputFormat::Tsv;
            } else if (*v == "json") {
                options.format = OutputFormat::Json;
            } else if (*v == "paths0") {
                options.format = OutputFormat::Paths0;
            } else {
                error = "unknown format: " + *v;
                return std::nullopt;
            }
        } else if (arg == "--threads") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            auto n = ParsePositive(*v);
            if (!n || *n > 256) {
                error = "--threads needs a number from 1 to 256";
                return std::nullopt;
            }
            options.threads = static_cast<unsigned>(*n);
        } else if (arg == "--") {
            places.insert(places.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option: " + arg;
            return std::nullopt;
        } else {
            places.push_back(arg);
        }
    }

    if (range && !kind) kind = DateKind::Modified;
    if (kind && !range) {
        error = "--created and --modified need --before, --after or --between";
        return std::nullopt;
    }
    if (kind) {
        options.date.kind = *kind;
        options.date.range = *range;
    }
    if (allDrives) places.push_back(kAllDrivesPlace);
    if (places.size() != 1) {
        error = places.empty() ? "no place given" : "give exactly one place";
        return std::nullopt;
    }
    options.place = places.front();
    return options;
}
