#pragma once

#include <cstdint>
#include <optional>
#include <string>

// `time` (seconds since 1970 UTC) in local time, formatted with strftime's
// `format`; empty when the time cannot be shown.
std::string FormatLocalTime(int64_t time, const char* format);

// The local calendar time given, as seconds since 1970 UTC; nothing when it
// is no valid time.
std::optional<int64_t> LocalTimeToEpoch(int year, int month, int day, int hour, int minute,
                                        int second);
