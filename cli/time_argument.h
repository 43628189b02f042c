#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" or "YYYY-MM-DDTHH:MM[:SS]" in local
// time, or the last form followed by "Z" or an offset "+09:00" as the JSON
// output writes it, as seconds since 1970 UTC. A date alone means its first
// second, or with `endOfDay` its last. Nothing for any other text or an
// impossible date.
std::optional<int64_t> ParseTimeArgument(const std::string& text, bool endOfDay);
