#include "cli/search_options.h"

#include "cli/command_line.h"
#include "cli/time_argument.h"

namespace {

constexpr NamedValue<SortKey> kSortKeys[] = {
    {"name", SortKey::FullPath},
    {"type", SortKey::Extension},
    {"created", SortKey::CreationTime},
    {"modified", SortKey::ModificationTime},
    {"size", SortKey::Size},
};

constexpr NamedValue<OutputFormat> kFormats[] = {
    {"table", OutputFormat::Table}, {"tsv", OutputFormat::Tsv},       {"json", OutputFormat::Json},
    {"paths", OutputFormat::Paths}, {"paths0", OutputFormat::Paths0},
};

// The usage error's message, or nothing when an option was taken.
using OptionError = std::optional<std::string>;

// What the options say that is checked only once all are read.
struct PendingOptions {
    std::vector<std::string> keywords;  // each -k
    bool allDrives = false;
    std::optional<DateKind> kind;
    std::optional<DateRange> range;
    std::string between;  // --between's two times as given, for a message
};

OptionError NotATime(const std::string& text) {
    return "not a time (YYYY-MM-DD[ HH:MM[:SS]]): " + text;
}

// --before T, --after T, --between T1 T2 (the second time is the argument
// after the option's value).
OptionError ApplyDateRange(OptionId id, const std::string& value, OptionScanner& scanner,
                           PendingOptions& pending, DateCriterion& date) {
    if (pending.range) return "give only one of --before, --after and --between";
    if (id == OptionId::Before) {
        pending.range = DateRange::OnOrBefore;
        std::optional<int64_t> last = ParseTimeArgument(value, true);
        if (!last) return NotATime(value);
        date.latest = *last;
        return std::nullopt;
    }
    if (id == OptionId::After) {
        pending.range = DateRange::OnOrAfter;
        std::optional<int64_t> first = ParseTimeArgument(value, false);
        if (!first) return NotATime(value);
        date.earliest = *first;
        return std::nullopt;
    }
    std::optional<std::string> second = scanner.TakeArgument();
    if (!second) return "--between needs two times";
    pending.range = DateRange::Between;
    std::optional<int64_t> first = ParseTimeArgument(value, false);
    if (!first) return NotATime(value);
    std::optional<int64_t> last = ParseTimeArgument(*second, true);
    if (!last) return NotATime(*second);
    date.earliest = *first;
    date.latest = *last;
    pending.between = value + " " + *second;
    return std::nullopt;
}

// --min-kb N, --max-kb N: kilobytes of 1000 bytes.
OptionError ApplySizeLimit(OptionId id, const std::string& value, SizeCriterion& size) {
    std::optional<int64_t> kb = ParsePositive(value);
    bool min = id == OptionId::MinKb;
    if (!kb)
        return std::string(min ? "--min-kb" : "--max-kb") +
               " needs a positive whole number: " + value;
    (min ? size.minSize : size.maxSize) = *kb * 1000;
    return std::nullopt;
}

OptionError ApplySearchOption(const OptionStep& step, OptionScanner& scanner,
                              PendingOptions& pending, SearchOptions& options) {
    const std::string& value = step.value;
    switch (step.id) {
        case OptionId::Keyword:
            pending.keywords.push_back(value);
            return std::nullopt;
        case OptionId::And:
            options.andKeywords.push_back(value);
            return std::nullopt;
        case OptionId::AllDrives:
            pending.allDrives = true;
            return std::nullopt;
        case OptionId::Created:
        case OptionId::Modified:
            pending.kind = step.id == OptionId::Created ? DateKind::Created : DateKind::Modified;
            return std::nullopt;
        case OptionId::Before:
        case OptionId::After:
        case OptionId::Between:
            return ApplyDateRange(step.id, value, scanner, pending, options.date);
        case OptionId::MinKb:
        case OptionId::MaxKb:
            return ApplySizeLimit(step.id, value, options.size);
        case OptionId::Sort:
            options.sort = ValueNamed<SortKey>(kSortKeys, value);
            if (!options.sort) return "unknown sort key: " + value;
            return std::nullopt;
        case OptionId::Format: {
            std::optional<OutputFormat> format = ValueNamed<OutputFormat>(kFormats, value);
            if (!format) return "unknown format: " + value;
            options.format = *format;
            return std::nullopt;
        }
        case OptionId::Paths0:
            options.format = OutputFormat::Paths0;
            return std::nullopt;
        case OptionId::ShowMatch:
            options.showMatch = true;
            return std::nullopt;
        case OptionId::Timing:
            options.timing = true;
            return std::nullopt;
        case OptionId::NoCache:
            options.useCache = false;
            return std::nullopt;
        case OptionId::CacheReadOnly:
            options.cacheReadOnly = true;
            return std::nullopt;
        default:
            return ApplyCommonOption(step.id, value, options);
    }
}

// What the options say together: the keyword, the date limit, the place.
OptionError FinishSearchOptions(const PendingOptions& pending, std::vector<std::string> places,
                                SearchOptions& options) {
    for (size_t k = 0; k < pending.keywords.size(); ++k) {
        options.keyword += (k == 0 ? "" : "|") + pending.keywords[k];
    }
    std::optional<DateKind> kind = pending.kind;
    if (pending.range && !kind) kind = DateKind::Modified;
    if (kind && !pending.range) {
        return "--created and --modified need --before, --after or --between";
    }
    if (kind) {
        options.date.kind = *kind;
        options.date.range = *pending.range;
    }
    // Limits no drawing can meet are refused, as the window refuses them.
    if (pending.range == DateRange::Between && options.date.earliest > options.date.latest) {
        return "--between " + pending.between + ": the first time is after the second";
    }
    const SizeCriterion& size = options.size;
    if (size.minSize > 0 && size.maxSize > 0 && size.minSize > size.maxSize) {
        return "--min-kb " + std::to_string(size.minSize / 1000) + " is above --max-kb " +
               std::to_string(size.maxSize / 1000);
    }
    if (pending.allDrives) places.push_back(kAllDrivesPlace);
    if (places.size() > 1) return "give at most one place";
    if (!places.empty()) {
        options.place = places.front();
        options.placeGiven = true;
    }
    return std::nullopt;
}

}  // namespace

std::span<const NamedValue<SortKey>> SortKeyNames() { return kSortKeys; }

std::span<const NamedValue<OutputFormat>> FormatNames() { return kFormats; }

SearchCommandLine ParseSearchCommandLine(int argc, char** argv) {
    SearchCommandLine line;
    auto refuse = [&line](std::string message) {
        line.action = SearchCommandLine::Action::UsageError;
        line.error = std::move(message);
        return line;
    };
    PendingOptions pending;
    OptionScanner scanner(FindCommand(CommandId::Search), argc, argv);
    for (OptionStep step = scanner.Next(); step.kind != OptionStep::Kind::End;
         step = scanner.Next()) {
        if (step.kind == OptionStep::Kind::UsageError) return refuse(step.error);
        if (step.id == OptionId::Help || step.id == OptionId::Version) {
            line.action = step.id == OptionId::Help ? SearchCommandLine::Action::Help
                                                    : SearchCommandLine::Action::Version;
            return line;
        }
        if (OptionError error = ApplySearchOption(step, scanner, pending, line.options)) {
            return refuse(*error);
        }
    }
    if (OptionError error = FinishSearchOptions(pending, scanner.Operands(), line.options)) {
        return refuse(*error);
    }
    return line;
}

std::optional<TextCacheSettings> CacheSettingsOf(const SearchOptions& options) {
    if (!options.useCache) return std::nullopt;
    TextCacheSettings settings;
    settings.path = CacheFileOf(options.cacheFile);
    // Without a cache folder (no HOME) there is nothing to keep: no cache,
    // and nothing to say about it.
    if (settings.path.empty()) return std::nullopt;
    settings.neverWrite = options.cacheReadOnly;
    return settings;
}
